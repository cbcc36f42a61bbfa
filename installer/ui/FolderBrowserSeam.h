// The one place the shell's folder browser is shown. The program shows the
// real browser; a test installs a handler that records the request and
// picks a folder or cancels.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace tavrix::ui {

struct FolderBrowseRequest {
    HWND owner;
    std::string title;
    UINT flags;  // BIF_* flags
};

// The chosen folder's file-system path, or none when the user cancelled or
// the choice has no such path.
using FolderBrowseHandler = std::function<std::optional<std::string>(const FolderBrowseRequest&)>;

std::optional<std::string> browseForFolder(const FolderBrowseRequest& request);

// Replaces the handler (an empty one restores the shell) and returns the old.
FolderBrowseHandler setFolderBrowseHandler(FolderBrowseHandler handler);

}  // namespace tavrix::ui
