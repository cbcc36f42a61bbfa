#include "Unit5.h"

#include "InstallerName.h"
#include "PackageFiles.h"
#include "Unit4.h"
#include "Unit6.h"

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
