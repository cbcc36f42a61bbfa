#include "installer/ui/Form.h"

#include <utility>
#include <vector>

#include "installer/ui/Application.h"

namespace tavrix::ui {

Form::Form(const FormDesign& design)
    : Container(nullptr, RECT{0, 0, design.clientWidth, design.clientHeight}, design.font),
      centred_(design.centred) {
    // Every form but the first is owned by the main form (one task-bar
    // button, and dialogs stay above the wizard), unless it is made inside
    // another window.
    Form* main = Application::instance().mainForm();
    HWND parentOrOwner = design.parent ? design.parent : main ? main->handle() : nullptr;
    createOwnWindow(design.className, design.style | WS_CLIPCHILDREN, design.exStyle, parentOrOwner,
                    design.caption);
}

Form::~Form() = default;

void Form::centreOnScreen() {
    RECT frame;
    ::GetWindowRect(window_, &frame);
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    ::SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::show() {
    if (showing_) {
        ::ShowWindow(window_, SW_SHOW);
        bringToFront();
        return;
    }
    showing_ = true;
    visible_ = true;
    if (centred_ && !(::GetWindowLongA(window_, GWL_STYLE) & WS_CHILD)) centreOnScreen();
    showFailure_.clear();
    FormShow();
    putOnScreen();
    if (!showFailure_.empty()) Application::instance().showError(std::exchange(showFailure_, {}));
}

void Form::putOnScreen() {
    // The show handler may have hidden the form again.
    if (!showing_) return;
    ::ShowWindow(window_, SW_SHOW);
    if (initialFocus)
        ::SetFocus(initialFocus);
    else
        keyboardTarget()->keyboard.focusDefault();
}

void Form::hide() {
    showing_ = false;
    visible_ = false;
    const HWND focused = ::GetFocus();
    const bool hadFocus = focused && (focused == window_ || ::IsChild(window_, focused));
    ::ShowWindow(window_, SW_HIDE);
    if (!hadFocus) return;
    // The focus goes to what is uncovered: for an embedded page the frame's
    // page beneath, for a window of its own the main window's page (the
    // system would leave it nowhere).
    Form* next = (::GetWindowLongA(window_, GWL_STYLE) & WS_CHILD) ? of(::GetAncestor(window_, GA_ROOT))
                                                                   : Application::instance().mainForm();
    if (next && next != this && next->showing()) next->keyboardTarget()->keyboard.focusDefault();
}

Form* Form::of(HWND window) {
    const HWND desktop = ::GetDesktopWindow();
    for (; window && window != desktop; window = ::GetAncestor(window, GA_PARENT))
        if (WindowedControl* control = fromHandle(window))
            if (Form* form = control->asForm()) return form;
    return nullptr;
}

void Form::bringToFront() {
    ::SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (!(::GetWindowLongA(window_, GWL_STYLE) & WS_CHILD)) ::SetForegroundWindow(window_);
}

namespace {

// The other windows of this thread that were usable, disabled while a modal
// form runs and enabled again however its loop ends. Hidden windows stay
// enabled: one shown during the loop (the main window after the splash)
// must be usable at once.
class DisabledWindows {
public:
    explicit DisabledWindows(HWND except) {
        for (HWND window = ::GetTopWindow(nullptr); window; window = ::GetNextWindow(window, GW_HWNDNEXT)) {
            if (window == except || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
                continue;
            if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) {
                ::EnableWindow(window, FALSE);
                windows_.push_back(window);
            }
        }
    }
    ~DisabledWindows() {
        for (HWND window : windows_) ::EnableWindow(window, TRUE);
    }
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;

private:
    std::vector<HWND> windows_;
};

}  // namespace

int Form::showModal() {
    // The keys go back where they were when the form closes: the system
    // leaves the focus nowhere once the window that had it is hidden.
    const HWND focusBefore = ::GetFocus();
    const int result = runModal();
    if (focusBefore && ::IsWindow(focusBefore) && ::IsWindowVisible(focusBefore)) ::SetFocus(focusBefore);
    return result;
}

int Form::runModal() {
    Application& application = Application::instance();
    // Left in this order however the loop ends: the other windows enabled
    // first, then this one hidden, so activation goes back to them.
    struct ModalState {
        Form& form;
        explicit ModalState(Form& modalForm) : form(modalForm) {
            form.modal_ = true;
            form.modalDone_ = false;
        }
        ~ModalState() {
            form.modal_ = false;
            form.hide();
        }
    } state(*this);
    DisabledWindows others(window_);
    show();
    while (!modalDone_ && !application.terminated()) application.handleMessage();
    return modalDone_ ? IDOK : IDCANCEL;
}

void Form::close() {
    if (this == Application::instance().mainForm()) {
        Application::instance().terminate();
        hide();
    } else if (modal_) {
        modalDone_ = true;
    } else {
        hide();
    }
}

void Form::embedIn(Panel& panel) {
    // A form made in the panel is only fitted and raised: moving a window
    // to another parent costs Wine a few milliseconds.
    if (::GetAncestor(window_, GA_PARENT) != panel.handle()) {
        LONG style = ::GetWindowLongA(window_, GWL_STYLE);
        style = (style & ~WS_POPUP) | WS_CHILD | WS_CLIPSIBLINGS;
        ::SetWindowLongA(window_, GWL_STYLE, style);
        ::SetParent(window_, panel.handle());
    }
    parent_ = &panel;
    RECT area;
    ::GetClientRect(panel.handle(), &area);
    // Maximised in the panel: the page fills the page area.
    setBounds(0, 0, area.right, area.bottom);
    ::SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
}

LRESULT Form::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        closeRequested();
        return 0;
    }
    return Container::handleMessage(message, wParam, lParam);
}

}  // namespace tavrix::ui
