// The wizard's pages and dialogs: image buttons and their faces, the moves
// between pages, the quit confirmation, the title bar, the authors dialog
// and the about box.
#include <string>

#include "installer/Build4.h"
#include "installer/Unit1.h"
#include "installer/Unit2.h"
#include "installer/Unit3.h"
#include "installer/Unit4.h"
#include "installer/Unit5.h"
#include "installer/Unit6.h"
#include "installer/Unit7.h"
#include "tests/installer/InstallerFixture.h"

namespace tavrix::installer::testing {
namespace {

constexpr const char* kQuitQuestion =
    "WARNING: The installation has not been completed.\nAre you sure you want to quit?";

class PagesTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        writePackageFile("licens.qzt", "Read me");
        writePackageFile("Ostrel.ini",
                         "[Title]\nhl=Sky Hopper\n[Authors]\n1=ann@example.com\n2=Ann Smith\n"
                         "3=bo@example.com\n4=Bo & Co\n");
        createWindows();
        showMainWindow();
        ASSERT_TRUE(boxes.empty());
    }
    static bool visible(const ui::Form* form) { return ::IsWindowVisible(form->handle()) != FALSE; }
    static COLORREF face(const ui::Image& image) { return pixelOf(image.picture(), 32, 12); }
};

TEST_F(PagesTest, PressShowsThePressedFaceAndReleaseTheReleasedOneEvenOutside) {
    const COLORREF released = releasedFaceColour();
    const COLORREF pressed = pressedFaceColour();
    ASSERT_NE(released, pressed);
    EXPECT_EQ(face(Form1->Image3), released);

    mouseDown(Form1->Panel2, centreOf(Form1->Label3));  // on the caption
    EXPECT_EQ(face(Form1->Image3), pressed);
    mouseUp(Form1->Panel2, {5, 5});
    EXPECT_EQ(face(Form1->Image3), released);
    EXPECT_FALSE(visible(Form3)) << "released outside: no Accept";

    mouseDown(Form1->Panel2, {Form1->Image3.left() + 2, Form1->Image3.top() + 2}, ui::MouseButton::Right);
    EXPECT_EQ(face(Form1->Image3), pressed) << "any button presses";
    bool menuOpened = false;
    duringNextLoop([&] {
        menuOpened = true;
        ::EndMenu();
    });
    mouseUp(Form1->Panel2, {Form1->Image3.left() + 2, Form1->Image3.top() + 2}, ui::MouseButton::Right);
    EXPECT_TRUE(menuOpened) << "a right click on the main window opens its context menu";
    EXPECT_EQ(face(Form1->Image3), released);
    EXPECT_FALSE(visible(Form3));

    click(Form1->Label3);
    EXPECT_TRUE(visible(Form3));
    EXPECT_TRUE(visible(Form1)) << "the agreement page stays underneath";
}

// The pages wait hidden in the page area from the start; the one shown lies
// above the agreement page's controls there and fills the area.
TEST_F(PagesTest, APageWaitsHiddenInThePageAreaAndIsShownOnTopOfItFillingIt) {
    const HWND area = Form1->Panel2.handle();
    for (const ui::Form* page : {static_cast<const ui::Form*>(Form3), static_cast<const ui::Form*>(Form6),
                                 static_cast<const ui::Form*>(Form7)}) {
        EXPECT_EQ(::GetAncestor(page->handle(), GA_PARENT), area);
        EXPECT_FALSE(visible(page));
    }
    click(Form1->Image3);
    ASSERT_TRUE(visible(Form3));
    EXPECT_EQ(::GetWindow(area, GW_CHILD), Form3->handle()) << "the page is the area's top child";
    RECT page{}, whole{};
    ::GetWindowRect(Form3->handle(), &page);
    ::GetClientRect(area, &whole);
    ::MapWindowPoints(area, nullptr, reinterpret_cast<POINT*>(&whole), 2);
    EXPECT_TRUE(::EqualRect(&page, &whole));

    click(Form3->Label1);  // Next
    ASSERT_TRUE(visible(Form4));
    EXPECT_EQ(::GetWindow(area, GW_CHILD), Form4->handle());
    click(Form4->Image4);  // Back: the page shown before comes on top again
    ASSERT_TRUE(visible(Form3));
    EXPECT_EQ(::GetWindow(area, GW_CHILD), Form3->handle());
}

