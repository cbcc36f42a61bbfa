// The installation page with the real extraction engine: its layout, the
// progress it shows, the way it ends (completion page, warning about files
// not written, a quit in the middle), and a missing archive or engine.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "common/win32/DiskSpace.h"
#include "installer/InstallRecord.h"
#include "installer/PackageFiles.h"
#include "installer/RecordKeeping.h"
#include "installer/SceneryLibrary.h"
#include "installer/Startup.h"
#include "installer/UninstallPage.h"
#include "installer/Unit1.h"
#include "installer/Unit4.h"
#include "installer/Unit6.h"
#include "installer/Unit7.h"
#include "tests/extract/FloppyDrive.h"
#include "tests/installer/InstallerFixture.h"

#include <commctrl.h>

namespace tavrix::installer::testing {
namespace {

using archive::TArchiveBuilder;

constexpr int kWarning = MB_OK | MB_ICONWARNING;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every folder (ending in "\\") and file below a folder with each file's
// contents: two trees are the same when these are.
using Tree = std::vector<std::pair<std::string, std::string>>;
void addTree(const std::string& folder, const std::string& prefix, Tree& tree) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree.emplace_back(prefix + name + "\\", "");
            addTree(folder + name + "\\", prefix + name + "\\", tree);
        } else {
            std::ifstream in(folder + name, std::ios::binary);
            tree.emplace_back(prefix + name, std::string(std::istreambuf_iterator<char>(in), {}));
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(tree.begin(), tree.end());
}
Tree treeOf(const std::string& folder) {
    Tree tree;
    addTree(folder + "\\", "", tree);
    return tree;
}
// Names only, for a readable failure.
std::vector<std::string> namesOf(const Tree& tree) {
    std::vector<std::string> names;
    for (const auto& entry : tree) names.push_back(entry.first);
    return names;
}

class InstallationTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        destination = package + "Dest";
        ::CreateDirectoryA(destination.c_str(), nullptr);
    }
    void TearDown() override {
        // Extract made the destination the current folder; let it be removed.
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        ::SetCurrentDirectoryA(temp);
        InstallerTest::TearDown();
    }

    // The windows, the destination chosen on its page, an archive.
    void start(const char* archive = "small.qzp") {
        useArchive(archive);
        createWindows();
        showMainWindow();
        Form4->Edit1.setText(destination);
        ASSERT_EQ(Form6->ArchiveBuilder1.ExtrBaseDir(), destination);
    }
    void useArchive(const char* archive) const {
        ::CopyFileA((std::string(TEST_ARCHIVES) + "\\" + archive).c_str(), (package + "Setup.qzp").c_str(),
                    FALSE);
    }
    // The program's message loop from the ready page's Next until `done`.
    template <typename Done>
    void installUntil(Done done) {
        ShowPage(*Form6);
        ui::Application& application = ui::Application::instance();
        while (!application.terminated() && !done()) application.handleMessage();
    }
    // The add-on's files in the destination, its record's folder left out.
    std::vector<std::string> installed() const {
        std::vector<std::string> names;
        for (const std::string& name : namesOf(treeOf(destination)))
            if (name.back() != '\\' && name.rfind("Uninstall\\", 0) != 0) names.push_back(name);
        return names;
    }
    // Lets a test act on the page's progress events as they arrive.
    void onProgress(std::function<void(archive::ProgressType)> spy) {
        Form6->ArchiveBuilder1.OnProgress = [spy](TArchiveBuilder* sender, archive::ProgressType type,
                                                  const std::string& name, long size) {
            Form6->ArchiveBuilder1Progress(sender, type, name, size);
            spy(type);
        };
    }
    static bool visible(const ui::Form* form) { return ::IsWindowVisible(form->handle()) != FALSE; }
    // A file in the destination, as the pilot (or another add-on) left it.
    void writeDestinationFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(destination + "\\" + name, std::ios::binary) << bytes;
    }

    // What the uninstaller's script does once the uninstaller has ended.
    void removeUninstallerFiles() const {
        for (const char* name : {"Corvinel.exe", "Velskin.dll"})
            ::DeleteFileA((destination + "\\Uninstall\\Add-on\\" + name).c_str());
    }

    std::string destination;
};

TEST_F(InstallationTest, PageLayoutAndComponentSettings) {
    start();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Form6->Label5.text(), "Installing...");
    EXPECT_EQ(Form6->Label6.text(), "Please wait while the files are being installed.");
    EXPECT_EQ(Form6->Label4.text(), "Progress");
    for (ui::ProgressBar* bar : {&Form6->ProgressBar2, &Form6->ProgressBar1}) {
        EXPECT_EQ(::SendMessageA(bar->handle(), PBM_GETRANGE, TRUE, 0), 1);
        EXPECT_EQ(::SendMessageA(bar->handle(), PBM_GETRANGE, FALSE, 0), 10001);
        EXPECT_EQ(bar->position(), 1);
    }
    EXPECT_EQ(Form6->ProgressBar2.top(), 160);
    EXPECT_EQ(Form6->ProgressBar1.top(), 184);
    EXPECT_FALSE(Form6->Timer1.enabled());
    EXPECT_EQ(Form6->Timer1.interval(), 100u);
    const TArchiveBuilder& component = Form6->ArchiveBuilder1;
    EXPECT_NE(component.UnpackDllHandle(), nullptr) << "loaded at start-up";
    EXPECT_TRUE(component.Verbose());
    EXPECT_EQ(component.ExtrOptions().bits(), archive::ExtrOpts{archive::ExtrDirNames}.bits());
    EXPECT_EQ(component.AddOptions().bits(),
              (archive::AddOpts{archive::AddDirNames, archive::AddRecurseDirs, archive::AddHiddenFiles,
                                archive::AddSeparateDirs}
                   .bits()));
    EXPECT_EQ(component.SFXCaption(), "Self-extracting Archive");
}

