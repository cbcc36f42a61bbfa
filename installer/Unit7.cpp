#include "installer/Unit7.h"

#include "installer/DestinationRules.h"
#include "installer/Installation.h"
#include "installer/InstallerName.h"
#include "installer/PackageFiles.h"
#include "installer/TextFile.h"
#include "installer/TextLines.h"
#include "installer/Uninstall.h"
#include "installer/Unit4.h"
#include "installer/ui/Application.h"

namespace tavrix::installer {

TForm7* Form7 = nullptr;

TForm7::TForm7() : WizardPage("TForm7", 418, 295) {
    bindImageButton(Image2, Label2, {.click = [this] { Image2Click(); }});
    // The installation is over: Esc closes the page as Finish does.
    keyboard.defaultButton = &Image2;
    keyboard.cancelButton = &Image2;
    if (!loadSkinLibrary(kInstallerName)) return;
    loadBackground();
    Released(Image2);
    loadSidePicture();
}

TForm7::~TForm7() {
    Form7 = nullptr;
}

void TForm7::FormShow() {
    // The information file is written 500 ms after the page shows: reading
    // the description here is part of that wait, not added to it.
    Timer1.setEnabled(true);
    PackageDescription package;
    Label1.setText(package.read("Title", "hl", Label1.text()));
    AuthorName1 = package.read("Authors", "2", AuthorName1);
    AuthorMail1 = package.read("Authors", "1", AuthorMail1);
    AuthorName2 = package.read("Authors", "4", AuthorName2);
    AuthorMail2 = package.read("Authors", "3", AuthorMail2);
    AuthorName3 = package.read("Authors", "6", AuthorName3);
    AuthorMail3 = package.read("Authors", "5", AuthorMail3);
    AddonTitle = package.read("Title", "hl", AddonTitle);
    AddonType = package.read("Addon", "Type", AddonType);
    const Installation& installation = currentInstallation();
    if (installation.begun()) {
        Label7.setText(
            uninstallerText(recordFolderPath(installation.destination(), installation.record().title)));
        Label8.setText(installation.registered());
    }
}

void TForm7::Timer1Timer() {
    Timer1.setEnabled(false);
    const InformationFile info{AddonTitle,
                               AddonType,
                               {AuthorName1, AuthorName2, AuthorName3},
                               {AuthorMail1, AuthorMail2, AuthorMail3}};
    const std::string text = informationFileText(info);
    InfoLines = splitLines(text);
    const TextResult<> saved = saveTextFile(Form4->Edit1.text() + "\\Ostrel.txt", text);
    if (!saved) return ui::Application::instance().showError(saved.failure());
    // The record is complete with the information file in it (one that
    // cannot be written keeps what it held, as the installation page says).
    (void)currentInstallation().complete(true);
}

void TForm7::setMissingFiles(int count) {
    missingFiles_ = count;
    Label5.setText(completionHeading(count));
    Label6.setText(completionSentence(count));
}

// No confirmation: the installation is over. The information file is
// written first if the timer has not written it yet.
void TForm7::Image2Click() {
    if (Timer1.enabled()) Timer1Timer();
    ui::Application::instance().terminate();
}

}  // namespace tavrix::installer
