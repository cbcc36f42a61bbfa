// The wizard with the keyboard alone: Enter goes forward, Esc cancels, Tab
// moves the focus mark between the edit box and the buttons, Alt with the
// underlined letter presses a button. Keys are posted to the focused window
// and taken by the program's own message loop, as typed keys are.
#include <string>

#include "common/win32/PathExists.h"
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
constexpr LPARAM kAltDown = LPARAM{1} << 29;

// A key as the system posts it: to the focused window (the active one when
// none has the focus, as a system key), then the loop takes it.
void pressKey(WPARAM key, bool alt = false, bool shift = false) {
    BYTE state[256];
    ::GetKeyboardState(state);
    const BYTE shiftBefore = state[VK_SHIFT];
    state[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(state);
    HWND target = ::GetFocus();
    UINT message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    if (!target) {
        target = Form1->handle();
        message = WM_SYSKEYDOWN;
    }
    ::PostMessageA(target, message, key, alt ? kAltDown | 1 : 1);
    ui::Application::instance().processMessages();
    state[VK_SHIFT] = shiftBefore;
    ::SetKeyboardState(state);
}

// The colour a container shows at a point, painted as it paints itself.
COLORREF shownAt(const ui::Container& container, POINT point) {
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP canvas = ::CreateCompatibleBitmap(screen, container.width(), container.height());
    HGDIOBJ old = ::SelectObject(memory, canvas);
    container.paintClient(memory);
    const COLORREF colour = ::GetPixel(memory, point.x, point.y);
    ::SelectObject(memory, old);
    ::DeleteObject(canvas);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

// Whether the focus mark is drawn on a picture button: its left side, just
// inside the face's border, shows another colour than the face has there.
bool markShownOn(const ui::Image& button) {
    const POINT inside{button.left() + 3, button.top() + button.height() / 2};
    return shownAt(*button.parent(), inside) != pixelOf(button.picture(), 3, button.height() / 2);
}

class KeyboardTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        ::CopyFileA((std::string(TEST_ARCHIVES) + "\\small.qzp").c_str(), (package + "Setup.qzp").c_str(),
                    FALSE);
        writePackageFile("licens.qzt", "Read me");
        writePackageFile("Ostrel.ini", "[Title]\nhl=Sky Hopper\n[Addon]\nType=Aircraft\n");
        destination = package + "Dest";
        createWindows();
        showMainWindow();
        ASSERT_TRUE(boxes.empty());
    }
    void TearDown() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        ::SetCurrentDirectoryA(temp);
        InstallerTest::TearDown();
    }
    static bool visible(const ui::Form* form) { return ::IsWindowVisible(form->handle()) != FALSE; }
    static bool focusedOn(const ui::Image& button) {
        return ::GetFocus() == button.parent()->handle() && button.parent()->focusedGraphic() == &button;
    }
    // To the page, by the keyboard only.
    void enterUntil(const ui::Form* page) {
        for (int presses = 0; presses < 6 && !visible(page); ++presses) pressKey(VK_RETURN);
        ASSERT_TRUE(visible(page));
    }

    std::string destination;
};

TEST_F(KeyboardTest, EnterGoesForwardFromTheAgreementToTheEnd) {
    EXPECT_TRUE(focusedOn(Form1->Image3)) << "Accept, the agreement page's forward button";
    EXPECT_TRUE(markShownOn(Form1->Image3));
    EXPECT_FALSE(markShownOn(Form1->Image4));

    pressKey(VK_RETURN);
    ASSERT_TRUE(visible(Form3));
    EXPECT_TRUE(focusedOn(Form3->Image3));
    EXPECT_TRUE(markShownOn(Form3->Image3));

    pressKey(VK_RETURN);
    ASSERT_TRUE(visible(Form4));
    EXPECT_FALSE(visible(Form3));
    EXPECT_TRUE(markShownOn(Form4->Image3));
    Form4->Edit1.setText(destination);

    pressKey(VK_RETURN);
    ASSERT_TRUE(visible(Form5));
    EXPECT_TRUE(win32::directoryExists(destination)) << "as Next does, the folder is made";
    EXPECT_TRUE(markShownOn(Form5->Image3));

    pressKey(VK_RETURN);
    ASSERT_TRUE(visible(Form6));
    EXPECT_TRUE(markShownOn(Form6->Image2)) << "the installation page's only button";
    pressKey(VK_RETURN);
    EXPECT_TRUE(boxes.empty()) << "no forward button: Enter does nothing here, not even Cancel";
    answers = {IDNO};
    pressKey(VK_ESCAPE);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kQuitQuestion);
    ui::Application& application = ui::Application::instance();
    while (!application.terminated() && !visible(Form7)) application.handleMessage();
    ASSERT_TRUE(visible(Form7));
    EXPECT_TRUE(markShownOn(Form7->Image2));
    EXPECT_TRUE(win32::fileExists(destination + "\\readme.txt"));

    pressKey(VK_RETURN);
    EXPECT_TRUE(application.terminateRequested()) << "Finish";
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(KeyboardTest, HeldEnterDoesNotRunThroughThePages) {
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_RETURN, (LPARAM{1} << 30) | 1);  // the key's repeat
    ui::Application::instance().processMessages();
    EXPECT_TRUE(visible(Form3));
    EXPECT_FALSE(visible(Form4));
}

