// The destination page (the folder proposal from the simulator's registry
// key, Browse, Next creating the folder) and the completion page with its
// information file.
#include <shlobj.h>

#include <string>

#include "common/win32/FileBytes.h"
#include "common/win32/PathExists.h"
#include "installer/DestinationRules.h"
#include "installer/PackageFiles.h"
#include "installer/TextFile.h"
#include "installer/TextLines.h"
#include "installer/Unit1.h"
#include "installer/Unit4.h"
#include "installer/Unit5.h"
#include "installer/Unit6.h"
#include "installer/Unit7.h"
#include "installer/ui/FolderBrowserSeam.h"
#include "tests/installer/InstallerFixture.h"

namespace tavrix::installer::testing {
namespace {

// A simulator key of this test's own Wine prefix, removed afterwards.
class SimulatorKey {
public:
    SimulatorKey(const char* name, const std::string& path, DWORD type = REG_SZ) : name_(name) {
        HKEY key = nullptr;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        ::RegSetValueExA(key, "path", 0, type, reinterpret_cast<const BYTE*>(path.c_str()),
                         static_cast<DWORD>(path.size() + 1));
        ::RegCloseKey(key);
    }
    SimulatorKey(const char* name, DWORD number) : name_(name) {
        HKEY key = nullptr;
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        ::RegSetValueExA(key, "path", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        ::RegCloseKey(key);
    }
    ~SimulatorKey() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, name_); }
    SimulatorKey(const SimulatorKey&) = delete;
    SimulatorKey& operator=(const SimulatorKey&) = delete;

private:
    const char* name_;
};

class DestinationTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        writePackageFile("licens.qzt", "Terms");
    }
    void describe(const std::string& version, const std::string& type, const std::string& title) {
        writePackageFile("Ostrel.ini", "[Flightsim]\nVersion=" + version + "\n[Addon]\nType=" + type +
                                           "\n[Title]\nhl=" + title + "\n");
    }
    // Starts the program and goes to the destination page.
    void showDestination() {
        createWindows();
        showMainWindow();
        ShowPage(*Form4);
    }
};

TEST_F(DestinationTest, ProposalFollowsTheSimulatorTheTypeAndTheTitle) {
    struct Case {
        const char* version;
        const char* type;
        bool with2000;
        bool with98;
        std::string proposal;
    } cases[] = {
        {"Flightsimulator 2000", "Aircraft", true, true, "C:\\FS2000\\Aircraft\\My Plane"},
        {"Flightsimulator 2000", "Scenery MD", true, false, "C:\\FS2000"},
        {"Flightsimulator 98", "Aircraft", true, true, "C:\\FS98\\\\Aircraft\\My Plane"},
        {"Flightsimulator 98", "Scenery MD", false, true, "C:\\FS98\\"},
        {"Flightsimulator 98", "Aircraft", true, false, ""},
        {"flightsimulator 2000", "Aircraft", true, true, ""},
        {"Flightsimulator 2002", "Aircraft", true, true, ""},
        {"Flightsimulator 2000", "", true, false, "C:\\FS2000\\\\My Plane"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.version) + " / " + c.type);
        std::optional<SimulatorKey> key2000, key98;
        if (c.with2000) key2000.emplace(kSimulator2000Key, "C:\\FS2000");
        if (c.with98) key98.emplace(kSimulator98Key, "C:\\FS98\\");
        describe(c.version, c.type, "My Plane");
        showDestination();
        EXPECT_EQ(Form4->Edit1.text(), c.proposal);
        EXPECT_EQ(Form4->DestinationFolder, c.proposal);
        EXPECT_EQ(Form6->ArchiveBuilder1.ExtrBaseDir(), c.proposal)
            << "the installation page gets every change";
        EXPECT_TRUE(boxes.empty());
        ui::Application::instance().reset();
    }
}

