#include "common/win32/MessageBoxSeam.h"

#include <utility>

namespace tavrix::win32 {
namespace {

MessageBoxHandler& currentHandler() {
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

int showMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    const auto& handler = currentHandler();
    if (handler) return handler(MessageBoxRequest{owner, text, caption, type});
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(currentHandler(), std::move(handler));
}

}  // namespace tavrix::win32
