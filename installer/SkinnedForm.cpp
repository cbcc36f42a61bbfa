#include "installer/SkinnedForm.h"

#include <utility>

#include "common/win32/MessageBoxSeam.h"
#include "installer/ui/Application.h"

namespace tavrix::installer {

bool SkinnedForm::loadSkinLibrary(const char* failureCaption) {
    // By bare name, so the system's search order applies: the program's own
    // folder comes first.
    SkinLibrary.reset(::LoadLibraryA(kSkinLibraryName));
    if (SkinLibrary) return true;
    win32::showMessageBox(handle(), "Error while reading 'Velskin.dll'. This application will terminate.",
                          failureCaption, MB_OK | MB_ICONWARNING);
    ui::Application::instance().terminate();
    return false;
}

bool SkinnedForm::loaded(const TextResult<ui::Picture>& picture) {
    if (picture) return true;
    broken_ = true;
    ui::Application::instance().showError(picture.failure());
    return false;
}

bool SkinnedForm::loadSkinBitmap(ui::Image& image, const char* name) {
    // One report is enough: what failed once fails again.
    if (broken_) return false;
    TextResult<ui::Picture> picture = ui::Picture::fromBitmapResource(SkinLibrary.get(), name);
    if (!loaded(picture)) return false;
    image.setPicture(std::move(*picture));
    return true;
}

ui::Picture SkinnedForm::programBitmap(const char* name) {
    if (broken_) return {};
    TextResult<ui::Picture> picture = ui::Picture::fromBitmapResource(::GetModuleHandleA(nullptr), name);
    return loaded(picture) ? std::move(*picture) : ui::Picture();
}

void SkinnedForm::bindImageButton(ui::Image& image, ui::Label& caption, ButtonHandlers handlers) {
    for (ui::GraphicControl* control :
         {static_cast<ui::GraphicControl*>(&image), static_cast<ui::GraphicControl*>(&caption)}) {
        if (handlers.press)
            control->onMouseDown = [this, &image](ui::MouseButton, int, int) { Pressed(image); };
        if (handlers.release)
            control->onMouseUp = [this, &image](ui::MouseButton, int, int) { Released(image); };
        control->onClick = handlers.click;
    }
    keyboard.addButton(image, &caption);
}

ui::FormDesign pageDesign(const char* className, int clientWidth, int clientHeight, HWND pageArea) {
    ui::FormDesign design;
    design.className = className;
    design.style = (pageArea ? WS_CHILD : WS_POPUP) | WS_CLIPSIBLINGS;
    design.parent = pageArea;
    design.clientWidth = clientWidth;
    design.clientHeight = clientHeight;
    return design;
}

}  // namespace tavrix::installer