TEST_F(DestinationTest, ExpandablePathIsExpandedAndAnEmptyOneProposesNothing) {
    ::SetEnvironmentVariableA("TAVRIX_SIM_ROOT", "C:\\Games");
    {
        SimulatorKey key(kSimulator2000Key, "%TAVRIX_SIM_ROOT%\\FS2000", REG_EXPAND_SZ);
        describe("Flightsimulator 2000", "Aircraft", "My Plane");
        showDestination();
        EXPECT_EQ(Form4->Edit1.text(), "C:\\Games\\FS2000\\Aircraft\\My Plane");
        ui::Application::instance().reset();
    }
    SimulatorKey empty(kSimulator2000Key, "");
    describe("Flightsimulator 2000", "Aircraft", "My Plane");
    showDestination();
    EXPECT_EQ(Form4->Edit1.text(), "") << "not \\Aircraft\\My Plane, in the root of the current drive";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DestinationTest, PathThatIsNotTextIsReportedAndNothingIsProposed) {
    SimulatorKey key(kSimulator2000Key, DWORD{7});
    describe("Flightsimulator 2000", "Aircraft", "My Plane");
    createWindows();
    showMainWindow();
    ShowPage(*Form4);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Invalid data type for 'path'") << "ends below the period: none added";
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(Form4->Edit1.text(), "");
}

