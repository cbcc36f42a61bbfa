// The one place the shell is asked to open something (ShellExecuteA). The
// program calls the shell; a test installs a handler that records the call.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tavrix::ui {

struct ShellExecuteRequest {
    HWND owner;
    std::string verb;
    std::string file;
    std::string parameters;  // empty: none passed
    std::string directory;   // empty: none passed
    int showCommand;
};

using ShellExecuteHandler = std::function<void(const ShellExecuteRequest&)>;

void shellExecute(const ShellExecuteRequest& request);

// Replaces the handler (an empty one restores the shell) and returns the old.
ShellExecuteHandler setShellExecuteHandler(ShellExecuteHandler handler);

}  // namespace tavrix::ui