TEST_F(InstallationTest, ScriptedProgressMovesBothBarsAndTheEndOfTheBatchChangesNoPage) {
    start();
    ShowPage(*Form6);
    auto report = [](archive::ProgressType type, long size) {
        Form6->ArchiveBuilder1Progress(&Form6->ArchiveBuilder1, type, "a.bin", size);
    };
    report(archive::pgByteCount, 1000);
    report(archive::pgFileCount, 1);
    report(archive::pgFileStart, 1000);
    for (int expected : {2501, 5001, 7501, 10001}) {
        report(archive::pgAdvance, 250);
        EXPECT_EQ(Form6->ProgressBar1.position(), expected);
        EXPECT_EQ(Form6->ProgressBar2.position(), expected);
    }
    report(archive::pgFileCount, 99);
    EXPECT_EQ(Form6->ProgressBar2.position(), 10001) << "file counts change nothing";
    report(archive::pgBatchEnd, 0);
    EXPECT_EQ(Form6->ProgressBar1.position(), 1);
    EXPECT_EQ(Form6->ProgressBar2.position(), 1);
    // The completion page follows once Extract has returned, never from
    // inside the engine's callback.
    EXPECT_FALSE(visible(Form7));
    EXPECT_TRUE(visible(Form6));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(InstallationTest, WholeArchiveIsExtractedAndTheCompletionPageFollows) {
    start();
    installUntil([] { return visible(Form7); });
    EXPECT_FALSE(visible(Form6));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Form7->Label5.text(), "Installation complete");
    EXPECT_EQ(Form7->Label6.text(),
              "was installed successfully. Click the Finish button to exit \r\nthis installation.");
    EXPECT_EQ(installed(), (std::vector<std::string>{"panel\\panel.cfg", "readme.txt"}));
    EXPECT_EQ(readFile(destination + "\\readme.txt"), "Kestrel\r\n");
    EXPECT_EQ(Form6->ProgressBar1.position(), 1);
}

TEST_F(InstallationTest, MissingArchiveGivesOneMessageAndThePageStays) {
    start();
    removePackageFile("Setup.qzp");
    ShowPage(*Form6);
    int events = 0;
    onProgress([&](archive::ProgressType) { ++events; });
    Form6->Timer1.fire();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error - no zip file specified!");
    EXPECT_EQ(events, 0);
    EXPECT_TRUE(visible(Form6));
    EXPECT_FALSE(visible(Form7));
    EXPECT_FALSE(Form6->Timer1.enabled());
}

TEST_F(InstallationTest, MissingEngineIsReportedAtStartUpAndAgainAtExtract) {
    // The skin alone in a folder of its own: the engine cannot be found.
    ::CopyFileA((std::string(TEST_SKIN_ROOT) + "/skin-complete/Velskin.dll").c_str(),
                (package + "Velskin.dll").c_str(), FALSE);
    ::SetDllDirectoryA(package.c_str());
    start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "UNPACK32.DLL not found!");
    EXPECT_FALSE(ui::Application::instance().terminateRequested()) << "start-up goes on";
    int events = 0;
    onProgress([&](archive::ProgressType) { ++events; });
    ShowPage(*Form6);
    Form6->Timer1.fire();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "UNPACK32.DLL not found!");
    EXPECT_EQ(events, 0);
    EXPECT_TRUE(visible(Form6));
    EXPECT_TRUE(installed().empty());
}

TEST_F(InstallationTest, ExtractStartedAgainDuringTheExtractionIsIgnoredSilently) {
    start();
    bool reentered = false;
    onProgress([&](archive::ProgressType type) {
        if (type != archive::pgFileStart || reentered) return;
        reentered = true;
        Form6->Timer1Timer();
    });
    installUntil([] { return visible(Form7); });
    EXPECT_TRUE(reentered);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(installed().size(), 2u);
}

