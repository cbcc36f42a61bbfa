// The about box: what the installer is and who makes it.
#pragma once

#include "installer/InstallerName.h"
#include "installer/SkinnedForm.h"
#include "installer/ui/Control.h"

namespace tavrix::installer {

inline constexpr const char* kMakerAddress = "support@example.com";

class TAbout : public SkinnedForm {
public:
    TAbout();
    ~TAbout() override;

    void Label7Click() const;
    void Image2Click() { close(); }

    ui::Image Image1{*this, 0, 0, 272, 164};
    ui::Label Label1{
        *this,
        {.left = 24, .top = 24, .text = kInstallerName, .font = ui::Font::points("MS Sans Serif", 8, true)}};
    ui::Label Label2{*this, {.left = 134, .top = 24, .text = "ver 2.00"}};
    ui::Bevel Bevel1{*this, 24, 40, 225, 2, ui::BevelShape::TopLine};
    ui::Label Label3{*this, {.left = 24, .top = 48, .text = "Copyright (C) Tavrix. All rights reserved."}};
    ui::Label Label5{*this, {.left = 24, .top = 64, .text = "Made by Tavrix for add-on makers and pilots."}};
    ui::Label Label6{*this, {.left = 24, .top = 88, .text = "E-mail:"}};
    ui::Label Label7{*this, {.left = 64, .top = 88, .text = kMakerAddress}};
    ui::Image Image2{*this, 197, 128, 64, 25};
    ui::Label Label11{*this, {.left = 222, .top = 134, .text = "OK", .accelerator = 'O'}};

protected:
    void FormShow() override;
};

extern TAbout* About;

}  // namespace tavrix::installer
