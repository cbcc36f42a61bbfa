#include "sfx/StubPlatform.h"

#include <shlobj.h>

#include "common/win32/UniqueHandle.h"
#include "sfx/WinText.h"

namespace tavrix::sfx {
namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int CALLBACK browseStart(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) ::SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace

std::optional<std::uint64_t> freeBytesOf(const std::string& folderUtf8) {
    ULARGE_INTEGER available{};
    const std::string ansi = utf8ToAnsi(folderUtf8);
    if (!::GetDiskFreeSpaceExA(ansi.c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
}

std::string browseForFolder(HWND owner, const std::string& title, const std::string& startAnsi) {
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = browseStart;
    info.lParam = reinterpret_cast<LPARAM>(startAnsi.c_str());
    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&info);
    if (!chosen) return {};
    char path[MAX_PATH] = {};
    const bool ok = ::SHGetPathFromIDListA(chosen, path);
    ::CoTaskMemFree(chosen);
    return ok ? std::string(path) : std::string();
}

bool startCommand(const std::string& commandLineAnsi, const std::string& folderAnsi) {
    const RunCommand run = resolveRunCommand(commandLineAnsi, folderAnsi, [&](const std::string& program) {
        const std::string path = folderAnsi + "\\" + program;
        return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    });
    if (run.program.empty()) return false;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string line = run.commandLine;
    // No application name: the system searches the path for a bare program
    // name, as a user typing the line would expect.
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folderAnsi.c_str(),
                          &startup, &process))
        return false;
    win32::UniqueKernelHandle thread(process.hThread), owned(process.hProcess);
    return true;
}

std::string defaultFolder(const std::string& settingsDir, const std::string& programPathAnsi) {
    const std::string programFolder = folderOf(programPathAnsi);
    if (settingsDir.empty()) return programFolder;
    char expanded[MAX_PATH * 2] = {};
    const DWORD n = ::ExpandEnvironmentStringsA(settingsDir.c_str(), expanded, sizeof expanded);
    std::string dir = n > 0 && n <= sizeof expanded ? std::string(expanded) : settingsDir;
    if (isAbsolutePath(dir)) return dir;
    return programFolder + "\\" + dir;
}

std::string absoluteFolder(const std::string& folderAnsi) {
    char full[MAX_PATH * 2] = {};
    const DWORD n = ::GetFullPathNameA(folderAnsi.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : folderAnsi;
}

}  // namespace tavrix::sfx