TEST_F(PagesTest, WalkingForwardAndBackShowsOnePageAtATimeAndRereadsTheTitle) {
    click(Form1->Image3);
    EXPECT_TRUE(visible(Form3));
    EXPECT_EQ(Form3->Label6.text(), "Sky Hopper");
    EXPECT_FALSE(Form3->Image6.visible()) << "the package has an agreement text";

    click(Form3->Label1);  // Next
    EXPECT_TRUE(visible(Form4));
    EXPECT_FALSE(visible(Form3));
    EXPECT_EQ(::GetParent(Form4->handle()), Form1->Panel2.handle());

    writePackageFile("Ostrel.ini", "[Title]\nhl=Sky Hopper II\n");
    Form4->Edit1.setText(package + "Destination");
    click(Form4->Image3);
    EXPECT_TRUE(visible(Form5));
    EXPECT_FALSE(visible(Form4));
    EXPECT_EQ(Form5->Label5.text(), "Sky Hopper II");

    click(Form5->Label3);  // Back
    EXPECT_TRUE(visible(Form4));
    EXPECT_FALSE(visible(Form5));
    click(Form4->Image4);
    EXPECT_TRUE(visible(Form3));
    EXPECT_EQ(Form3->Label6.text(), "Sky Hopper II");
    click(Form3->Image4);
    EXPECT_FALSE(visible(Form3));
    EXPECT_EQ(Form1->Memo1.text(), "Read me") << "the agreement page as it was";

    click(Form1->Image3);
    click(Form3->Image3);
    click(Form4->Image3);
    click(Form5->Image3);
    EXPECT_TRUE(visible(Form6));
    EXPECT_FALSE(visible(Form5));
    const SIZE page = clientSizeOf(Form6->handle());
    EXPECT_EQ(page.cx, 421);
    EXPECT_EQ(page.cy, 299);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PagesTest, NoInTheQuitConfirmationKeepsThePageAndEverythingOnIt) {
    click(Form1->Image3);
    answers = {IDNO};
    click(Form3->Label2);  // Cancel
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kQuitQuestion);
    EXPECT_EQ(boxes[0].caption, "Tavrix Installer");
    EXPECT_EQ(boxes[0].type, 0x34u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_TRUE(visible(Form3));
    EXPECT_TRUE(visible(Form1));
    EXPECT_EQ(Form3->Label6.text(), "Sky Hopper");
    EXPECT_EQ(Form1->Memo1.text(), "Read me");
    EXPECT_EQ(face(Form3->Image2), releasedFaceColour());
    EXPECT_FALSE(ui::Application::instance().terminateRequested());
}

TEST_F(PagesTest, YesInTheQuitConfirmationClosesTheMainWindowFromAnyPage) {
    ShowPage(*Form7);
    answers = {IDYES};
    ::SendMessageA(Form1->Close1.handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ::SendMessageA(Form1->Close1.handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kQuitQuestion);
    EXPECT_TRUE(ui::Application::instance().terminateRequested());
    EXPECT_FALSE(visible(Form1));
    EXPECT_EQ(Form1->Close1.hint(), "Close");
}

TEST_F(PagesTest, ClosingTheMainWindowFromTheSystemAsksFirst) {
    answers = {IDNO};
    ::SendMessageA(Form1->handle(), WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kQuitQuestion);
    EXPECT_TRUE(visible(Form1));
    EXPECT_FALSE(ui::Application::instance().terminateRequested());
}

TEST_F(PagesTest, EveryCancelAsksTheSameQuestion) {
    struct Cancel {
        WizardPage* page;
        ui::Image* image;
    } cancels[] = {
        {Form3, &Form3->Image2}, {Form4, &Form4->Image2}, {Form5, &Form5->Image2}, {Form6, &Form6->Image2}};
    for (const Cancel& cancel : cancels) {
        ShowPage(*cancel.page);
        answers = {IDNO};
        mouseDown(*cancel.page, centreOf(*cancel.image));
        mouseUp(*cancel.page, centreOf(*cancel.image));
        cancel.page->hide();
    }
    click(Form1->Image4);
    ASSERT_EQ(boxes.size(), 5u);
    for (const auto& box : boxes) EXPECT_EQ(box.type, 0x34u);
    EXPECT_FALSE(ui::Application::instance().terminateRequested());
}

TEST_F(PagesTest, FinishEndsTheProgramWithoutAsking) {
    ShowPage(*Form7);
    click(Form7->Label2);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(ui::Application::instance().terminateRequested());
}

// Records the system commands the main window receives instead of running
// the system's move loop.
std::vector<WPARAM> systemCommands;
WNDPROC originalProcedure = nullptr;
LRESULT CALLBACK recordSystemCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND) {
        systemCommands.push_back(wParam);
        EXPECT_EQ(lParam, 0);
        return 0;
    }
    return ::CallWindowProcA(originalProcedure, window, message, wParam, lParam);
}

