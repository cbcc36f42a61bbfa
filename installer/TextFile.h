// A text file written anew, whole or not at all: the information file and
// the installation record.
#pragma once

#include <windows.h>

#include <string>

#include "common/support/TextResult.h"
#include "common/win32/UniqueHandle.h"

namespace tavrix::installer {

// The bytes go first to <path> + this suffix.
inline constexpr const char* kTemporarySuffix = ".new";

// Whole or not at all: the text goes to a file beside the target first, which
// then replaces the target in one step, so a failed write (a full disk, a
// target that cannot be replaced) never leaves a truncated record behind.
// Fails with "Cannot create file <path>" when the file cannot be created or
// replaced, "Stream write error" when its bytes cannot be written. (Here in
// the header: as a file of its own it cost the installer 600 bytes.)
inline TextResult<> saveTextFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + kTemporarySuffix;
    bool written = false;
    {
        win32::UniqueFile file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return TextFailure{"Cannot create file " + path};
        DWORD count = 0;
        written = ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &count, nullptr) &&
                  count == text.size() && ::FlushFileBuffers(file.get());
    }
    if (!written) {
        ::DeleteFileA(temporary.c_str());
        return TextFailure{"Stream write error"};
    }
    if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(temporary.c_str());
        return TextFailure{"Cannot create file " + path};
    }
    return Done{};
}

}  // namespace tavrix::installer
