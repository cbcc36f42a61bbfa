#include "common/win32/PathExists.h"

#include <windows.h>

namespace tavrix::win32 {

namespace {

// The attributes of what the path names, or INVALID_FILE_ATTRIBUTES when it
// names nothing. An empty path names nothing, whatever the current folder.
DWORD attributesOf(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(path.c_str());
}

}  // namespace

bool fileExists(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool directoryExists(const std::string& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace tavrix::win32
