// What every skinned installer window shares: its own handle on the skin
// library, bitmaps by name from it, and image buttons with a pressed face.
#pragma once

#include <functional>
#include <string>

#include "ui/Form.h"
#include "win32/UniqueHandle.h"

namespace tavrix::installer {

inline constexpr const char* kSkinLibraryName = "Velskin.dll";
inline constexpr const char* kReleasedFace = "b1";
inline constexpr const char* kPressedFace = "b2";

class SkinnedForm : public ui::Form {
public:
    HMODULE skinLibrary() const { return SkinLibrary.get(); }

    // Loads a bitmap of the skin library into an image, afresh each time.
    void loadSkinBitmap(ui::Image& image, const char* name) const;

protected:
    explicit SkinnedForm(const ui::FormDesign& design) : ui::Form(design) {}

    // Loads the skin library; without it, tells the user (in a box captioned
    // failureCaption) and asks the application to terminate. True when loaded.
    bool loadSkinLibrary(const char* failureCaption);

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
    void Released(ui::Image& image) const { loadSkinBitmap(image, kReleasedFace); }
    void Pressed(ui::Image& image) const { loadSkinBitmap(image, kPressedFace); }

private:
    win32::UniqueModule SkinLibrary;  // freed when the window is destroyed
};

// Layout shared by the borderless wizard pages.
ui::FormDesign pageDesign(const char* className, int clientWidth, int clientHeight);

}  // namespace tavrix::installer
