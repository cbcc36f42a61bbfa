// The ready page: the last stop before the installation starts.
#pragma once

#include "installer/WizardPage.h"

namespace tavrix::installer {

class TForm5 : public NavigationPage {
public:
    TForm5();
    ~TForm5() override;

    void Image3Click() override;
    void Image4Click() override;

    ui::Label Label4{*this, {.left = 128, .top = 24, .text = "Start Installation", .font = headingFont()}};
    ui::Label Label6{*this, {.left = 128, .top = 80, .text = "You are now ready to install:"}};
    ui::Label Label5{*this, {.left = 128, .top = 96, .text = "Label5", .font = boldFont()}};
    ui::Label Label7{*this,
                     {.left = 128,
                      .top = 128,
                      .width = 271,
                      .height = 26,
                      .text = "Press the Next button to begin the installation or the Back\r\n"
                              "button to reenter the installation information.",
                      .wordWrap = true}};

protected:
    void FormShow() override;
};

extern TForm5* Form5;

}  // namespace tavrix::installer
