// The welcome page: names the add-on about to be installed.
#pragma once

#include "installer/WizardPage.h"

namespace tavrix::installer {

class TForm3 : public NavigationPage {
public:
    TForm3();
    ~TForm3() override;

    void Image3Click() override;
    void Image4Click() override;
    void Image6Click();  // Author(s)

    ui::Label Label7{*this, {.left = 128, .top = 24, .text = "Welcome", .font = headingFont()}};
    ui::Label Label5{*this, {.left = 128, .top = 50, .text = "This installation will install:"}};
    ui::Label Label6{*this, {.left = 128, .top = 64, .font = ui::Font::points("Arial", 8, true)}};
    ui::Label Label4;
    ui::Image Image6{*this, 88, 264, 64, 25};
    ui::Label Label8{*this, {.left = 100, .top = 270, .text = "Author(s)", .accelerator = 'u'}};

protected:
    void FormShow() override;
};

extern TForm3* Form3;

}  // namespace tavrix::installer