TEST_F(InstallationTest, EngineErrorsAreToldBeforeTheCompletionPage) {
    start("damaged.qzp");
    bool completionShownAtTheBox = true;
    win32::setMessageBoxHandler([&](const win32::MessageBoxRequest& request) {
        boxes.push_back(request);
        completionShownAtTheBox = visible(Form7);
        return IDOK;
    });
    installUntil([] { return visible(Form7); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Tavrix Installer");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(kWarning));
    EXPECT_NE(boxes[0].text.find("1 file could not be installed. The last message was:\nCRC error: bad.bin"),
              std::string::npos)
        << boxes[0].text;
    EXPECT_FALSE(completionShownAtTheBox);
    EXPECT_TRUE(visible(Form7));
    EXPECT_EQ(installed(), (std::vector<std::string>{"good.txt", "sub\\after.txt"}));
    // Not called a success; the record of where the add-on went is still left.
    EXPECT_EQ(Form7->Label5.text(), "Installation incomplete");
    EXPECT_EQ(
        Form7->Label6.text(),
        "was not installed completely: 1 file of the package is missing. Click the Finish button to exit "
        "this installation.");
    Form7->Timer1.fire();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(readFile(destination + "\\Ostrel.txt").substr(0, 2), "\r\n") << "no title: its line is empty";
}

TEST_F(InstallationTest, AnArchiveTheEngineCannotReadIsToldAndThePageStays) {
    start();
    writePackageFile("Setup.qzp", std::string(300, 'x'));
    ShowPage(*Form6);
    const std::size_t listingBoxes = boxes.size();
    Form6->Timer1.fire();
    ASSERT_EQ(boxes.size(), listingBoxes + 1);
    EXPECT_EQ(boxes.back().type, static_cast<UINT>(kWarning));
    EXPECT_EQ(boxes.back().text.rfind("The installation could not be completed. The last message was:\n", 0),
              0u)
        << boxes.back().text;
    EXPECT_TRUE(visible(Form6));
    EXPECT_FALSE(visible(Form7));
}

TEST_F(InstallationTest, FilesThePilotChangedAreAskedAboutAndNoKeepsThem) {
    start();
    installUntil([] { return visible(Form7); });
    ASSERT_TRUE(boxes.empty());
    writeDestinationFile("readme.txt", "changed by the pilot");
    Form7->hide();
    answers = {IDNO};
    installUntil([] { return visible(Form7); });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(
        boxes[0].text.find("1 file of this add-on is already in the destination folder with other contents."),
        0u)
        << boxes[0].text;
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(kWarning));
    EXPECT_EQ(boxes[1].text.find("could not"), std::string::npos) << boxes[1].text;
    EXPECT_NE(boxes[1].text.find("1 file was already in the destination folder"), std::string::npos)
        << "the unchanged file is no news: " << boxes[1].text;
    EXPECT_EQ(readFile(destination + "\\readme.txt"), "changed by the pilot");
    EXPECT_EQ(Form7->Label6.text().find("was installed successfully"), 0u) << "every file is in place";
}

TEST_F(InstallationTest, AnUpdateTakesOverTheOlderVersionAndTheRecordGivesBackTheFolderAsItWas) {
    writeDestinationFile("readme.txt", "the pilot's notes");
    writeDestinationFile("mine.txt", "the pilot's own");
    const Tree before = treeOf(destination);

    start();
    answers = {IDYES};  // replace the pilot's readme.txt
    installUntil([] { return visible(Form7); });
    Form7->Timer1.fire();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(readFile(destination + "\\readme.txt"), "Kestrel\r\n");
    ui::Application::instance().reset();
    boxes.clear();

    start("newer.qzp");
    installUntil([] { return visible(Form7); });
    Form7->Timer1.fire();
    EXPECT_TRUE(boxes.empty()) << "the older version's own files are not asked about";
    EXPECT_EQ(installed(), (std::vector<std::string>{"Ostrel.txt", "manual.txt", "mine.txt", "readme.txt"}))
        << "the file the new version lacks is gone";
    EXPECT_EQ(readFile(destination + "\\readme.txt"), "Kestrel II\r\n");

    const TextResult<InstallRecord> record = loadRecord(destination + "\\Uninstall\\Add-on");
    ASSERT_TRUE(record) << record.failure();
    EXPECT_TRUE(record->complete);
    EXPECT_EQ(record->replaced, std::vector<std::string>{"readme.txt"})
        << "kept since the first installation";
    EXPECT_EQ(namesOf(treeOf(destination + "\\Uninstall\\Add-on")),
              (std::vector<std::string>{"Corvinel.exe", "Record.txt", "Replaced\\", "Replaced\\readme.txt",
                                        "Velskin.dll"}));

    // What an uninstall does with the record: the folder as before the first
    // installation, once the uninstaller's own files are gone too.
    removeUninstallerFiles();
    const TakenAway taken = takeAway(destination, *record, true);
    EXPECT_TRUE(taken.keptFiles.empty());
    EXPECT_EQ(namesOf(treeOf(destination)), namesOf(before));
    EXPECT_TRUE(treeOf(destination) == before);
}

TEST_F(InstallationTest, ARecordThatCannotBeWrittenStopsTheInstallationBeforeAnyFileIsTouched) {
    writeDestinationFile("readme.txt", "the pilot's notes");
    writeDestinationFile("Uninstall", "a file where the folder would go");
    const Tree before = treeOf(destination);
    start();
    answers = {IDYES};  // replace the pilot's readme.txt
    installUntil([] { return visible(Form4); });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(kWarning));
    EXPECT_EQ(boxes[1].text.rfind(
                  "The installation could not be completed. The last message was:\nUnable to create "
                  "directory",
                  0),
              0u)
        << boxes[1].text;
    EXPECT_FALSE(visible(Form6));
    EXPECT_TRUE(treeOf(destination) == before) << "the pilot's file is where it was, untouched";
}

TEST_F(InstallationTest, TakingAwayKeepsAFileChangedSinceTheInstallation) {
    start();
    installUntil([] { return visible(Form7); });
    Form7->Timer1.fire();
    writeDestinationFile("panel\\panel.cfg", "[Window00]\r\nsize=2\r\n");
    const TextResult<InstallRecord> record = loadRecord(destination + "\\Uninstall\\Add-on");
    ASSERT_TRUE(record) << record.failure();
    removeUninstallerFiles();
    const TakenAway taken = takeAway(destination, *record, true);
    EXPECT_EQ(taken.keptFiles, std::vector<std::string>{"panel\\panel.cfg"});
    EXPECT_EQ(namesOf(treeOf(destination)), (std::vector<std::string>{"panel\\", "panel\\panel.cfg"}))
        << "the changed file and its folder stay; the record and the rest go";
}

