// The main window: the frame with its drawn title bar and page area, and
// the agreement page lying in that page area.
#pragma once

#include <string>

#include "installer/InstallerName.h"
#include "installer/SkinnedForm.h"
#include "installer/ui/Control.h"
#include "installer/ui/StandardControls.h"

namespace tavrix::installer {

class TForm1 : public SkinnedForm {
public:
    TForm1();
    ~TForm1() override;

    // Quit request of the title bar, the agreement page and every Cancel.
    void Close1Click();
    void Panel1MouseDown(ui::MouseButton button);
    void Image3Click();  // Accept
    void Image6Click();  // Author(s)
    void About1Click();

    std::string SplashFile;

    ui::Panel Panel1{*this, 0, 0, 421, 25};
    ui::Image Image1{Panel1, 0, 0, 457, 25};
    ui::Image Image5{Panel1, 0, 0, 0, 0, true};
    ui::Label Label1{Panel1,
                     {.left = 32,
                      .top = 6,
                      .text = kInstallerName,
                      .font = ui::Font::points("Arial", 8, true),
                      .color = ui::kBlack}};
    ui::FlatButton Close1;
    ui::Bevel Bevel1{*this, 0, 25, 421, 2, ui::BevelShape::TopLine};
    ui::Panel Panel2{*this, 0, 27, 421, 299};
    ui::Image Image2{Panel2, 0, 0, 421, 299};
    ui::Label Label4{Panel2, {.left = 16, .top = 24, .text = "NOTE: Please read before you continue"}};
    ui::Label Label6{Panel2,
                     {.left = 408,
                      .top = 24,
                      .font = ui::Font::points("MS Sans Serif", 8, true),
                      .alignment = ui::Alignment::Right}};
    ui::Memo Memo1{Panel2, 16, 48, 393, 201};
    ui::Image Image6{Panel2, 16, 264, 64, 25};
    ui::Label Label5{Panel2, {.left = 28, .top = 270, .text = "Author(s)", .accelerator = 'u'}};
    ui::Image Image3{Panel2, 272, 264, 64, 25};
    ui::Label Label3{Panel2, {.left = 288, .top = 270, .text = "Accept", .accelerator = 'A'}};
    ui::Image Image4{Panel2, 344, 264, 64, 25};
    ui::Label Label2{Panel2, {.left = 360, .top = 270, .text = "Cancel", .accelerator = 'C'}};
    ui::PopupMenu PopupMenu1;

    // Keys go to the page on show, if any: its controls lie over the
    // agreement page's.
    Form* keyboardTarget() override;

protected:
    void FormShow() override;
    // Closing by the system (Alt+F4) asks first, as the close button does.
    void closeRequested() override { Close1Click(); }
};

extern TForm1* Form1;

// Yes/no question before quitting; true when the user answers Yes.
bool ConfirmQuit(const std::string& text);

}  // namespace tavrix::installer
