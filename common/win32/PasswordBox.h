// The box that asks for a password: a caption, a prompt, an edit field that
// hides what is typed (empty at first), OK and Cancel. Enter is OK, Escape
// is Cancel. Built in memory, so a program needs no resource of its own.
//
// A test installs a handler that answers instead of a person.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace tavrix::win32 {

struct PasswordBoxRequest {
    HWND owner;
    std::string caption;
    std::string prompt;
};

// The text entered and OK, or nothing for Cancel.
using PasswordBoxHandler = std::function<std::optional<std::string>(const PasswordBoxRequest&)>;

std::optional<std::string> askPassword(HWND owner, const std::string& caption, const std::string& prompt);

// Replaces the handler (an empty one restores the real box) and returns the
// previous one.
PasswordBoxHandler setPasswordBoxHandler(PasswordBoxHandler handler);

// The real box. `onShown`, when given, runs once the box and its controls
// exist (with the box's window): tests type and press keys from there.
std::optional<std::string> runPasswordBox(const PasswordBoxRequest& request,
                                          const std::function<void(HWND box)>& onShown = {});

// The controls of the box, for those who drive it.
inline constexpr int kPasswordPromptId = 100;
inline constexpr int kPasswordEditId = 101;

}  // namespace tavrix::win32
