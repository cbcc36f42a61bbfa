// The shell's format dialog (SHFormatDrive), behind a seam: a test answers
// in its place instead of a person at the dialog.
#pragma once

#include <windows.h>

#include <functional>

namespace tavrix::win32 {

// The shell's results: the new serial number or one of these.
inline constexpr DWORD kFormatFailed = 0xFFFFFFFF;     // SHFMT_ERROR
inline constexpr DWORD kFormatCancelled = 0xFFFFFFFE;  // SHFMT_CANCEL
inline constexpr DWORD kFormatNotDone = 0xFFFFFFFD;    // SHFMT_NOFORMAT

struct FormatDriveRequest {
    HWND owner;
    UINT drive;  // 0 for A:
    UINT formatId;
    UINT options;
};

using FormatDriveHandler = std::function<DWORD(const FormatDriveRequest&)>;

// Calls the shell's SHFormatDrive (looked up at run time in Shell32.dll;
// kFormatFailed when it is missing), or the test's handler.
DWORD formatDrive(const FormatDriveRequest& request);

// Replaces the handler (empty: the shell again) and returns the previous one.
FormatDriveHandler setFormatDriveHandler(FormatDriveHandler handler);

}  // namespace tavrix::win32
