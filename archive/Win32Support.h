// Small Windows helpers of the component: opening the files the directory
// reader and the join read, the error-mode and cursor scopes, and pumping
// the message queue.
#pragma once

#include "common/support/RandomAccessInput.h"
#include "common/win32/PathExists.h"
#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <memory>
#include <string>

namespace tavrix::archive {

// A file opened for reading while others may read but not write it;
// nullptr when it cannot be opened.
std::unique_ptr<RandomAccessInput> openInputFile(const std::string& path);

// Sets the process error mode for a scope and restores the previous one.
class ErrorModeScope {
public:
    explicit ErrorModeScope(UINT mode) : previous_(::SetErrorMode(mode)) {}
    ~ErrorModeScope() { ::SetErrorMode(previous_); }
    ErrorModeScope(const ErrorModeScope&) = delete;
    ErrorModeScope& operator=(const ErrorModeScope&) = delete;

private:
    UINT previous_;
};

// Fail critical errors and suppress fault boxes: a missing disk or a broken
// library is reported by the component, not by the system.
inline constexpr UINT kQuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;
static_assert(kQuietErrorMode == 3);

// Whether this process was built as a console program.
bool isConsoleProgram();

// The hourglass for a scope, in a program with windows. A console program has
// no cursor of its own, and asking for one would start the window system for
// nothing (a quarter of a second under Wine, before every listing).
class WaitCursor {
public:
    WaitCursor() : shown_(!isConsoleProgram()) {
        if (shown_) previous_ = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    }
    ~WaitCursor() {
        if (shown_) ::SetCursor(previous_);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool shown_;
    HCURSOR previous_ = nullptr;
};

// Dispatches every waiting message of this thread once. A quit request is put
// back so that the program's own loop still sees it.
void processMessages();

// Output files of the spanning routines.
win32::UniqueFile createOutputFile(const std::string& path);
bool writeAll(HANDLE file, const void* data, std::size_t length);
// A test's way of making one chosen write of those fail, as a full disk or a
// lost drive would: the check sees each block before writeAll writes it, and
// false fails the write. None by default; gives back the one it replaces.
using WriteCheck = bool (*)(const void* data, std::size_t length);
WriteCheck setWriteCheck(WriteCheck check);
bool fileWriteTime(const std::string& path, FILETIME& time);
void setFileWriteTime(HANDLE file, const FILETIME& time);

// `tempDir` with a trailing backslash, or the system's temporary folder
// when it is empty.
std::string temporaryFolder(const std::string& tempDir);

std::string fullPathOf(const std::string& path);
// "C:" of "C:\dir\file", "\\server\share" of a network path, else "".
std::string driveOf(const std::string& fullPath);
// The program's title for its message boxes: the text of `window`, else the
// program file's name without extension.
std::string applicationTitle(HWND window);

}  // namespace tavrix::archive
