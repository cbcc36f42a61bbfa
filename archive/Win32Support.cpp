#include "archive/Win32Support.h"

#include <algorithm>

#include "common/win32/FileInput.h"
#include "common/win32/ProgramPath.h"

namespace tavrix::archive {

bool isConsoleProgram() {
    // The subsystem field of the program's own image, already in memory.
    const auto* image = reinterpret_cast<const BYTE*>(::GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

std::unique_ptr<RandomAccessInput> openInputFile(const std::string& path) {
    return win32::FileInput::of(
        win32::UniqueFile(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr)));
}

void processMessages() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

win32::UniqueFile createOutputFile(const std::string& path) {
    return win32::UniqueFile(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
}

namespace {
WriteCheck writeCheck = nullptr;
}  // namespace

WriteCheck setWriteCheck(WriteCheck check) {
    const WriteCheck previous = writeCheck;
    writeCheck = check;
    return previous;
}

bool writeAll(HANDLE file, const void* data, std::size_t length) {
    if (writeCheck != nullptr && !writeCheck(data, length)) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (length != 0) {
        DWORD ask = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
        DWORD put = 0;
        if (!::WriteFile(file, bytes, ask, &put, nullptr) || put == 0) return false;
        bytes += put;
        length -= put;
    }
    return true;
}

bool fileWriteTime(const std::string& path, FILETIME& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    time = data.ftLastWriteTime;
    return true;
}

void setFileWriteTime(HANDLE file, const FILETIME& time) {
    ::SetFileTime(file, nullptr, nullptr, &time);
}

std::string temporaryFolder(const std::string& tempDir) {
    std::string folder = tempDir;
    if (folder.empty()) {
        char buffer[MAX_PATH + 1];
        DWORD length = ::GetTempPathA(sizeof buffer, buffer);
        if (length != 0 && length < sizeof buffer) folder.assign(buffer, length);
    }
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

std::string fullPathOf(const std::string& path) {
    char buffer[MAX_PATH * 4];
    DWORD length = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return path;
    return std::string(buffer, length);
}

std::string driveOf(const std::string& fullPath) {
    if (fullPath.size() >= 2 && fullPath[1] == ':') return fullPath.substr(0, 2);
    if (fullPath.size() >= 2 && fullPath[0] == '\\' && fullPath[1] == '\\') {
        // Up to the end of the share name: the second separator after "\\".
        std::size_t server = fullPath.find('\\', 2);
        if (server == std::string::npos) return fullPath;
        std::size_t share = fullPath.find('\\', server + 1);
        return fullPath.substr(0, share);
    }
    return {};
}

std::string applicationTitle(HWND window) {
    char text[256] = {};
    if (window != nullptr && ::GetWindowTextA(window, text, sizeof text) > 0) return text;
    std::string name = win32::programPath();
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace tavrix::archive