// The uninstaller an installation leaves beside its record, started there.
class UninstallerTest : public InstallationTest {
protected:
    void installAndStartTheUninstaller() {
        start();
        answers = {IDYES};  // replace the pilot's readme.txt
        installUntil([] { return visible(Form7); });
        Form7->Timer1.fire();
        const std::string own = destination + "\\Uninstall\\Add-on";
        EXPECT_EQ(Form7->Label7.text(), "To uninstall it, run Corvinel.exe in " + own);
        ui::Application::instance().reset();
        boxes.clear();
        setProgramFolder(own + "\\");
        ASSERT_TRUE(startedAsUninstaller(own + "\\"));
        ASSERT_FALSE(startedAsUninstaller(package)) << "a package folder is never an uninstaller's";
        ASSERT_TRUE(createUninstallerWindows());
        showMainWindow();
        ASSERT_TRUE(visible(UninstallPage));
    }
};

TEST_F(UninstallerTest, RemovesTheAddOnPutsBackWhatItReplacedAndNamesWhatThePilotChanged) {
    writeDestinationFile("readme.txt", "the pilot's notes");
    const Tree before = treeOf(destination);
    installAndStartTheUninstaller();
    writeDestinationFile("panel\\panel.cfg", "[Window00]\r\nsize=2\r\n");
    EXPECT_EQ(UninstallPage->Label7.text(), "Add-on");
    EXPECT_NE(UninstallPage->Label6.text().find("will be removed from " + destination + "."),
              std::string::npos)
        << UninstallPage->Label6.text();

    UninstallPage->Image3Click();  // Uninstall
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(UninstallPage->Label5.text(), "Uninstall complete");
    EXPECT_NE(UninstallPage->Label6.text().find("\r\npanel\\panel.cfg"), std::string::npos)
        << UninstallPage->Label6.text();
    EXPECT_EQ(UninstallPage->Label1.text(), "Finish");
    // Left for the script: the uninstaller's own files and the folders they hold.
    EXPECT_EQ(namesOf(treeOf(destination + "\\Uninstall")),
              (std::vector<std::string>{"Add-on\\", "Add-on\\Corvinel.exe", "Add-on\\Velskin.dll"}));
    removeUninstallerFiles();
    ::RemoveDirectoryA((destination + "\\Uninstall\\Add-on").c_str());
    ::RemoveDirectoryA((destination + "\\Uninstall").c_str());
    Tree expected = before;
    expected.emplace_back("panel\\", "");
    expected.emplace_back("panel\\panel.cfg", "[Window00]\r\nsize=2\r\n");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesOf(treeOf(destination)), namesOf(expected));
    EXPECT_TRUE(treeOf(destination) == expected) << "the pilot's readme.txt is back with its own contents";
}

TEST_F(UninstallerTest, ADamagedRecordRemovesNothing) {
    installAndStartTheUninstaller();
    ui::Application::instance().reset();
    const std::string record = destination + "\\Uninstall\\Add-on\\Record.txt";
    std::string text = readFile(record);
    text.replace(text.find("File="), 5, "File=9");  // a size the CRC line does not cover
    std::ofstream(record, std::ios::binary | std::ios::trunc) << text;
    const Tree installed = treeOf(destination);
    ASSERT_TRUE(createUninstallerWindows());
    showMainWindow();
    EXPECT_EQ(UninstallPage->Label5.text(), "Uninstall");
    EXPECT_EQ(UninstallPage->Label6.text(), "The installation record is damaged; nothing was removed.");
    EXPECT_TRUE(treeOf(destination) == installed);
}

// The free space of the destination's drive as the system would report it.
class FreeSpaceTest : public InstallationTest {
protected:
    void SetUp() override {
        InstallationTest::SetUp();
        win32::setDiskSpaceHandler([this](const std::string& folder) {
            asked.push_back(folder);
            return win32::DiskSpace{freeBytes, 1 << 30};
        });
    }
    void TearDown() override {
        win32::setDiskSpaceHandler(nullptr);
        InstallationTest::TearDown();
    }
    std::int64_t freeBytes = 0;
    std::vector<std::string> asked;
};

constexpr const char* kTooLittleSpace =
    "There is not enough free space on drive C: to install this add-on.\n\n"
    "Space needed: 0.1 MB\nSpace free: 0.0 MB\n\n"
    "Free some space on the drive and choose Retry, or choose Cancel to pick another folder.";

TEST_F(FreeSpaceTest, TooLittleSpaceAsksAndRetryGoesOnOnceThereIsRoom) {
    start();
    ASSERT_EQ(destination.substr(0, 2), "C:");
    win32::setMessageBoxHandler([&](const win32::MessageBoxRequest& request) {
        boxes.push_back(request);
        EXPECT_TRUE(installed().empty()) << "nothing is extracted while the box is up";
        if (boxes.size() == 2) freeBytes = 21;  // exactly the package's unpacked size
        return IDRETRY;
    });
    installUntil([] { return visible(Form7); });
    ASSERT_EQ(boxes.size(), 2u) << "asked again after the first Retry";
    EXPECT_EQ(boxes[0].text, kTooLittleSpace);
    EXPECT_EQ(boxes[0].caption, "Tavrix Installer");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONWARNING));
    EXPECT_EQ(std::count(asked.begin(), asked.end(), destination), 3) << "the destination's own drive";
    EXPECT_EQ(installed(), (std::vector<std::string>{"panel\\panel.cfg", "readme.txt"}));
    EXPECT_EQ(Form7->Label5.text(), "Installation complete");
}