TEST_F(PagesTest, OnlyTheLeftButtonDragsTheMainWindowByItsTitleBar) {
    systemCommands.clear();
    originalProcedure = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        Form1->handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordSystemCommands)));
    for (auto button : {ui::MouseButton::Right, ui::MouseButton::Middle}) {
        duringNextLoop([] { ::EndMenu(); });  // the right click's context menu
        mouseDown(Form1->Panel1, centreOf(Form1->Label1), button);
        mouseUp(Form1->Panel1, centreOf(Form1->Label1), button);
        ui::Application::instance().processMessages();
    }
    EXPECT_TRUE(systemCommands.empty());
    for (const ui::GraphicControl* area :
         std::initializer_list<const ui::GraphicControl*>{&Form1->Label1, &Form1->Image5, &Form1->Image1}) {
        mouseDown(Form1->Panel1, {area->left() + 1, area->top() + 1});
    }
    mouseDown(Form1->Panel1, {300, 12});
    ::SetWindowLongPtrA(Form1->handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProcedure));
    EXPECT_EQ(systemCommands, (std::vector<WPARAM>{0xF012, 0xF012, 0xF012, 0xF012}));
}

BITMAP bitmapInfo(HBITMAP bitmap) {
    BITMAP info{};
    ::GetObjectA(bitmap, sizeof info, &info);
    return info;
}

TEST(ProgramImages, HandCursorAndCloseGlyphHaveTheirSizesAndHotSpot) {
    const HMODULE program = ::GetModuleHandleA(nullptr);
    HCURSOR hand = ::LoadCursorA(program, "hacursor");
    ASSERT_NE(hand, nullptr);
    ICONINFO icon{};
    ASSERT_TRUE(::GetIconInfo(hand, &icon));
    EXPECT_FALSE(icon.fIcon);
    EXPECT_EQ(icon.xHotspot, 14u);
    EXPECT_EQ(icon.yHotspot, 8u);
    // A two-colour cursor keeps its AND and XOR masks in one bitmap, one above
    // the other.
    const BITMAP mask = bitmapInfo(icon.hbmMask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, icon.hbmColor ? 32 : 64);
    if (icon.hbmColor) ::DeleteObject(icon.hbmColor);
    ::DeleteObject(icon.hbmMask);

    HBITMAP close = ::LoadBitmapA(program, "CLOSEGLYPH");
    ASSERT_NE(close, nullptr);
    const BITMAP glyph = bitmapInfo(close);
    EXPECT_EQ(glyph.bmWidth, 19);
    EXPECT_EQ(glyph.bmHeight, 18);
    ::DeleteObject(close);
}

