// A form: a top-level window with a fixed client size and a layout of
// controls, shown modelessly, modally or embedded in another form's panel.
#pragma once

#include <windows.h>

#include <string>

#include "installer/ui/Container.h"
#include "installer/ui/Keyboard.h"

namespace tavrix::ui {

struct FormDesign {
    std::string className;  // the window class, registered under this name
    DWORD style = WS_POPUP;
    DWORD exStyle = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    bool centred = false;  // placed in the middle of the screen when shown
    // Made a child of this window (with WS_CHILD in `style`) instead of a
    // window of its own owned by the main form.
    HWND parent = nullptr;
    Font font = Font::points("MS Sans Serif", 8);
    std::string caption;
};

class Form : public Container {
public:
    explicit Form(const FormDesign& design);
    ~Form() override;
    Form* asForm() override { return this; }

    // Runs the show handler, then puts the window on the screen; a failure
    // the handler gave up on is reported once the window is there.
    void show();
    void hide();
    // Shows the form with a message loop of its own, every other form
    // disabled, until the form closes or the application terminates.
    int showModal();
    // The main form's close ends the application; a modal form's ends its
    // modal loop; any other form is hidden.
    void close();
    bool showing() const { return showing_; }
    bool modal() const { return modal_; }
    void bringToFront();

    // The control that gets the keyboard focus when the form shows (none:
    // the keyboard's default button).
    HWND initialFocus = nullptr;
    Keyboard keyboard;
    // The form whose keyboard takes the keys that reach this one: a frame
    // hands them to the page it shows.
    virtual Form* keyboardTarget() { return this; }
    // The innermost form a window belongs to (null for windows not of this layer).
    static Form* of(HWND window);

    // Embeds the form in a panel of another form, filling it.
    void embedIn(Panel& panel);

protected:
    // Show handler, run each time the form is shown.
    virtual void FormShow() {}
    // For the show handler that gives up on the rest of its steps: the text
    // goes to the standard error report after the window is on the screen.
    void failShow(std::string text) { showFailure_ = std::move(text); }
    // The system asks the window to close (Alt+F4, the task list).
    virtual void closeRequested() { close(); }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void centreOnScreen();
    int runModal();

    void putOnScreen();

    bool centred_;
    std::string showFailure_;
    bool showing_ = false;
    bool modal_ = false;
    bool modalDone_ = false;
};

}  // namespace tavrix::ui
