// The authors dialog: up to three authors of the add-on, with mail links.
#pragma once

#include <string>

#include "installer/SkinnedForm.h"
#include "installer/ui/Control.h"
#include "installer/ui/StandardControls.h"

namespace tavrix::installer {

class TForm2 : public SkinnedForm {
public:
    TForm2();
    ~TForm2() override;

    void Close1Click() { close(); }
    // A click on an address writes a new mail to exactly that address.
    void mailTo(const ui::Label& link) const;

    std::string AuthorMail1, AuthorName1, AuthorMail2, AuthorName2, AuthorMail3, AuthorName3;

    ui::Panel Panel1{*this, 0, 0, 387, 25};
    ui::Image Image1{Panel1, 0, 0, 387, 25};
    ui::Image Image5{Panel1, 0, 0, 0, 0, true};
    ui::Label Label1{Panel1,
                     {.left = 32,
                      .top = 6,
                      .text = "Author(s)",
                      .font = ui::Font::points("Arial", 8, true),
                      .color = ui::kBlack}};
    ui::FlatButton Close1;
    ui::Bevel Bevel1{*this, 0, 25, 387, 2, ui::BevelShape::TopLine};
    ui::Image Image2{*this, 0, 27, 387, 200};
    ui::Image Image4{*this, 0, 32, 0, 0, true};
    ui::Label Label3{*this, {.left = 168, .top = 40, .font = nameFont()}};
    ui::Label Label4{*this, {.left = 168, .top = 56, .font = nameFont()}};
    ui::Label Label5{*this, {.left = 168, .top = 88, .font = nameFont()}};
    ui::Label Label6{*this, {.left = 168, .top = 104, .font = nameFont()}};
    ui::Label Label7{*this, {.left = 168, .top = 136, .font = nameFont()}};
    ui::Label Label8{*this, {.left = 168, .top = 152, .font = nameFont()}};
    ui::Image Image3{*this, 312, 193, 64, 25};
    ui::Label Label2{*this, {.left = 337, .top = 199, .text = "OK", .accelerator = 'O'}};

protected:
    void FormShow() override;

private:
    static ui::Font nameFont() { return ui::Font::points("Arial", 10); }
};

extern TForm2* Form2;

// Shared by the authors dialog and the about box.
inline constexpr int kHandCursor = 5;
// Loads the program's hand cursor and installs it as custom cursor 5.
HCURSOR installHandCursor();
// The shell opens a new mail to an address, with no window of its own.
void openMail(const std::string& address);
// A fixed dialog whose caption bar is replaced by drawn controls; the caption
// text still names it (task list, window searches).
ui::FormDesign fixedDialogDesign(const char* className, const char* caption, int clientWidth,
                                 int clientHeight, ui::Font font);
// The program's own glyph on the drawn caption's close button.
inline constexpr const char* kCloseGlyph = "CLOSEGLYPH";

}  // namespace tavrix::installer