TEST_F(PagesTest, AuthorsDialogShowsTheAuthorsAndColoursTheLinksWithTheMouse) {
    struct Seen {
        bool shown = false;
        bool mainEnabled = true;
        COLORREF faceAtOpen = 0;
        std::string texts[6];
        bool handCursor = false;
    } seen;
    duringNextLoop([&] {
        seen.shown = visible(Form2);
        seen.mainEnabled = ::IsWindowEnabled(Form1->handle()) != FALSE;
        seen.faceAtOpen = face(Form1->Image6);
        const ui::Label* labels[] = {&Form2->Label3, &Form2->Label4, &Form2->Label5,
                                     &Form2->Label6, &Form2->Label7, &Form2->Label8};
        for (int i = 0; i < 6; ++i) seen.texts[i] = labels[i]->text();
        seen.handCursor = Form2->Label4.cursor != nullptr &&
                          Form2->Label4.cursor == ui::Application::instance().cursor(kHandCursor);

        EXPECT_EQ(Form2->Label4.color(), ui::kWindowText);
        mouseMove(*Form2, centreOf(Form2->Label4));
        mouseMove(*Form2, centreOf(Form2->Label6));
        EXPECT_EQ(Form2->Label4.color(), ui::kNavy);
        EXPECT_EQ(Form2->Label6.color(), ui::kNavy);
        mouseMove(*Form2, centreOf(Form2->Label3));
        EXPECT_EQ(Form2->Label4.color(), ui::kBlack);
        EXPECT_EQ(Form2->Label6.color(), ui::kNavy) << "a name resets only its own address";
        mouseMove(*Form2, {Form2->Image4.left() + 5, Form2->Image4.top() + 5});
        mouseMove(*Form2, centreOf(Form2->Image3));
        EXPECT_EQ(Form2->Label6.color(), ui::kNavy) << "picture and button change nothing";
        mouseMove(*Form2, {380, 120});
        EXPECT_EQ(Form2->Label6.color(), ui::kBlack) << "the background resets every address";
        mouseMove(*Form2, centreOf(Form2->Label6));
        EXPECT_EQ(Form2->Label6.color(), ui::kNavy);
        mouseMove(*Form2, centreOf(Form2->Label5));
        EXPECT_EQ(Form2->Label6.color(), ui::kBlack);

        click(Form2->Label4);
        click(Form2->Label2);  // OK
    });
    mouseDown(Form1->Panel2, centreOf(Form1->Label5));
    mouseUp(Form1->Panel2, centreOf(Form1->Label5));

    EXPECT_TRUE(seen.shown);
    EXPECT_FALSE(seen.mainEnabled) << "modal";
    EXPECT_EQ(seen.faceAtOpen, releasedFaceColour()) << "restored before the dialog opens";
    EXPECT_EQ(seen.texts[0], "Ann Smith");
    EXPECT_EQ(seen.texts[1], "ann@example.com");
    EXPECT_EQ(seen.texts[2], "Bo & Co");
    EXPECT_EQ(seen.texts[3], "bo@example.com");
    EXPECT_EQ(seen.texts[4], "");
    EXPECT_EQ(seen.texts[5], "");
    EXPECT_TRUE(seen.handCursor);
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_EQ(shellCalls[0].owner, ::GetDesktopWindow());
    EXPECT_EQ(shellCalls[0].verb, "open");
    EXPECT_EQ(shellCalls[0].file, "MailTo:ann@example.com");
    EXPECT_EQ(shellCalls[0].parameters, "");
    EXPECT_EQ(shellCalls[0].directory, "");
    EXPECT_EQ(shellCalls[0].showCommand, SW_HIDE);
    EXPECT_FALSE(visible(Form2));
    EXPECT_TRUE(::IsWindowEnabled(Form1->handle()));
}

TEST_F(PagesTest, AuthorsButtonOfTheWelcomePageOpensTheDialogToo) {
    Form3->Image6.setVisible(true);
    Form3->Label8.setVisible(true);
    ShowPage(*Form3);
    bool shown = false;
    duringNextLoop([&] {
        shown = visible(Form2);
        Form2->Close1Click();
    });
    mouseDown(*Form3, centreOf(Form3->Image6));
    EXPECT_EQ(face(Form3->Image6), pressedFaceColour());
    mouseUp(*Form3, centreOf(Form3->Image6));
    EXPECT_TRUE(shown);
    EXPECT_EQ(face(Form3->Image6), releasedFaceColour());
}

TEST_F(PagesTest, AboutBoxOpensFromTheContextMenuWithoutBlockingTheWizard) {
    ASSERT_EQ(Form1->PopupMenu1.itemCount(), 1u);
    EXPECT_EQ(Form1->PopupMenu1.itemText(0), "About Tavrix Installer");
    Form1->PopupMenu1.choose(0);
    EXPECT_TRUE(visible(About));
    EXPECT_TRUE(::IsWindowEnabled(Form1->handle()));
    click(Form1->Image3);
    EXPECT_TRUE(visible(Form3)) << "the wizard goes on while the box is open";

    EXPECT_EQ(About->Label7.color(), ui::kWindowText);
    EXPECT_EQ(About->Label7.cursor, ui::Application::instance().cursor(kHandCursor));
    mouseMove(*About, centreOf(About->Label7));
    EXPECT_EQ(About->Label7.color(), ui::kNavy);
    mouseMove(*About, {250, 10});
    EXPECT_EQ(About->Label7.color(), ui::kBlack);
    click(About->Label7);
    ASSERT_EQ(shellCalls.size(), 1u);
    EXPECT_EQ(shellCalls[0].file, "MailTo:support@example.com");
    EXPECT_EQ(shellCalls[0].showCommand, SW_HIDE);
    EXPECT_EQ(shellCalls[0].owner, ::GetDesktopWindow());
    EXPECT_EQ(About->Label7.text(), "support@example.com");

    click(About->Label11);  // OK
    EXPECT_FALSE(visible(About));
}

}  // namespace
}  // namespace tavrix::installer::testing