TEST_F(DestinationTest, BrowsedFolderStaysUnlessTheSimulatorIsFoundAgain) {
    describe("Flightsimulator 2000", "Aircraft", "My Plane");
    std::vector<ui::FolderBrowseRequest> requests;
    std::optional<std::string> pick = "D:\\Games";
    ui::setFolderBrowseHandler([&](const ui::FolderBrowseRequest& request) {
        requests.push_back(request);
        return pick;
    });
    showDestination();
    ::SendMessageA(Form4->Button1.handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ::SendMessageA(Form4->Button1.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, Form4->handle());
    EXPECT_EQ(requests[0].title, "Tavrix path");
    EXPECT_EQ(requests[0].flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
    EXPECT_EQ(Form4->Edit1.text(), "D:\\Games");
    EXPECT_EQ(Form6->ArchiveBuilder1.ExtrBaseDir(), "D:\\Games");

    pick.reset();
    Form4->Button1Click();
    EXPECT_EQ(Form4->Edit1.text(), "D:\\Games") << "cancelled: unchanged";

    Form4->hide();
    ShowPage(*Form4);
    EXPECT_EQ(Form4->Edit1.text(), "D:\\Games") << "no simulator key: the browsed folder stays";
    SimulatorKey key(kSimulator2000Key, "C:\\FS2000");
    Form4->hide();
    ShowPage(*Form4);
    EXPECT_EQ(Form4->Edit1.text(), "C:\\FS2000\\Aircraft\\My Plane");
    ui::setFolderBrowseHandler(nullptr);
}

TEST_F(DestinationTest, NextCreatesTheFolderWithItsParentsBeforeMovingOn) {
    showDestination();
    Form4->Edit1.setText(package + "A\\B\\C\\");
    click(Form4->Image3);
    EXPECT_TRUE(win32::directoryExists(package + "A\\B\\C"));
    EXPECT_TRUE(::IsWindowVisible(Form5->handle()));
    EXPECT_FALSE(::IsWindowVisible(Form4->handle()));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DestinationTest, NextWithoutAUsableFolderReportsAndStays) {
    const std::string blocker = package + "file";
    writePackageFile("file", "not a folder");
    for (const std::string& folder : {std::string(), blocker + "\\inside", std::string("relative")}) {
        SCOPED_TRACE(folder);
        showDestination();
        Form4->Edit1.setText(folder);
        click(Form4->Image3);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Unable to create directory.");
        EXPECT_TRUE(::IsWindowVisible(Form4->handle()));
        EXPECT_FALSE(::IsWindowVisible(Form5->handle()));
        boxes.clear();
        ui::Application::instance().reset();
    }
}

class CompletionTest : public InstallerTest {
protected:
    void showCompletion(const std::string& destination) {
        createWindows();
        Form4->Edit1.setText(destination);
        ShowPage(*Form7);
    }
};

TEST_F(CompletionTest, InformationFileHoldsSeventeenLinesForTheExampleAndForThreeAuthors) {
    struct Case {
        std::string description;
        std::string expected;
    } cases[] = {
        {"[Title]\nhl=My Scenery\n[Addon]\nType=Scenery MD\n[Authors]\n2=Ann Smith\n1=ann@example.com\n",
         "My Scenery\r\nFor more information about this Scenery MD, please contact:\r\n\r\nAnn Smith\r\n"
         "ann@example.com\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
         "____________________________________\r\nBuild with Tavrix Builder ver 3.00\r\n"},
        {"[Title]\nhl=Jet\n[Addon]\nType=Aircraft\n[Authors]\n1=a@x\n2=A\n3=b@x\n4=B\n5=c@x\n6=C\n",
         "Jet\r\nFor more information about this Aircraft, please "
         "contact:\r\n\r\nA\r\na@x\r\n\r\nB\r\nb@x\r\n"
         "\r\nC\r\nc@x\r\n\r\n\r\n\r\n\r\n____________________________________\r\n"
         "Build with Tavrix Builder ver 3.00\r\n"},
        {"",
         "\r\nFor more information about this , please contact:\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
         "\r\n\r\n\r\n\r\n____________________________________\r\nBuild with Tavrix Builder ver 3.00\r\n"},
    };
    for (const Case& c : cases) {
        if (c.description.empty())
            removePackageFile("Ostrel.ini");
        else
            writePackageFile("Ostrel.ini", c.description);
        writePackageFile("Ostrel.txt", std::string(5000, 'x'));  // replaced, not appended to
        showCompletion(package.substr(0, package.size() - 1));
        EXPECT_TRUE(Form7->Timer1.enabled());
        EXPECT_EQ(Form7->Timer1.interval(), 500u);
        Form7->Timer1.fire();
        EXPECT_FALSE(Form7->Timer1.enabled());
        EXPECT_EQ(win32::readFileBytes(package + "Ostrel.txt"), c.expected);
        EXPECT_EQ(Form7->InfoLines.size(), 17u);
        // The page keeps the file's lines, each without its CR LF.
        std::string joined;
        for (const std::string& line : Form7->InfoLines) joined += line + "\r\n";
        EXPECT_EQ(joined, c.expected);
        ui::Application::instance().reset();
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CompletionTest, DestinationThatDoesNotExistIsReportedAndFinishStillEnds) {
    showCompletion(package + "missing");
    ::SendMessageA(Form7->handle(), WM_TIMER, Form7->Timer1.id(), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot create file " + package + "missing\\Ostrel.txt.");
    click(Form7->Image2);
    EXPECT_TRUE(ui::Application::instance().terminateRequested());
}

// The record is replaced in one step: when that fails, the old name is left
// as it was and nothing half-written stays beside it.
TEST_F(CompletionTest, AFailedWriteLeavesNoFileBehind) {
    const std::string record = package + "Ostrel.txt";
    ASSERT_TRUE(::CreateDirectoryA(record.c_str(), nullptr));  // a name that cannot be replaced
    showCompletion(package.substr(0, package.size() - 1));
    ::SendMessageA(Form7->handle(), WM_TIMER, Form7->Timer1.id(), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot create file " + record + ".");
    EXPECT_TRUE(win32::directoryExists(record));
    EXPECT_FALSE(win32::fileExists(record + kTemporarySuffix));
    ::RemoveDirectoryA(record.c_str());
}

TEST_F(CompletionTest, AWrittenRecordLeavesNoTemporaryFile) {
    showCompletion(package.substr(0, package.size() - 1));
    Form7->Timer1.fire();
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(win32::fileExists(package + "Ostrel.txt"));
    EXPECT_FALSE(win32::fileExists(package + "Ostrel.txt" + kTemporarySuffix));
}

TEST_F(CompletionTest, FinishBeforeTheTimerWritesTheInformationFileFirst) {
    showCompletion(package.substr(0, package.size() - 1));
    click(Form7->Label2);
    ui::Application::instance().run();
    ASSERT_TRUE(win32::fileExists(package + "Ostrel.txt"));
    EXPECT_EQ(splitLines(*win32::readFileBytes(package + "Ostrel.txt")).size(), 17u) << "whole";
    EXPECT_FALSE(Form7 && Form7->Timer1.enabled()) << "written once";
}

}  // namespace
}  // namespace tavrix::installer::testing
