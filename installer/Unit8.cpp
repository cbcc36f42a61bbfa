#include "installer/Unit8.h"

#include "installer/Unit1.h"

namespace tavrix::installer {

TForm8* Form8 = nullptr;

namespace {
ui::FormDesign splashDesign() {
    ui::FormDesign design;
    design.className = "TForm8";
    design.style = WS_POPUP;
    design.clientWidth = 384;
    design.clientHeight = 265;
    design.centred = true;
    return design;
}
}  // namespace

TForm8::TForm8() : ui::Form(splashDesign()) {
    Panel1.bevelOuter = ui::PanelBevel::Lowered;
    Panel1.bevelInner = ui::PanelBevel::Raised;
}

TForm8::~TForm8() {
    Form8 = nullptr;
}

void TForm8::setSize(int width, int height) {
    Control::setBounds(left(), top(), width, height);
    ::SetWindowPos(handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Panel1.setBounds(0, 0, width, height);
}

void TForm8::FormShow() {
    Timer1.setEnabled(true);
    // Shown at most once per run.
    Form1->SplashFile.clear();
}

void TForm8::Timer1Timer() {
    Timer1.setEnabled(false);
    close();
    Form1->show();
    Form1->bringToFront();
}

}  // namespace tavrix::installer
