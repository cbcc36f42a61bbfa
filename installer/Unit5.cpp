#include "installer/Unit5.h"

#include "installer/InstallerName.h"
#include "installer/PackageFiles.h"
#include "installer/Unit4.h"
#include "installer/Unit6.h"

namespace tavrix::installer {

TForm5* Form5 = nullptr;

TForm5::TForm5() : NavigationPage("TForm5", 417, 296) {
    if (!loadSkinLibrary(kInstallerName)) return;
    loadFrameBitmaps();
}

TForm5::~TForm5() {
    Form5 = nullptr;
}

void TForm5::FormShow() {
    Label5.setText(PackageDescription().read("Title", "hl", Label5.text()));
}

void TForm5::Image3Click() {
    ShowPage(*Form6);
    close();
}

void TForm5::Image4Click() {
    ShowPage(*Form4);
    close();
}

}  // namespace tavrix::installer
