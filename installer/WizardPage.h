// The frame the wizard pages share: background, side picture, separator,
// heading, and the page's move to another page.
#pragma once

#include "installer/SkinnedForm.h"
#include "installer/ui/Control.h"

namespace tavrix::installer {

class WizardPage : public SkinnedForm {
public:
    // Embeds a page in the main window's page area and shows it.
    friend void ShowPage(WizardPage& page);

protected:
    WizardPage(const char* className, int clientWidth, int clientHeight);

    // Loads the frame's bitmaps: background and side picture.
    void loadBackground() { loadSkinBitmap(Image1, "QForm"); }
    void loadSidePicture() { loadSkinBitmap(Image5, "welcome"); }

    // Cancel of a page: its own face back to released, then the main
    // window's quit request.
    void cancelFrom(ui::Image& cancelImage);

public:
    ui::Image Image1{*this, 0, 0, 421, 299};
    ui::Image Image5{*this, 0, 8, 110, 231, true};
    ui::Bevel Bevel2{*this, 112, 24, 2, 217, ui::BevelShape::LeftLine};
};

inline constexpr ui::Font headingFont() {
    return ui::Font::points("MS Sans Serif", 14);
}
inline constexpr ui::Font boldFont() {
    return ui::Font::points("MS Sans Serif", 8, true);
}

void ShowPage(WizardPage& page);

}  // namespace tavrix::installer

namespace tavrix::installer {

// A page with Cancel, "<< Back" and "Next >>" along the bottom.
class NavigationPage : public WizardPage {
public:
    void Image2Click() { cancelFrom(Image2); }  // Cancel
    virtual void Image3Click() = 0;             // Next >>
    virtual void Image4Click() = 0;             // << Back

    ui::Image Image2{*this, 16, 264, 64, 25};
    ui::Label Label2{*this, {.left = 33, .top = 270, .text = "Cancel", .accelerator = 'C'}};
    ui::Image Image4{*this, 272, 264, 64, 25};
    ui::Label Label3{*this, {.left = 285, .top = 270, .text = "<< Back", .accelerator = 'B'}};
    ui::Image Image3{*this, 344, 264, 64, 25};
    ui::Label Label1{*this, {.left = 358, .top = 270, .text = "Next >>", .accelerator = 'N'}};

protected:
    NavigationPage(const char* className, int clientWidth, int clientHeight);
    // Bitmaps in the order the pages load them: background, the three
    // buttons, side picture.
    void loadFrameBitmaps();
};

}  // namespace tavrix::installer
