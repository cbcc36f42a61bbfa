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
//   file_steps ahead   COUNT FOLDER   as rooted, with the staging files
//       created a few ahead by a second thread, which also asks each one's
//       size so that Wine hands it the file's descriptor, as the engine does
// Exits 1 (after saying where) when a step fails.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
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

enum class Way { kBare, kTimed, kStaged, kRooted, kAhead };

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

HANDLE createStaged(const std::wstring& staging, unsigned index) {
    wchar_t name[32];
    std::swprintf(name, 32, L"\\~tvx%08x.tmp", index);
    return CreateFileW((staging + name).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Staging files made ahead by a second thread: it sleeps when the ring is
// full and is woken when half of it is taken; a taker that finds it empty
// creates the file itself.
class FilesAhead {
public:
    FilesAhead(std::wstring staging, int count) : staging_(std::move(staging)), left_(count) {
        InitializeCriticalSection(&lock_);
        thread_ = CreateThread(nullptr, 0, &FilesAhead::run, this, 0, nullptr);
    }
    ~FilesAhead() { WaitForSingleObject(thread_, INFINITE); }
    HANDLE take() {
        EnterCriticalSection(&lock_);
        HANDLE file = INVALID_HANDLE_VALUE;
        if (count_ > 0) {
            file = ring_[head_];
            head_ = (head_ + 1) % kSlots;
            --count_;
        } else if (left_ > 0) {
            --left_;
        }
        const bool wake = sleeping_ && count_ <= kSlots / 2;
        if (wake) sleeping_ = false;
        LeaveCriticalSection(&lock_);
        if (wake) SetEvent(wake_);
        return file != INVALID_HANDLE_VALUE ? file : createStaged(staging_, made_.fetch_add(1));
    }

private:
    static DWORD WINAPI run(void* self) {
        auto& ahead = *static_cast<FilesAhead*>(self);
        EnterCriticalSection(&ahead.lock_);
        while (ahead.left_ > 0) {
            if (ahead.count_ == kSlots) {
                ahead.sleeping_ = true;
                LeaveCriticalSection(&ahead.lock_);
                WaitForSingleObject(ahead.wake_, INFINITE);
                EnterCriticalSection(&ahead.lock_);
                continue;
            }
            --ahead.left_;
            LeaveCriticalSection(&ahead.lock_);
            const HANDLE file = createStaged(ahead.staging_, ahead.made_.fetch_add(1));
            LARGE_INTEGER size;
            GetFileSizeEx(file, &size);
            EnterCriticalSection(&ahead.lock_);
            ahead.ring_[(ahead.head_ + ahead.count_) % kSlots] = file;
            ++ahead.count_;
        }
        LeaveCriticalSection(&ahead.lock_);
        return 0;
    }

    static constexpr unsigned kSlots = 16;
    const std::wstring staging_;
    std::atomic<unsigned> made_{0};
    CRITICAL_SECTION lock_;
    HANDLE wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
    HANDLE ring_[kSlots] = {};
    unsigned head_ = 0, count_ = 0;
    int left_;
    bool sleeping_ = false;
};

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
                    : mode == L"ahead"  ? Way::kAhead
                                        : Way(-1);
    if (way == Way(-1)) return 2;
    const int count = _wtoi(argv[2]);
    std::wstring base = argv[3];
    for (wchar_t& c : base)
        if (c == L'/') c = L'\\';  // the native form of a path knows no forward slashes
    const std::wstring staging = base + L"\\~stage";
    if (way >= Way::kStaged && !CreateDirectoryW(staging.c_str(), nullptr)) return fail("staging folder", 0);
    std::unique_ptr<FilesAhead> ahead;
    if (way == Way::kAhead) ahead = std::make_unique<FilesAhead>(staging, count);
    const char data[100] = {};
    const FILETIME time = {0x5A5A0000u, 0x01D00000u};
    std::wstring folder;
    HANDLE folderHandle = INVALID_HANDLE_VALUE;
    for (int i = 0; i < count; ++i) {
        if (i % 1000 == 0) {
            folder = base + L"\\dir" + std::to_wstring(i / 1000);
            if (!CreateDirectoryW(folder.c_str(), nullptr)) return fail("folder", i);
            if (folderHandle != INVALID_HANDLE_VALUE) CloseHandle(folderHandle);
            if (way >= Way::kRooted && (folderHandle = openFolder(folder)) == INVALID_HANDLE_VALUE)
                return fail("folder handle", i);
        }
        const std::wstring name = L"file" + std::to_wstring(i) + L".txt";
        const std::wstring target = folder + L"\\" + name;
        const HANDLE file = way < Way::kStaged ? CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr,
                                                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)
                            : ahead            ? ahead->take()
                                               : createStaged(staging, static_cast<unsigned>(i));
        if (file == INVALID_HANDLE_VALUE) return fail("create", i);
        DWORD written = 0;
        if (!WriteFile(file, data, sizeof data, &written, nullptr)) return fail("write", i);
        if (way != Way::kBare && !SetFileTime(file, nullptr, nullptr, &time)) return fail("time", i);
        if (way == Way::kStaged && !renameTo(file, nullptr, L"\\??\\" + target)) return fail("rename", i);
        if (way >= Way::kRooted && !renameTo(file, folderHandle, name)) return fail("rename", i);
        CloseHandle(file);
    }
    if (folderHandle != INVALID_HANDLE_VALUE) CloseHandle(folderHandle);
    ahead.reset();
    if (way >= Way::kStaged) RemoveDirectoryW(staging.c_str());
    return 0;
}
