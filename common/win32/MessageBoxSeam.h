// The one place message boxes are shown from.
//
// The program shows real boxes; a test installs a handler that records each
// box and answers it, so nothing waits for a person at the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tavrix::win32 {

struct MessageBoxRequest {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;  // MB_* flags as passed to MessageBoxA
};

// Returns the button the user chose (IDOK, IDYES, ...).
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

int showMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// Replaces the handler (an empty handler restores the real MessageBoxA) and
// returns the previous one.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

}  // namespace tavrix::win32
