#include "installer/Build4.h"

#include "installer/InstallerName.h"
#include "installer/Unit2.h"

namespace tavrix::installer {

TAbout* About = nullptr;

TAbout::TAbout()
    : SkinnedForm(fixedDialogDesign("Tavrix Builder", kAboutInstallerCaption, 272, 164,
                                    ui::Font::points("MS Sans Serif", 8))) {
    bindImageButton(Image2, Label11, {.click = [this] { Image2Click(); }});
    keyboard.defaultButton = &Image2;
    keyboard.cancelButton = &Image2;
    Label7.onMouseMove = [this](int, int) { Label7.setColor(ui::kNavy); };
    Label7.onClick = [this] { Label7Click(); };
    Image1.onMouseMove = [this](int, int) { Label7.setColor(ui::kBlack); };

    if (!loadSkinLibrary("Tavrix Builder")) return;
    loadSkinBitmap(Image1, "QForm");
    loadSkinBitmap(Image2, kReleasedFace);
}

TAbout::~TAbout() {
    About = nullptr;
}

void TAbout::FormShow() {
    Label7.cursor = installHandCursor();
}

// The address is fixed; it is not taken from the label.
void TAbout::Label7Click() const {
    openMail(kMakerAddress);
}

}  // namespace tavrix::installer