TEST_F(FreeSpaceTest, CancelGoesBackToTheDestinationPageWithNothingExtracted) {
    start();
    freeBytes = 20;  // one byte short
    answers = {IDCANCEL};
    installUntil([] { return visible(Form4); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.find("There is not enough free space on drive C:"), 0u) << boxes[0].text;
    EXPECT_FALSE(visible(Form6));
    EXPECT_FALSE(visible(Form7));
    EXPECT_TRUE(installed().empty());

    // Another folder, a drive with room: the installation goes through.
    freeBytes = -1;  // the system could not tell: the engine is left to try
    installUntil([] { return visible(Form7); });
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(installed().size(), 2u);
}

// A package that comes as a spanned set: long.qzp cut by the component into
// three volumes, numbered files beside the program or disks in drive A:.
class SpannedPackageTest : public InstallationTest {
protected:
    static std::string source(const std::string& name) {
        return readFile(std::string(TEST_ARCHIVES) + "\\long\\" + name);
    }
    void expectWholeTree() const {
        ASSERT_EQ(installed(), (std::vector<std::string>{"first.bin", "second.bin", "third.bin"}));
        for (const char* name : {"first.bin", "second.bin", "third.bin"})
            EXPECT_TRUE(readFile(destination + "\\" + name) == source(name)) << name;
    }
    static bool exists(const std::string& path) {
        return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};

TEST_F(SpannedPackageTest, ThreeNumberedVolumesBesideTheProgramInstallTheWholeTree) {
    removePackageFile("Setup.qzp");
    TArchiveBuilder cutter;
    cutter.SetMaxVolumeSize(1100000);
    ASSERT_EQ(cutter.WriteSpan(std::string(TEST_ARCHIVES) + "\\long.qzp", package + "Setup.qzp"), 0);
    ASSERT_TRUE(exists(package + "Setup003.qzp"));
    ASSERT_FALSE(exists(package + "Setup004.qzp"));
    createWindows();
    showMainWindow();
    ASSERT_FALSE(ui::Application::instance().terminateRequested()) << "the set is a package archive";
    Form4->Edit1.setText(destination);
    installUntil([] { return visible(Form7); });
    EXPECT_TRUE(boxes.empty());
    expectWholeTree();
}

TEST_F(SpannedPackageTest, ASetThatCannotBeJoinedIsAFailureNeverTheCompletionPage) {
    removePackageFile("Setup.qzp");
    TArchiveBuilder cutter;
    cutter.SetMaxVolumeSize(1100000);
    ASSERT_EQ(cutter.WriteSpan(std::string(TEST_ARCHIVES) + "\\long.qzp", package + "Setup.qzp"), 0);
    // The middle volume cut short.
    writePackageFile("Setup002.qzp", readFile(package + "Setup002.qzp").substr(0, 4096));
    const Tree before = treeOf(destination);
    createWindows();
    showMainWindow();
    Form4->Edit1.setText(destination);
    ShowPage(*Form6);
    Form6->Timer1.fire();
    EXPECT_FALSE(visible(Form7)) << "the join's failure is not the end of the installation";
    EXPECT_TRUE(visible(Form6));
    ASSERT_FALSE(boxes.empty()) << "the component says what went wrong";
    EXPECT_TRUE(treeOf(destination) == before) << "nothing is left behind, the record neither";
}

// A temporary folder without room for the joined package: the join fails
// before it copies anything, and the pilot is told the installation could
// not be completed; no completion page, nothing in the destination, no
// joined archive left in the temporary folder.
TEST_F(SpannedPackageTest, ATemporaryFolderWithoutRoomForTheJoinIsAFailureNeverTheCompletionPage) {
    removePackageFile("Setup.qzp");
    TArchiveBuilder cutter;
    cutter.SetMaxVolumeSize(1100000);
    ASSERT_EQ(cutter.WriteSpan(std::string(TEST_ARCHIVES) + "\\long.qzp", package + "Setup.qzp"), 0);
    char temporary[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathA(MAX_PATH, temporary), 0u);
    const std::string temporaryFolder = temporary;
    // What a join leaves there is named after its system temporary name.
    const auto joinedArchives = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        const HANDLE search = ::FindFirstFileA((temporaryFolder + "zip*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do names.push_back(found.cFileName);
        while (::FindNextFileA(search, &found));
        ::FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> joinedBefore = joinedArchives();
    const Tree before = treeOf(destination);
    // Every drive is there and large; only the temporary folder itself (the
    // package and the destination lie below it) is full.
    const win32::DiskSpaceHandler previous = win32::setDiskSpaceHandler([&](const std::string& folder) {
        const bool temporaryItself = ::lstrcmpiA(folder.c_str(), temporaryFolder.c_str()) == 0;
        return win32::DiskSpace{temporaryItself ? 4096 : -1, std::int64_t{1} << 40};
    });
    createWindows();
    showMainWindow();
    Form4->Edit1.setText(destination);
    ShowPage(*Form6);
    Form6->Timer1.fire();
    win32::setDiskSpaceHandler(previous);
    EXPECT_FALSE(visible(Form7));
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text,
              "The installation could not be completed. The last message was:\n"
              "This disk has not enough free space available");
    EXPECT_TRUE(treeOf(destination) == before) << "nothing is left behind, the record neither";
    EXPECT_EQ(joinedArchives(), joinedBefore) << "no joined archive is left";
}

// Cancel pressed while the set is being joined: the join keeps the page
// handling its messages, hears the quit and stops; nothing is extracted and
// nothing is left behind.
TEST_F(SpannedPackageTest, AQuitWhileTheSetIsJoinedStopsTheJoinAndLeavesNothing) {
    removePackageFile("Setup.qzp");
    TArchiveBuilder cutter;
    cutter.SetMaxVolumeSize(1100000);
    ASSERT_EQ(cutter.WriteSpan(std::string(TEST_ARCHIVES) + "\\long.qzp", package + "Setup.qzp"), 0);
    createWindows();
    showMainWindow();
    Form4->Edit1.setText(destination);
    answers = {IDYES};
    int joinedFiles = 0;
    int extractedFiles = 0;
    onProgress([&](archive::ProgressType type) {
        if (type != archive::pgFileStart) return;
        if (!Form6->ArchiveBuilder1.Joining()) {
            ++extractedFiles;
            return;
        }
        if (++joinedFiles != 1) return;
        postClick(Form6->Image2);
    });
    installUntil([] { return visible(Form7); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "WARNING: The installation has not been completed.\nAre you sure you want to quit?");
    EXPECT_EQ(joinedFiles, 1) << "the join stopped at its next write";
    EXPECT_EQ(extractedFiles, 0);
    EXPECT_TRUE(ui::Application::instance().terminated());
    EXPECT_FALSE(visible(Form7));
    EXPECT_EQ(namesOf(treeOf(destination)), std::vector<std::string>{}) << "not even the record is left";
}

TEST_F(SpannedPackageTest, ThreeDisksInstallTheWholeTreeAnsweringEachPrompt) {
    archive::testing::FloppyDrive drive(TEST_DISKS);
    drive.wipe();
    if (!drive.insert(1)) GTEST_SKIP() << "Wine's mount manager did not define drive A:";
    TArchiveBuilder cutter;
    if (!drive.tmpfs()) cutter.SetMaxVolumeSize(1400000);  // folders, not 1.44 MB disks
    cutter.SetKeepFreeOnDisk1(64 * 1024);                  // room for the package's own files
    std::vector<std::string> prompts;
    auto previous = win32::setMessageBoxHandler([&](const win32::MessageBoxRequest& r) {
        prompts.push_back(r.text);
        int volume = 0;
        if (r.text.starts_with("Please insert last disk")) drive.insert(3);
        if (std::sscanf(r.text.c_str(), "Please insert disk volume %d", &volume) == 1) drive.insert(volume);
        return IDOK;
    });
    ASSERT_EQ(cutter.WriteSpan(std::string(TEST_ARCHIVES) + "\\long.qzp", "A:\\Setup.qzp"), 0);
    EXPECT_EQ(drive.label(3), "PKBACK# 003");
    EXPECT_FALSE(exists(drive.folder(4) + "\\Setup.qzp"));
    // The description lies on the first disk only.
    std::ofstream(drive.folder(1) + "\\Ostrel.ini") << "[Title]\nhl=Three Disk Cub\n[Addon]\nType=Aircraft\n";

    // The pilot starts from the first disk.
    prompts.clear();
    drive.insert(1);
    start();
    const std::string packageFolder = programFolder();
    setProgramFolder("A:\\");
    PackageDescription startingFromTheFirstDisk;  // as the main window does at start-up
    installUntil([] { return visible(Form7); });
    // The last disk is in the drive now; what the pages say and the
    // information file still come from the first disk's description.
    EXPECT_EQ(Form7->Label1.text(), "Three Disk Cub");
    Form7->Timer1.fire();
    setProgramFolder(packageFolder);
    EXPECT_EQ(readFile(destination + "\\Ostrel.txt").substr(0, 16), "Three Disk Cub\r\n");
    EXPECT_NE(readFile(destination + "\\Ostrel.txt").find("this Aircraft"), std::string::npos);
    ::DeleteFileA((destination + "\\Ostrel.txt").c_str());
    win32::setMessageBoxHandler(std::move(previous));
    EXPECT_EQ(prompts, (std::vector<std::string>{"Please insert last disk\nin drive: A",
                                                 "Please insert disk volume 1 of 3\nin drive: A",
                                                 "Please insert disk volume 2 of 3\nin drive: A",
                                                 "Please insert disk volume 3 of 3\nin drive: A"}));
    expectWholeTree();
    drive.wipe();
}

// Cancel pressed on the page while the second of three 1 MiB files is being
// written, answered as given.
class QuitDuringExtractionTest : public InstallationTest {
protected:
    void cancelDuringSecondFile(int answer) {
        start("long.qzp");
        answers = {answer};
        int filesStarted = 0;
        bool invalidated = false;
        onProgress([&](archive::ProgressType type) {
            // The page's repaint, like the click, is handled between two
            // engine callbacks.
            if (invalidated && type == archive::pgAdvance) {
                invalidated = false;
                repaintedWhileExtracting = !::GetUpdateRect(Form6->handle(), nullptr, FALSE);
            }
            if (type != archive::pgFileStart || ++filesStarted != 2) return;
            ::InvalidateRect(Form6->handle(), nullptr, FALSE);
            invalidated = true;
            pressCancel();
        });
        installUntil([] { return visible(Form7); });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text,
                  "WARNING: The installation has not been completed.\nAre you sure you want to quit?");
    }
    // The page takes its messages at most every MessageInterval: the click
    // is heard at the first callback after that, as in an extraction that
    // lasts longer than these few megabytes.
    static void pressCancel() {
        postClick(Form6->Image2);
        ::Sleep(Form6->ArchiveBuilder1.MessageInterval() + 20);
    }
    bool repaintedWhileExtracting = false;
    static std::string source(const std::string& name) {
        return readFile(std::string(TEST_ARCHIVES) + "\\long\\" + name);
    }
};

TEST_F(QuitDuringExtractionTest, YesStopsTheEngineAndTakesBackEveryFileWritten) {
    cancelDuringSecondFile(IDYES);
    ui::Application& application = ui::Application::instance();
    EXPECT_TRUE(application.terminated()) << "the loop took the quit after Extract returned";
    EXPECT_FALSE(Form6->ArchiveBuilder1.UnpackEngineBusy());
    EXPECT_FALSE(visible(Form7));
    EXPECT_EQ(Form6->Label5.text(), "Restoring...");
    EXPECT_EQ(namesOf(treeOf(destination)), std::vector<std::string>{}) << "not even the record is left";
}

TEST_F(QuitDuringExtractionTest, AFolderThatHeldFilesIsAsItWasAfterAQuit) {
    useArchive("long.qzp");
    writeDestinationFile("second.bin", "the pilot's own second.bin");
    writeDestinationFile("Ostrel.txt", "another add-on's information");
    ::CreateDirectoryA((destination + "\\texture").c_str(), nullptr);
    writeDestinationFile("texture\\mine.bmp", "BM");
    const Tree before = treeOf(destination);
    createWindows();
    showMainWindow();
    Form4->Edit1.setText(destination);
    answers = {IDYES, IDYES};  // replace the file in the way; then quit
    int filesStarted = 0;
    bool recordedFirst = false;
    onProgress([&](archive::ProgressType type) {
        if (type != archive::pgFileStart || ++filesStarted != 3) return;
        // The record is on disk before the engine writes, with the file it
        // replaced kept aside.
        const std::string own = destination + "\\Uninstall\\Add-on";
        const TextResult<InstallRecord> record = loadRecord(own);
        recordedFirst = record && !record->complete && record->files.size() == 3 &&
                        record->replaced == std::vector<std::string>{"second.bin", "Ostrel.txt"} &&
                        readFile(own + "\\Replaced\\second.bin") == "the pilot's own second.bin";
        pressCancel();
    });
    installUntil([] { return false; });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text.find("1 file of this add-on is already in the destination folder"), 0u)
        << boxes[0].text;
    EXPECT_TRUE(recordedFirst);
    const Tree after = treeOf(destination);
    EXPECT_EQ(namesOf(after), namesOf(before));
    EXPECT_TRUE(after == before) << "every file with its own contents";
}

TEST_F(QuitDuringExtractionTest, NoLetsTheExtractionComplete) {
    cancelDuringSecondFile(IDNO);
    EXPECT_TRUE(repaintedWhileExtracting);
    EXPECT_FALSE(ui::Application::instance().terminateRequested());
    EXPECT_TRUE(visible(Form7));
    EXPECT_EQ(installed(), (std::vector<std::string>{"first.bin", "second.bin", "third.bin"}));
    for (const char* name : {"first.bin", "second.bin", "third.bin"})
        EXPECT_EQ(readFile(destination + "\\" + name), source(name)) << name;
}

// Packages that ask for a scenery area or a repaint: the destination lies in
// a simulator's folder of the test's own, found from the destination, and
// the user's VirtualStore is a folder of the test's own too.
class RegistrationTest : public InstallationTest {
protected:
    void SetUp() override {
        InstallationTest::SetUp();
        simulator = package + "Sim";
        char local[MAX_PATH] = {};
        if (::GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH)) previousLocal = local;
        ::SetEnvironmentVariableA("LOCALAPPDATA", (package + "Local").c_str());
    }
    void TearDown() override {
        ::SetEnvironmentVariableA("LOCALAPPDATA", previousLocal.empty() ? nullptr : previousLocal.c_str());
        InstallationTest::TearDown();
    }
    void writeFile(const std::string& path, const std::string& bytes) const {
        MakeFolderPath(folderOfPath(path));
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // Installs small.qzp with this description into `folder` (made below
    // the simulator's) and returns the record's folder.
    std::string install(const std::string& ini, const std::string& folder, const std::string& title) {
        writePackageFile("Ostrel.ini", ini);
        destination = simulator + "\\" + folder;
        MakeFolderPath(destination);
        start();
        installUntil([] { return visible(Form7); });
        Form7->Timer1.fire();
        return destination + "\\Uninstall\\" + title;
    }
    void uninstall(const std::string& own) {
        ui::Application::instance().reset();
        setProgramFolder(own + "\\");
        ASSERT_TRUE(createUninstallerWindows());
        showMainWindow();
        UninstallPage->Image3Click();
        EXPECT_EQ(UninstallPage->Label5.text(), "Uninstall complete") << UninstallPage->Label6.text();
    }

    std::string simulator;
    std::string previousLocal;
};

constexpr const char* kLibrary =
    "[General]\r\nTitle=FS2000 World Scenery\r\n\r\n"
    "[Area.001]\r\nTitle=Default "
    "Terrain\r\nLocal=Scenery\\World\r\nLayer=1\r\nActive=TRUE\r\nRequired=TRUE\r\n\r\n"
    "[Area.003]\r\nTitle=Addon Scenery\r\nLocal=Addon "
    "Scenery\r\nLayer=7\r\nActive=TRUE\r\nRequired=FALSE\r\n";
constexpr const char* kSceneryPackage =
    "[Title]\r\nhl=Lakeside Airfield\r\n[Scenery]\r\nTitle=Lakeside Airfield\r\n";

TEST_F(RegistrationTest, TheAreaGoesIntoTheLibraryAndItsVirtualStoreCopyAndOutAgainByteForByte) {
    const std::string library = simulator + "\\scenery.cfg";
    writeFile(library, kLibrary);
    // The simulator's own copy, gone its own way: LF, no empty lines, "True".
    const std::string copy = virtualStoreCopy(package + "Local", library);
    const std::string copyText =
        "[Area.1]\nTitle=Default Terrain\nLocal=Scenery\\World\nLayer=1\nActive=True\nRequired=True\n";
    writeFile(copy, copyText);

    const std::string own = install(kSceneryPackage, "Scenery\\Lakeside", "Lakeside Airfield");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(readFile(library),
              std::string(kLibrary) +
                  "\r\n[Area.004]\r\nTitle=Lakeside Airfield\r\nLocal=Scenery\\Lakeside\r\n"
                  "Layer=8\r\nActive=TRUE\r\nRequired=FALSE\r\n");
    EXPECT_EQ(readFile(copy), copyText +
                                  "[Area.2]\nTitle=Lakeside Airfield\nLocal=Scenery\\Lakeside\nLayer=2\n"
                                  "Active=True\nRequired=False\n");
    EXPECT_EQ(Form7->Label8.text(), "Added to the scenery library as Lakeside Airfield.");
    EXPECT_EQ(readFile(own + "\\Before 1 scenery.cfg"), kLibrary);
    EXPECT_EQ(readFile(own + "\\Before 2 scenery.cfg"), copyText);
    const TextResult<InstallRecord> record = loadRecord(own);
    ASSERT_TRUE(record) << record.failure();
    EXPECT_EQ(record->edited, (std::vector<std::string>{library + "|4 8 1 Scenery\\Lakeside",
                                                        copy + "|2 2 0 Scenery\\Lakeside"}));

    // Another add-on's area behind ours, then the pilot moves ours up:
    // the uninstaller finds it by its folder and leaves the other.
    std::string moved = readFile(library);
    moved += "\r\n[Area.005]\r\nTitle=Harbour\r\nLocal=Scenery\\Harbour\r\nLayer=9\r\n";
    moved.replace(moved.find("[Area.004]"), 10, "[Area.010]");
    writeFile(library, moved);
    uninstall(own);
    EXPECT_EQ(
        readFile(library),
        std::string(kLibrary) + "\r\n[Area.005]\r\nTitle=Harbour\r\nLocal=Scenery\\Harbour\r\nLayer=9\r\n");
    EXPECT_EQ(readFile(copy), copyText);
    EXPECT_EQ(namesOf(treeOf(own)), (std::vector<std::string>{"Corvinel.exe", "Velskin.dll"}))
        << "the old texts go with the record";
}

TEST_F(RegistrationTest, ALibraryInAFormNotKnownIsLeftAsItWasAndThePageSaysWhatToAdd) {
    const std::string library = simulator + "\\scenery.cfg";
    const std::string twice = std::string(kLibrary) + "[Area.003]\r\nTitle=Again\r\nLocal=Again\r\n";
    writeFile(library, twice);
    const std::string own = install(kSceneryPackage, "Scenery\\Lakeside", "Lakeside Airfield");
    EXPECT_EQ(readFile(library), twice);
    EXPECT_EQ(Form7->Label8.text(),
              "scenery.cfg has two sections numbered 3 ([Area.003]); it was left as it was. Add an area with "
              "Title=Lakeside Airfield and Local=Scenery\\Lakeside to scenery.cfg by hand.");
    const TextResult<InstallRecord> record = loadRecord(own);
    ASSERT_TRUE(record) << record.failure();
    EXPECT_TRUE(record->edited.empty());
    EXPECT_FALSE(::GetFileAttributesA((own + "\\Before 1 scenery.cfg").c_str()) != INVALID_FILE_ATTRIBUTES);
}

TEST_F(RegistrationTest, AHostileDescriptionIsRefusedBeforeAnyFileIsWritten) {
    writeFile(simulator + "\\scenery.cfg", kLibrary);
    writePackageFile("Ostrel.ini", "[Scenery]\r\nTitle=Lakeside\r\nFolder=..\\..\\Windows\r\n");
    destination = simulator + "\\Scenery";
    MakeFolderPath(destination);
    const Tree before = treeOf(simulator);
    start();
    installUntil([] { return visible(Form4); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Ostrel.ini: the scenery's Folder is not a folder inside the destination.");
    EXPECT_TRUE(treeOf(simulator) == before);
}

// A program, library or gauge there that is newer than the package's copy.
TEST_F(InstallationTest, ANewerGaugeThereIsNamedInTheQuestionAndKeptOnReplace) {
    const std::string there = std::string(TEST_ARCHIVES) + "\\gauges-there\\";
    ::CreateDirectoryA((destination + "\\Gauges").c_str(), nullptr);
    for (const char* name : {"kept.gau", "newer.gau"})
        ::CopyFileA((there + name).c_str(), (destination + "\\Gauges\\" + name).c_str(), FALSE);
    start("gauges.qzp");
    answers = {IDYES};
    installUntil([] { return visible(Form7); });
    ASSERT_EQ(boxes.size(), 1u) << "no warning about the gauge kept: the question named it: "
                                << boxes.back().text;
    EXPECT_EQ(boxes[0].text.find("2 files of this add-on are already in the destination folder"), 0u);
    const std::string kept =
        "\n\nNewer copies there are kept either way:\nGauges\\kept.gau: 2.0.0.0 there, "
        "1.0.0.0 in this add-on";
    EXPECT_EQ(boxes[0].text.substr(boxes[0].text.size() - std::min(kept.size(), boxes[0].text.size())), kept)
        << boxes[0].text;
    EXPECT_TRUE(readFile(destination + "\\Gauges\\kept.gau") == readFile(there + "kept.gau"));
    EXPECT_FALSE(readFile(destination + "\\Gauges\\newer.gau") == readFile(there + "newer.gau"))
        << "an older copy there is replaced";
    const TextResult<InstallRecord> record = loadRecord(destination + "\\Uninstall\\Add-on");
    ASSERT_TRUE(record) << record.failure();
    EXPECT_EQ(record->replaced, std::vector<std::string>{"Gauges\\newer.gau"});
    EXPECT_EQ(std::count_if(record->files.begin(), record->files.end(),
                            [](const RecordedFile& file) { return file.name == "Gauges\\kept.gau"; }),
              0);
}

}  // namespace
}  // namespace tavrix::installer::testing
