// What every skinned installer window shares: its own handle on the skin
// library, bitmaps by name from it, and image buttons with a pressed face.
#pragma once

#include <functional>
#include <string>

#include "common/support/TextResult.h"
#include "common/win32/UniqueHandle.h"
#include "installer/ui/Form.h"
#include "installer/ui/Picture.h"

namespace tavrix::installer {

inline constexpr const char* kSkinLibraryName = "Velskin.dll";
inline constexpr const char* kReleasedFace = "b1";
inline constexpr const char* kPressedFace = "b2";

class SkinnedForm : public ui::Form {
public:
    HMODULE skinLibrary() const { return SkinLibrary.get(); }

    // Loads a bitmap of the skin library into an image, afresh each time.
    // A bitmap that will not load is told in the standard error report, and
    // the window counts as broken: it loads nothing more, and start-up ends
    // the program when a window comes out of its construction broken.
    bool loadSkinBitmap(ui::Image& image, const char* name);
    bool broken() const { return broken_; }

protected:
    explicit SkinnedForm(const ui::FormDesign& design) : ui::Form(design) {}

    // Loads the skin library; without it, tells the user (in a box captioned
    // failureCaption) and asks the application to terminate. True when loaded.
    bool loadSkinLibrary(const char* failureCaption);

    // A bitmap of the program's own (a button's glyph), as loadSkinBitmap
    // reports a failure: an empty picture then.
    ui::Picture programBitmap(const char* name);

    // An image button: the caption label on the image acts as the image.
    // Press shows the pressed face, release the released one (either may be
    // left out), and a left click inside runs the click handler before the
    // release arrives. The button is the next stop of the form's Tab order;
    // the caption's accelerator presses it.
    struct ButtonHandlers {
        bool press = true;
        bool release = true;
        std::function<void()> click;
    };
    void bindImageButton(ui::Image& image, ui::Label& caption, ButtonHandlers handlers);

    // Released and pressed faces of a button.
    bool Released(ui::Image& image) { return loadSkinBitmap(image, kReleasedFace); }
    bool Pressed(ui::Image& image) { return loadSkinBitmap(image, kPressedFace); }

private:
    // Reports a picture that did not load; true when it did.
    bool loaded(const TextResult<ui::Picture>& picture);

    win32::UniqueModule SkinLibrary;  // freed when the window is destroyed
    bool broken_ = false;
};

// Layout shared by the borderless wizard pages: made hidden in the page area
// they are shown in, where there is one.
ui::FormDesign pageDesign(const char* className, int clientWidth, int clientHeight, HWND pageArea);

}  // namespace tavrix::installer
