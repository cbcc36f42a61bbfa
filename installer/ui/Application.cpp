#include "installer/ui/Application.h"

#include <utility>

#include "common/win32/MessageBoxSeam.h"
#include "installer/ui/ErrorText.h"
#include "installer/ui/Form.h"

namespace tavrix::ui {

Application& Application::instance() {
    static Application application;
    return application;
}

void Application::adopt(std::unique_ptr<Form> form) {
    if (!mainForm_) mainForm_ = form.get();
    forms_.push_back(std::move(form));
}

void Application::run() {
    // A failure during start-up has already asked to terminate: nothing of
    // the wizard is shown then.
    if (mainForm_ && !terminateRequested_) mainForm_->show();
    while (!terminated_) handleMessage();
}

void Application::handleMessage() {
    MSG message;
    if (::GetMessageA(&message, nullptr, 0, 0) <= 0) {
        terminated_ = true;
        return;
    }
    dispatch(message);
}

void Application::dispatch(MSG& message) {
    if (routeKey(message)) return;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

bool Application::routeKey(const MSG& message) {
    // The release of Alt after an Alt+letter the forms took: the system saw
    // Alt alone, and would open the window menu on it.
    if ((message.message == WM_SYSKEYUP || message.message == WM_KEYUP) && message.wParam == VK_MENU &&
        std::exchange(altLetterTaken_, false))
        return true;
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    Form* form = Form::of(message.hwnd);
    if (!form) return false;
    const bool taken =
        form->keyboardTarget()->keyboard.handleKey(message.message, message.wParam, message.lParam);
    if (taken && message.message == WM_SYSKEYDOWN && (message.lParam & (LPARAM{1} << 29)))
        altLetterTaken_ = true;
    return taken;
}

void Application::processMessages() {
    MSG message;
    while (!terminated_ && ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            terminated_ = true;
            return;
        }
        dispatch(message);
    }
}

void Application::terminate() {
    terminateRequested_ = true;
    ::PostQuitMessage(0);
}

void Application::destroyForms() {
    while (!forms_.empty()) {
        std::unique_ptr<Form> last = std::move(forms_.back());
        forms_.pop_back();
        if (last.get() == mainForm_) mainForm_ = nullptr;
        last.reset();
    }
    mainForm_ = nullptr;
}

void Application::reset() {
    destroyForms();
    // A termination request leaves WM_QUIT in the queue; take it away.
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    terminateRequested_ = false;
    terminated_ = false;
    cursors_.clear();
}

void Application::showError(const std::string& text) {
    HWND owner = mainForm_ && ::IsWindowVisible(mainForm_->handle()) ? mainForm_->handle() : nullptr;
    win32::showMessageBox(owner, withClosingPeriod(text), title_, MB_OK | MB_ICONERROR);
}

}  // namespace tavrix::ui
