// Deleting a file through the shell's file operation: silently, without a
// confirmation, to the recycle bin when asked. Tests install a handler, so
// that nothing lands in a recycle bin and every call can be checked.
#pragma once

#include <functional>
#include <string>

namespace tavrix::archive {

// Returns the shell's result (0 on success).
using ShellDeleteHandler = std::function<int(const std::string& fullPath, bool allowUndo)>;

int shellDeleteFile(const std::string& fullPath, bool allowUndo);
// Replaces the handler (empty: the real shell again); returns the previous one.
ShellDeleteHandler setShellDeleteHandler(ShellDeleteHandler handler);

}  // namespace tavrix::archive
