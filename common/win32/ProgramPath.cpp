#include "common/win32/ProgramPath.h"

#include <windows.h>

namespace tavrix::win32 {

namespace {
// Long enough for any path the system can give (the "\\?\" form included).
constexpr DWORD kLongestPath = 32768;
}  // namespace

std::string programPath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        // A full buffer may hold a cut path (Windows 2000 does not even say so).
        if (length < path.size() - 1 || path.size() >= kLongestPath) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace tavrix::win32