TEST_F(KeyboardTest, EscapeIsCancelOnEveryPageAndFinishAtTheEnd) {
    for (const ui::Form* page : {static_cast<const ui::Form*>(Form1), static_cast<const ui::Form*>(Form3),
                                 static_cast<const ui::Form*>(Form4), static_cast<const ui::Form*>(Form5)}) {
        if (page == Form5) Form4->Edit1.setText(destination);
        if (page != Form1) enterUntil(page);
        const std::size_t before = boxes.size();
        answers = {IDNO};
        pressKey(VK_ESCAPE);
        ASSERT_EQ(boxes.size(), before + 1) << "Esc on " << classNameOf(page->handle());
        EXPECT_EQ(boxes.back().text, kQuitQuestion);
        EXPECT_TRUE(visible(page)) << "No leaves the page as it was";
    }
    EXPECT_FALSE(ui::Application::instance().terminateRequested());

    ShowPage(*Form7);
    const std::size_t before = boxes.size();
    pressKey(VK_ESCAPE);
    EXPECT_EQ(boxes.size(), before) << "the installation is over: no question";
    EXPECT_TRUE(ui::Application::instance().terminateRequested());
}

TEST_F(KeyboardTest, TabMovesTheMarkBetweenTheEditBoxAndTheButtons) {
    enterUntil(Form4);
    ASSERT_TRUE(focusedOn(Form4->Image3));
    pressKey(VK_TAB);
    EXPECT_EQ(::GetFocus(), Form4->Edit1.handle()) << "from the last button back to the edit box";
    EXPECT_FALSE(markShownOn(Form4->Image3));
    pressKey(VK_TAB);
    EXPECT_EQ(::GetFocus(), Form4->Button1.handle()) << "Browse";
    pressKey(VK_TAB);
    EXPECT_TRUE(focusedOn(Form4->Image2)) << "Cancel";
    EXPECT_TRUE(markShownOn(Form4->Image2));
    pressKey(VK_TAB);
    EXPECT_TRUE(focusedOn(Form4->Image4)) << "<< Back";
    EXPECT_TRUE(markShownOn(Form4->Image4));
    EXPECT_FALSE(markShownOn(Form4->Image2));
    pressKey(VK_TAB, false, true);
    EXPECT_TRUE(focusedOn(Form4->Image2)) << "Shift+Tab goes back";

    // Enter presses the button that has the focus: here Cancel.
    answers = {IDNO};
    pressKey(VK_RETURN);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kQuitQuestion);

    // In the edit box Enter is the page's forward button, a space is typed.
    pressKey(VK_TAB, false, true);
    pressKey(VK_TAB, false, true);
    ASSERT_EQ(::GetFocus(), Form4->Edit1.handle());
    Form4->Edit1.setText(destination);
    pressKey(VK_RETURN);
    EXPECT_TRUE(visible(Form5));
    EXPECT_FALSE(visible(Form4));
}

TEST_F(KeyboardTest, TabSkipsAHiddenButtonAndTheAgreementTextTakesTheFocus) {
    // The welcome page's Author(s) is hidden while the package has a licence.
    enterUntil(Form3);
    for (int presses = 0; presses < 3; ++presses) {
        pressKey(VK_TAB);
        EXPECT_FALSE(focusedOn(Form3->Image6));
    }
    EXPECT_TRUE(focusedOn(Form3->Image3)) << "three stops: Cancel, Back, Next";

    // Back with Alt: the agreement page gets the focus again, on Accept.
    pressKey('B', true);
    ASSERT_FALSE(visible(Form3));
    EXPECT_TRUE(focusedOn(Form1->Image3));
    pressKey(VK_TAB, false, true);
    EXPECT_TRUE(focusedOn(Form1->Image6)) << "Author(s), left of Accept";
    pressKey(VK_TAB, false, true);
    EXPECT_EQ(::GetFocus(), Form1->Memo1.handle()) << "the agreement text, to scroll with the keys";
}

TEST_F(KeyboardTest, AltWithTheUnderlinedLetterPressesItsButton) {
    EXPECT_EQ(Form1->Label3.text(), "Accept") << "the caption's text is unchanged";
    EXPECT_EQ(Form1->Label3.accelerator(), 'A');
    pressKey('N', true);
    EXPECT_FALSE(visible(Form3)) << "no Next on the agreement page";
    pressKey('A', true);
    ASSERT_TRUE(visible(Form3));
    pressKey('N', true);
    ASSERT_TRUE(visible(Form4));
    pressKey('B', true);
    EXPECT_TRUE(visible(Form3));
    EXPECT_FALSE(visible(Form4));
    pressKey('A', true);
    EXPECT_TRUE(visible(Form3)) << "Accept lies under the page: its letter does nothing there";
    answers = {IDNO};
    pressKey('C', true);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kQuitQuestion);
}

TEST_F(KeyboardTest, TheAuthorsDialogClosesWithItsKeys) {
    for (WPARAM key : {WPARAM{VK_ESCAPE}, WPARAM{VK_RETURN}, WPARAM{'O'}}) {
        bool shown = false;
        duringNextLoop([&] {
            shown = visible(Form2);
            pressKey(key, key == 'O');
        });
        pressKey('U', true);  // Author(s), modal: returns when the dialog is closed
        EXPECT_TRUE(shown) << key;
        EXPECT_FALSE(visible(Form2)) << key;
        EXPECT_TRUE(focusedOn(Form1->Image3)) << "the keys come back to where they were";
        EXPECT_FALSE(visible(Form3)) << "the key stayed in the dialog";
    }
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace tavrix::installer::testing
