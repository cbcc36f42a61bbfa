#include "installer/UninstallPage.h"

#include <windows.h>

#include "common/win32/PathExists.h"
#include "installer/InstallerName.h"
#include "installer/PackageFiles.h"
#include "installer/RecordKeeping.h"
#include "installer/TextFile.h"
#include "installer/Uninstall.h"
#include "installer/ui/Application.h"

namespace tavrix::installer {

TUninstallPage* UninstallPage = nullptr;

bool startedAsUninstaller(const std::string& programFolder) {
    return win32::fileExists(pathBelow(programFolder, kRecordFileName)) &&
           !win32::fileExists(packageArchive(programFolder));
}

TUninstallPage::TUninstallPage() : NavigationPage("TUninstallPage", 421, 299) {
    Label1.setText("Uninstall");
    Image4.setVisible(false);
    Label3.setVisible(false);
    if (!loadSkinLibrary(kInstallerName)) return;
    loadFrameBitmaps();
}

TUninstallPage::~TUninstallPage() {
    UninstallPage = nullptr;
}

void TUninstallPage::FormShow() {
    // The record's folder must not stay the current folder: it goes at the end.
    ::SetCurrentDirectoryA(temporaryFolder().c_str());
    TextResult<InstallRecord> record = loadRecord(programFolder());
    if (!record) return refuse(record.failure());
    record_ = std::move(*record);
    // A record that is not in the folder its title gives (copied elsewhere,
    // or its title edited) is no guide to what lies around it.
    destination_ = destinationOfRecordFolder(programFolder(), record_.title);
    if (destination_.empty()) return refuse(kDamagedRecordText);
    // A package without a title was recorded under the folder name "Add-on".
    Label7.setText(record_.title.empty() ? recordFolderName(record_.title) : record_.title);
    Label6.setText("will be removed from " + destination_ + ". Files it replaced are put back.");
}

void TUninstallPage::refuse(const std::string& why) {
    state_ = State::Refused;
    Label6.setText(why);
    Image3.setVisible(false);
    Label1.setVisible(false);
}

void TUninstallPage::quit() {
    if (state_ == State::Removing) return;
    if (state_ == State::Done) removeOwnFolderAfterTheEnd();
    ui::Application::instance().terminate();
}

void TUninstallPage::Image3Click() {
    if (state_ == State::Done) return quit();
    if (state_ != State::Confirm) return;
    state_ = State::Removing;
    Label5.setText(kUninstallingHeading);
    Image2.setVisible(false);
    Label2.setVisible(false);
    ::UpdateWindow(handle());
    const TakenAway taken = takeAway(destination_, record_, true, this);
    ProgressBar1.setPosition(kBarSteps);
    state_ = State::Done;
    Label5.setText(kUninstalledHeading);
    Label6.setText(uninstalledText(taken.keptFiles));
    Label1.setText("Finish");
}

void TUninstallPage::filesDone(std::size_t count) {
    ProgressBar1.setPosition(static_cast<int>(count * kBarSteps / record_.files.size()));
    ui::Application::instance().processMessages();
}

void TUninstallPage::removeOwnFolderAfterTheEnd() const {
    const std::string script =
        temporaryFolder() + "TavrixUninstall" + zeroPadded(::GetCurrentProcessId()) + ".bat";
    if (!saveTextFile(script, selfRemovalScript(programFolder(), record_, ::GetACP()))) return;
    std::string command = "cmd.exe /c \"" + script + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                         &startup, &process)) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
}

}  // namespace tavrix::installer
