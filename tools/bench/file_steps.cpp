// What each step of a safe file write costs, without any archive: writes
// COUNT files of 100 bytes, 1,000 a folder, below FOLDER (a full path that
// exists and is empty) in one of these ways. Built for Windows by
// per_file.sh, which prints the times side by side.
//   file_steps bare    COUNT FOLDER   created under its name, written, closed
//   file_steps timed   COUNT FOLDER   the same, given a time through its handle
//   file_steps staged  COUNT FOLDER   written under a name of its own in a
//       staging folder, given a time, renamed once through its handle to the
//       native form of its full path
//   file_steps rooted  COUNT FOLDER   as staged, but renamed relative to a
//       handle on its folder, as the engine does from the second file in a
//       folder: Wine then looks up only the last name
// Exits 1 (after saying where) when a step fails.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// FILE_RENAME_INFORMATION as NtSetInformationFile takes it.
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;  // bytes
    WCHAR fileName[1];
};
constexpr ULONG kFileRenameInformation = 10;
using NtSetInformationFile = LONG(NTAPI*)(HANDLE, void* ioStatus, void*, ULONG, ULONG);

enum class Way { kBare, kTimed, kStaged, kRooted };

HANDLE openFolder(const std::wstring& path) {
    return CreateFileW(path.c_str(), FILE_TRAVERSE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool renameTo(HANDLE file, HANDLE root, const std::wstring& name) {
    static const auto setInformation = reinterpret_cast<NtSetInformationFile>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetInformationFile")));
    std::vector<char> buffer(sizeof(RenameInformation) + name.size() * sizeof(WCHAR));
    auto* info = reinterpret_cast<RenameInformation*>(buffer.data());
    info->replaceIfExists = FALSE;
    info->rootDirectory = root;
    info->fileNameLength = static_cast<ULONG>(name.size() * sizeof(WCHAR));
    std::memcpy(info->fileName, name.data(), name.size() * sizeof(WCHAR));
    ULONG_PTR ioStatus[2] = {};
    return setInformation && setInformation(file, ioStatus, info, static_cast<ULONG>(buffer.size()),
                                            kFileRenameInformation) >= 0;
}

int fail(const char* step, int index) {
    std::fprintf(stderr, "file_steps: %s failed (%lu) at file %d\n", step, GetLastError(), index);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    const std::wstring mode = argv[1];
    const Way way = mode == L"bare"     ? Way::kBare
                    : mode == L"timed"  ? Way::kTimed
                    : mode == L"staged" ? Way::kStaged
                    : mode == L"rooted" ? Way::kRooted
                                        : Way(-1);
    if (way == Way(-1)) return 2;
    const int count = _wtoi(argv[2]);
    std::wstring base = argv[3];
    for (wchar_t& c : base)
        if (c == L'/') c = L'\\';  // the native form of a path knows no forward slashes
    const std::wstring staging = base + L"\\~stage";
    if (way >= Way::kStaged && !CreateDirectoryW(staging.c_str(), nullptr)) return fail("staging folder", 0);
    const char data[100] = {};
    const FILETIME time = {0x5A5A0000u, 0x01D00000u};
    std::wstring folder;
    HANDLE folderHandle = INVALID_HANDLE_VALUE;
    for (int i = 0; i < count; ++i) {
        if (i % 1000 == 0) {
            folder = base + L"\\dir" + std::to_wstring(i / 1000);
            if (!CreateDirectoryW(folder.c_str(), nullptr)) return fail("folder", i);
            if (folderHandle != INVALID_HANDLE_VALUE) CloseHandle(folderHandle);
            if (way == Way::kRooted && (folderHandle = openFolder(folder)) == INVALID_HANDLE_VALUE)
                return fail("folder handle", i);
        }
        const std::wstring name = L"file" + std::to_wstring(i) + L".txt";
        const std::wstring target = folder + L"\\" + name;
        wchar_t staged[32];
        std::swprintf(staged, 32, L"\\~tvx%08x.tmp", static_cast<unsigned>(i));
        const HANDLE file = way < Way::kStaged
                                ? CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                              FILE_ATTRIBUTE_NORMAL, nullptr)
                                : CreateFileW((staging + staged).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return fail("create", i);
        DWORD written = 0;
        if (!WriteFile(file, data, sizeof data, &written, nullptr)) return fail("write", i);
        if (way != Way::kBare && !SetFileTime(file, nullptr, nullptr, &time)) return fail("time", i);
        if (way == Way::kStaged && !renameTo(file, nullptr, L"\\??\\" + target)) return fail("rename", i);
        if (way == Way::kRooted && !renameTo(file, folderHandle, name)) return fail("rename", i);
        CloseHandle(file);
    }
    if (folderHandle != INVALID_HANDLE_VALUE) CloseHandle(folderHandle);
    if (way >= Way::kStaged) RemoveDirectoryW(staging.c_str());
    return 0;
}
