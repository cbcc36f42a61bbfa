#include "installer/Unit3.h"

#include "installer/PackageFiles.h"
#include "installer/Unit1.h"
#include "installer/Unit2.h"
#include "installer/Unit4.h"

namespace tavrix::installer {

TForm3* Form3 = nullptr;

namespace {
constexpr const char* kNotice =
    "It is strongly recommended that you exit all Windows \r\n"
    "programs before running this Setup Program.\r\n"
    "\r\n"
    "Click Cancel to quit Setup and close any programs you \r\n"
    "have running. Click Next to continue with the Setup \r\n"
    "program.\r\n"
    "\r\n"
    "The add-on is copied into the folder you choose on the \r\n"
    "next page; nothing else on your computer is changed.";
}  // namespace

TForm3::TForm3()
    : NavigationPage("TForm3", 421, 298),
      Label4(*this,
             {.left = 128, .top = 88, .width = 281, .height = 161, .text = kNotice, .wordWrap = true}) {
    // Offered here only when the package has no agreement text to skip.
    Image6.setVisible(false);
    Label8.setVisible(false);
    bindImageButton(Image6, Label8, {.click = [this] { Image6Click(); }});
    keyboard.moveLastTo(1);  // after Cancel, as it lies

    if (!loadSkinLibrary("Morvane Setup")) return;
    loadFrameBitmaps();
    Released(Image6);
}

TForm3::~TForm3() {
    Form3 = nullptr;
}

void TForm3::FormShow() {
    Label6.setText(PackageDescription().read("Title", "hl", Label6.text()));
}

void TForm3::Image3Click() {
    ShowPage(*Form4);
    close();
}

void TForm3::Image4Click() {
    close();
}

void TForm3::Image6Click() {
    Released(Image6);
    Form2->showModal();
}

}  // namespace tavrix::installer
