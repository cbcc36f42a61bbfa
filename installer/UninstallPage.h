// The uninstaller's page, in the installer's frame: names the add-on and its
// folder, removes what the installation record says was installed (each file
// only while it is as installed), and says what it kept.
#pragma once

#include <string>

#include "installer/InstallRecord.h"
#include "installer/RecordKeeping.h"
#include "installer/WizardPage.h"
#include "installer/ui/StandardControls.h"

namespace tavrix::installer {

// The frame's Cancel (left), and Next (right) as Uninstall, then Finish; no
// Back.
class TUninstallPage : public NavigationPage, private RemovalProgress {
public:
    TUninstallPage();
    ~TUninstallPage() override;

    void Image3Click() override;  // Uninstall, then Finish
    void Image4Click() override {}
    // The quit request (Cancel, the close button, Esc, Finish): the program
    // ends, unless files are being removed; once they are, the uninstaller's
    // own folder goes after the end.
    void quit();

    static constexpr int kBarSteps = 1000;
    ui::Label Label5{*this, {.left = 128, .top = 24, .text = "Uninstall", .font = headingFont()}};
    ui::Label Label7{*this, {.left = 128, .top = 80, .font = boldFont()}};
    ui::Label Label6{*this, {.left = 128, .top = 96, .width = 271, .height = 120, .wordWrap = true}};
    ui::ProgressBar ProgressBar1{*this, 128, 224, 273, 16, 0, kBarSteps};

protected:
    void FormShow() override;

private:
    enum class State { Confirm, Removing, Done, Refused };
    void refuse(const std::string& why);
    void filesDone(std::size_t count) override;
    // Leaves the folder to the script that deletes the program once it has ended.
    void removeOwnFolderAfterTheEnd() const;

    State state_ = State::Confirm;
    std::string destination_;
    InstallRecord record_;
};

extern TUninstallPage* UninstallPage;

// Whether the program was started as an add-on's uninstaller: from a folder
// that holds an installation record and no package archive.
bool startedAsUninstaller(const std::string& programFolder);

}  // namespace tavrix::installer
