// Start-up of the installer: the nine windows and their skin, the package
// files, the splash and the agreement text, and the end of the program.
#include <string>

#include "common/win32/FileBytes.h"
#include "installer/Build4.h"
#include "installer/PackageFiles.h"
#include "installer/Startup.h"
#include "installer/Unit1.h"
#include "installer/Unit2.h"
#include "installer/Unit3.h"
#include "installer/Unit4.h"
#include "installer/Unit5.h"
#include "installer/Unit6.h"
#include "installer/Unit7.h"
#include "installer/Unit8.h"
#include "tests/installer/InstallerFixture.h"

namespace tavrix::installer::testing {
namespace {

using StartupTest = InstallerTest;

TEST_F(StartupTest, NineWindowsWithTheirClassesStylesAndSizesNoneVisible) {
    createWindows();
    ASSERT_EQ(ui::Application::instance().mainForm(), Form1);
    struct Expected {
        ui::Form* form;
        const char* className;
        int width;
        int height;
    } windows[] = {
        {Form1, "Tavrix Installer", 421, 326}, {Form2, "Morvane Setup", 387, 227},
        {Form3, "TForm3", 421, 298},           {Form4, "TForm4", 420, 298},
        {Form5, "TForm5", 417, 296},           {Form6, "TForm6", 414, 295},
        {Form7, "TForm7", 418, 295},           {About, "Tavrix Builder", 272, 164},
        {Form8, "TForm8", 384, 265},
    };
    for (const Expected& window : windows) {
        ASSERT_NE(window.form, nullptr) << window.className;
        EXPECT_EQ(classNameOf(window.form->handle()), window.className);
        const SIZE client = clientSizeOf(window.form->handle());
        EXPECT_EQ(client.cx, window.width) << window.className;
        EXPECT_EQ(client.cy, window.height) << window.className;
        EXPECT_FALSE(::IsWindowVisible(window.form->handle())) << window.className;
    }
    for (ui::Form* dialog :
         {static_cast<ui::Form*>(Form1), static_cast<ui::Form*>(Form2), static_cast<ui::Form*>(About)}) {
        const LONG style = ::GetWindowLongA(dialog->handle(), GWL_STYLE);
        EXPECT_TRUE(style & WS_POPUP);
        EXPECT_FALSE(style & WS_DLGFRAME) << "no system caption bar";
        EXPECT_TRUE(style & WS_BORDER) << "a thin border stays";
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(StartupTest, WithoutSkinEveryWindowReportsAndTheProgramEndsWithNothingShown) {
    useSkin(Skin::Missing);
    writePackageFile("Ostrel.ini", "[Splash]\nFilename=splash.bmp\n");
    EXPECT_EQ(runInstaller(package), 0);

    const char* captions[] = {"Morvane Setup",    "Morvane Setup",    "Morvane Setup",    "Morvane Setup",
                              "Tavrix Installer", "Tavrix Installer", "Tavrix Installer", "Tavrix Builder"};
    ASSERT_EQ(boxes.size(), std::size(captions)) << "one report per skinned window, and nothing more";
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].text, "Error while reading 'Velskin.dll'. This application will terminate.");
        EXPECT_EQ(boxes[i].caption, captions[i]);
        EXPECT_EQ(boxes[i].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
        EXPECT_NE(boxes[i].owner, nullptr) << "owned by the failing window";
    }
    EXPECT_EQ(Form1, nullptr) << "every window is gone";
}

TEST_F(StartupTest, WithoutSkinTheMainWindowReadsNoPackageKeys) {
    useSkin(Skin::Missing);
    writePackageFile("Ostrel.ini", "[Splash]\nFilename=splash.bmp\n[Addon]\nCondition=Freeware\n");
    createWindows();
    EXPECT_TRUE(ui::Application::instance().terminateRequested());
    EXPECT_EQ(Form1->SplashFile, "");
    EXPECT_EQ(Form1->Label6.text(), "");
    EXPECT_TRUE(Form1->Image1.picture().empty());
}

TEST_F(StartupTest, BitmapMissingFromTheSkinIsReportedAndEndsTheProgram) {
    useSkin(Skin::WithoutAircraft);
    EXPECT_EQ(runInstaller(package), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Resource Aircraft not found.");
    EXPECT_EQ(boxes[0].caption, "Tavrix Installer");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(Form1, nullptr) << "the window that failed is not left behind";
    EXPECT_EQ(::GetModuleHandleA("Velskin.dll"), nullptr);
}

TEST_F(StartupTest, ShutdownReleasesEveryHoldOnTheSkinLibrary) {
    createWindows();
    EXPECT_NE(::GetModuleHandleA("Velskin.dll"), nullptr);
    for (SkinnedForm* form :
         std::initializer_list<SkinnedForm*>{Form1, Form2, Form3, Form4, Form5, Form6, Form7, About})
        EXPECT_EQ(form->skinLibrary(), ::GetModuleHandleA("Velskin.dll"));
    ui::Application::instance().destroyForms();
    EXPECT_EQ(::GetModuleHandleA("Velskin.dll"), nullptr);
}

TEST_F(StartupTest, WithoutSetupArchiveTheUserIsToldAndTheProgramEnds) {
    removePackageFile("Setup.qzp");
    writePackageFile("licens.qzt", "Terms\r\n");
    EXPECT_EQ(runInstaller(package), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "This is not part of a Setup Package.");
    EXPECT_EQ(boxes[0].caption, "Tavrix Installer");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(boxes[0].owner, nullptr);
}

TEST_F(StartupTest, WithoutDescriptionFileTextsStayEmptyAndReadyPageKeepsItsLayoutText) {
    writePackageFile("licens.qzt", "Terms");
    createWindows();
    showMainWindow();
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(::IsWindowVisible(Form1->handle()));
    EXPECT_EQ(Form1->Label6.text(), "");
    Form3->show();
    EXPECT_EQ(Form3->Label6.text(), "");
    Form5->show();
    EXPECT_EQ(Form5->Label5.text(), "Label5");
}

TEST_F(StartupTest, AgreementTextFillsTheTextBoxAndTheWizardWaitsOnIt) {
    writePackageFile("licens.qzt", "First line\r\nsecond\rthird\nfourth\r\n");
    writePackageFile("Ostrel.ini", "[Addon]\nCondition=Freeware\n");
    createWindows();
    showMainWindow();
    EXPECT_EQ(Form1->Memo1.text(), "First line\r\nsecond\r\nthird\r\nfourth");
    EXPECT_EQ(Form1->Label6.text(), "Freeware");
    EXPECT_EQ(Form1->Label6.bounds().right, 408) << "right-aligned on its right edge";
    EXPECT_FALSE(::IsWindowVisible(Form3->handle()));
    EXPECT_FALSE(Form3->Image6.visible());
    EXPECT_FALSE(Form3->Label8.visible());
    // The focus is on Accept, not in the text, whose lines would show selected.
    EXPECT_EQ(::GetFocus(), Form1->Panel2.handle());
    EXPECT_EQ(Form1->Panel2.focusedGraphic(), &Form1->Image3);
}

TEST_F(StartupTest, EmptyAgreementTextStillShowsTheAgreementPage) {
    writePackageFile("licens.qzt", "");
    createWindows();
    showMainWindow();
    EXPECT_EQ(Form1->Memo1.text(), "");
    EXPECT_FALSE(::IsWindowVisible(Form3->handle()));
}

TEST_F(StartupTest, WithoutAgreementTextTheWelcomePageComesAtOnceWithTheAuthorsButton) {
    writePackageFile("Ostrel.ini", "[Title]\nhl=My Plane\n");
    createWindows();
    showMainWindow();
    EXPECT_TRUE(::IsWindowVisible(Form3->handle()));
    EXPECT_EQ(::GetParent(Form3->handle()), Form1->Panel2.handle());
    const SIZE page = clientSizeOf(Form3->handle());
    EXPECT_EQ(page.cx, 421);
    EXPECT_EQ(page.cy, 299);
    EXPECT_TRUE(Form3->Image6.visible());
    EXPECT_TRUE(Form3->Label8.visible());
    EXPECT_EQ(Form3->Label6.text(), "My Plane");
}

TEST_F(StartupTest, DescriptionKeysMatchInAnyLetterCaseAndLongValuesAreCut) {
    const std::string longTitle(3000, 'x');
    writePackageFile("Ostrel.ini", "[title]\nHL=" + longTitle + "\n[ADDON]\ncondition=Shareware\n");
    createWindows();
    EXPECT_EQ(Form1->Label6.text(), "Shareware");
    Form3->show();
    EXPECT_EQ(Form3->Label6.text(), longTitle.substr(0, 2047));
}

TEST_F(StartupTest, TheDescriptionFileIsNeverWritten) {
    const std::string description = "[Title]\nhl=Glider\n[Splash]\nFilename=\n";
    writePackageFile("Ostrel.ini", description);
    createWindows();
    showMainWindow();
    Form5->show();
    ui::Application::instance().destroyForms();
    EXPECT_EQ(win32::readFileBytes(package + "Ostrel.ini"), description);
}

}  // namespace
}  // namespace tavrix::installer::testing
