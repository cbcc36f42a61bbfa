// Whether a path names an existing file or an existing folder.
#pragma once

#include <string>

namespace tavrix::win32 {

// True when the path names an existing file (not a folder).
bool fileExists(const std::string& path);
// True when the path names an existing folder.
bool directoryExists(const std::string& path);

}  // namespace tavrix::win32
