#include "installer/Unit6.h"

#include <algorithm>
#include <cstdint>

#include "common/win32/DiskSpace.h"
#include "common/win32/MessageBoxSeam.h"
#include "installer/Installation.h"
#include "installer/InstallerName.h"
#include "installer/PackageFiles.h"
#include "installer/PackageRegistration.h"
#include "installer/SpaceCheck.h"
#include "installer/Unit1.h"
#include "installer/Unit4.h"
#include "installer/Unit7.h"
#include "installer/ui/Application.h"

namespace tavrix::installer {

TForm6* Form6 = nullptr;

namespace {
constexpr unsigned kMessageIntervalMs = 40;
}  // namespace

TForm6::TForm6() : WizardPage("TForm6", 414, 295), ArchiveBuilder1(Form1 ? Form1->handle() : nullptr) {
    bindImageButton(Image2, Label2, {.click = [this] { Image2Click(); }});
    // No forward button here: Enter does nothing.
    keyboard.cancelButton = &Image2;
    if (!loadSkinLibrary(kInstallerName)) return;

    ArchiveBuilder1.SetVerbose(true);
    ArchiveBuilder1.SetExtrOptions({archive::ExtrDirNames});
    ArchiveBuilder1.SetAddOptions(
        {archive::AddDirNames, archive::AddRecurseDirs, archive::AddHiddenFiles, archive::AddSeparateDirs});
    ArchiveBuilder1.SetSFXOptions({archive::SFXCheckSize});
    ArchiveBuilder1.SetSFXCaption("Self-extracting Archive");
    // The engine calls back for every file and chunk; the page repaints and
    // hears Cancel as well at a few dozen times a second, and the extraction
    // keeps the time (the bars themselves redraw at most every 250 ms).
    ArchiveBuilder1.SetMessageInterval(kMessageIntervalMs);
    ArchiveBuilder1.OnProgress = archive::BindEvent(&TForm6::ArchiveBuilder1Progress, this);
    ArchiveBuilder1.OnMessage = archive::BindEvent(&TForm6::ArchiveBuilder1Message, this);
    // The engine is loaded once, now. A missing library is reported by the
    // component itself and start-up goes on; loading raises nothing (the
    // component is built without exceptions), so there is no other failure
    // to end the program for.
    ArchiveBuilder1.Load_Unpack_Dll();

    loadBackground();
    Released(Image2);
    loadSidePicture();
}

TForm6::~TForm6() {
    ArchiveBuilder1.Unload_Unpack_Dll();
    Form6 = nullptr;
}

void TForm6::FormShow() {
    // The extraction starts 100 ms after the archive is named: the time its
    // listing takes is part of that wait, not added to it.
    const DWORD named = ::GetTickCount();
    ArchiveBuilder1.SetZipFileName(packageArchive(programFolder()));
    listedBytes_ = 0;
    listedFiles_ = 0;
    for (const archive::ZipDirEntry& entry : ArchiveBuilder1.DirEntries()) {
        listedBytes_ += entry.uncompressedSize;  // in full, from the ZIP64 field where there is one
        if (!entry.fileName.empty() && entry.fileName.back() != '\\') ++listedFiles_;
    }
    Timer1.startCountingFrom(named);
}

bool TForm6::roomForPackage(std::uint64_t bytes) {
    const std::string folder = ArchiveBuilder1.ExtrBaseDir();
    for (;;) {
        const win32::DiskSpace space = win32::diskSpaceOf(folder);
        if (roomFor(bytes, space.freeBytes)) return true;
        const int answer = win32::showMessageBox(Form1 ? Form1->handle() : handle(),
                                                 notEnoughSpaceText(driveOf(folder), bytes, space.freeBytes),
                                                 kInstallerName, MB_RETRYCANCEL | MB_ICONWARNING);
        if (answer == IDRETRY) continue;
        backToDestination();
        return false;
    }
}

void TForm6::Timer1Timer() {
    Timer1.setEnabled(false);
    // Started again while an extraction runs: the component ignores it, and
    // what the page gathers belongs to the running one.
    if (ArchiveBuilder1.UnpackEngineBusy()) {
        ArchiveBuilder1.Extract();
        return;
    }
    // Without an engine, or without entries, Extract only reports why.
    if (!ArchiveBuilder1.UnpackDllHandle() || ArchiveBuilder1.DirEntries().empty()) {
        ArchiveBuilder1.Extract();
        return reportIfTheEngineGaveUp();
    }
    Installation& installation = currentInstallation();
    // The record goes by the folder the engine extracts into.
    if (installation.destination() != ArchiveBuilder1.ExtrBaseDir())
        installation.chooseDestination(ArchiveBuilder1.ExtrBaseDir(), 0);
    std::vector<PackageEntry> entries;
    for (const archive::ZipDirEntry& entry : ArchiveBuilder1.DirEntries())
        entries.push_back({entry.fileName, entry.uncompressedSize, entry.header.crc32});
    const PackageDescription package;
    const TextResult<Registration> registration = readRegistration(
        [&](const char* section, const char* key) { return package.read(section, key, ""); });
    if (!registration) {
        showWarning(registration.failure());
        return backToDestination();
    }
    // A repaint is an add-on of its own in its aircraft's folder, beside
    // the aircraft's record: its record goes by the repaint's title.
    installation.plan(registration->repaint ? registration->repaint->title : package.read("Title", "hl", ""),
                      entries);
    keepNewerCopies(installation);
    bool replacing = false;
    if (const int inTheWay = installation.filesInTheWay(); inTheWay > 0) {
        const int answer = win32::showMessageBox(Form1 ? Form1->handle() : handle(),
                                                 replaceQuestionText(inTheWay, installation.newerKept()),
                                                 kInstallerName, MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer != IDYES && answer != IDNO) return backToDestination();
        replacing = answer == IDYES;
    }
    // Nothing is extracted unless every file to be written fits.
    if (!roomForPackage(installation.bytesToWrite(replacing))) return;
    // Nor before the record of what will be written is on disk.
    if (const TextResult<> begun = installation.begin(replacing); !begun) {
        showWarning(extractionFailedText(begun.failure()));
        return backToDestination();
    }
    keptFiles_ = 0;
    // The engine keeps the newer copies there; the question named them.
    sameFiles_ = installation.sameFiles() + static_cast<int>(installation.newerKept().size());
    lastFailure_.clear();
    batchEnded_ = false;
    ArchiveBuilder1.Extract();
    // A confirmed quit: everything this installation did is taken back
    // before the program ends.
    if (ui::Application::instance().terminateRequested()) {
        Label5.setText("Restoring...");
        Label6.setText("Please wait while the destination folder is restored.");
        ::UpdateWindow(handle());
        installation.cancel();
        return;
    }
    if (batchEnded_) {
        // The engine's own count of the files it wrote is known only now.
        const int unwritten = listedFiles_ - ArchiveBuilder1.ProcessedCount() - keptFiles_;
        reportExtractionProblems();
        Form7->setMissingFiles(std::max(failedFiles(), unwritten));
        installation.registerAddOn(*registration, simulatorFolderOf(Form4->SimulatorVersion));
        // A record that cannot be brought up to date (a drive the extraction
        // filled) still holds what it held at the start, every file the
        // installation meant to write: an uninstall goes by that one.
        (void)installation.complete(false);
        ShowPage(*Form7);
        close();
        return;
    }
    // An extraction that never reached the end of its batch (a set whose
    // volumes could not be joined, an archive the engine gave up on) leaves
    // nothing behind either.
    installation.cancel();
    reportIfTheEngineGaveUp();
}

void TForm6::keepNewerCopies(Installation& installation) {
    const std::vector<std::string> names = installation.versionedInTheWay();
    // A spanned set would be joined again, asking for every disk.
    if (names.empty() || ArchiveBuilder1.SpannedArchive()) return;
    const std::string destination = ArchiveBuilder1.ExtrBaseDir();
    const std::string copies = temporaryFolder() + "~tvxver" + zeroPadded(::GetCurrentProcessId());
    ::CreateDirectoryA(copies.c_str(), nullptr);
    ArchiveBuilder1.SetExtrBaseDir(copies);
    ArchiveBuilder1.SetFSpecArgs(names);
    ArchiveBuilder1.Extract();
    ArchiveBuilder1.SetExtrBaseDir(destination);
    ::SetCurrentDirectoryA(destination.c_str());  // the copies' folder goes
    installation.keepNewerCopies(copies);
    for (const std::string& name : names) ::DeleteFileA(pathBelow(copies, name).c_str());
    removeFoldersOf(copies, names);
}

void TForm6::reportIfTheEngineGaveUp() {
    // An engine that gave up before the end of the batch (an archive it
    // cannot read) would otherwise leave the page at "Installing..." without
    // a word. So would a spanned package whose volumes could not all be had
    // (a cancelled disk prompt among them).
    if (ArchiveBuilder1.EngineErrorCount() > 0 || isSpanningFailure(ArchiveBuilder1.LastErrCode()))
        showWarning(extractionFailedText(lastFailure()));
}

void TForm6::backToDestination() {
    ShowPage(*Form4);
    close();
}

void TForm6::stopExtraction() {
    if (ArchiveBuilder1.UnpackEngineBusy()) ArchiveBuilder1.SetCancel(true);
}

void TForm6::ArchiveBuilder1Progress(archive::TArchiveBuilder*, archive::ProgressType type,
                                     const std::string&, long fileSize) {
    // The engine's sizes are unsigned 32-bit values.
    const auto size = static_cast<std::uint32_t>(fileSize);
    switch (type) {
        case archive::pgFileStart:
            ProgressBar1.setPosition(kBarMinimum);
            progress_.fileStart(size);
            break;
        case archive::pgAdvance:
            progress_.advance(size);
            ProgressBar1.setPosition(progress_.filePosition());
            if (auto batch = progress_.batchPosition()) ProgressBar2.setPosition(*batch);
            break;
        case archive::pgBatchEnd:
            // A spanned package is first joined from its volumes: the end
            // of that batch is not the end of the installation.
            if (ArchiveBuilder1.Joining()) {
                ProgressBar1.setPosition(kBarMinimum);
                ProgressBar2.setPosition(kBarMinimum);
                break;
            }
            // The completion page follows once Extract has returned, with
            // the engine off the stack.
            batchEnded_ = true;
            ProgressBar1.setPosition(kBarMinimum);
            ProgressBar2.setPosition(kBarMinimum);
            break;
        case archive::pgFileCount:
            break;
        case archive::pgByteCount:
            ProgressBar2.setPosition(kBarMinimum);
            progress_.batchTotal(widenedBatchTotal(size, listedBytes_));
            break;
    }
}

// Engine messages carry their code; the component's own carry 0.
void TForm6::ArchiveBuilder1Message(archive::TArchiveBuilder*, int errCode, const std::string& message) {
    if (errCode == 0 || !ArchiveBuilder1.UnpackEngineBusy()) return;
    if (errCode == kFileKeptEngineCode)
        ++keptFiles_;
    else
        lastFailure_ = message;
}

std::string TForm6::lastFailure() const {
    return lastFailure_.empty() ? ArchiveBuilder1.LastMessage() : lastFailure_;
}

void TForm6::showWarning(const std::string& text) const {
    win32::showMessageBox(Form1 ? Form1->handle() : handle(), text, kInstallerName, MB_OK | MB_ICONWARNING);
}

int TForm6::failedFiles() const {
    const int engineErrors = std::max(ArchiveBuilder1.EngineErrorCount(), 0);
    return engineErrors - std::min(keptFiles_, engineErrors);
}

void TForm6::reportExtractionProblems() {
    const int engineErrors = ArchiveBuilder1.EngineErrorCount();
    if (engineErrors <= 0) return;
    ExtractionOutcome outcome;
    // The engine keeps a file that is already there with the package's
    // contents too; that one is no news.
    outcome.keptFiles = std::max(std::min(keptFiles_, engineErrors) - sameFiles_, 0);
    outcome.failedFiles = failedFiles();
    outcome.lastFailure = lastFailure();
    // Files kept with the package's contents, or named by the question, are no news.
    if (const std::string text = extractionProblemsText(outcome); !text.empty()) showWarning(text);
}

}  // namespace tavrix::installer
