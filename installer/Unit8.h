// The splash window: the package's picture for two seconds before the main
// window comes up.
#pragma once

#include "installer/ui/Form.h"

namespace tavrix::installer {

class TForm8 : public ui::Form {
public:
    TForm8();
    ~TForm8() override;

    // The window takes the picture's size; the picture sits 2 pixels in,
    // inside the panel's bevel, so its right and bottom 2 pixels are cut off.
    void setSize(int width, int height);
    void Timer1Timer();

    ui::Panel Panel1{*this, 0, 0, 384, 265};
    ui::Image Image1{Panel1, 2, 2, 0, 0, true};
    ui::Timer Timer1{*this, 2000, [this] { Timer1Timer(); }};

protected:
    void FormShow() override;
};

extern TForm8* Form8;

}  // namespace tavrix::installer
