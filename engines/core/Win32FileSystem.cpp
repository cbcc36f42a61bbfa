// The file-system seam on Windows (the engine libraries). Paths arrive as
// UTF-8 with '/' separators and go to the wide-character API.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/FileInput.h"
#include "common/win32/UniqueHandle.h"
#include "engines/core/FileSystem.h"

namespace tavrix::zip {
namespace {

using win32::UniqueFile;
using win32::UniqueFind;

constexpr std::int64_t kEpochDifference = 11644473600LL;  // 1601 to 1970, seconds
constexpr std::int64_t kTicksPerSecond = 10000000LL;

std::wstring widen(const std::string& path) {
    // A byte never decodes to more than one UTF-16 unit: one call, no size query.
    std::wstring out(path.size(), L'\0');
    const int n = path.empty() ? 0
                               : ::MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()),
                                                       out.data(), static_cast<int>(out.size()));
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    std::replace(out.begin(), out.end(), L'/', L'\\');
    return out;
}

std::string narrow(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

FILETIME toFileTime(std::int64_t unixTime) {
    const std::uint64_t ticks = static_cast<std::uint64_t>((unixTime + kEpochDifference) * kTicksPerSecond);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

std::int64_t fromFileTime(const FILETIME& ft) {
    const std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / kTicksPerSecond) - kEpochDifference;
}

bool stampToFileTime(const FileStamp& stamp, FILETIME& utc) {
    if (stamp.hasUnixTime) {
        utc = toFileTime(stamp.unixTime);
        return true;
    }
    FILETIME local;
    return ::DosDateTimeToFileTime(static_cast<WORD>(stamp.dosDateTime >> 16),
                                   static_cast<WORD>(stamp.dosDateTime & 0xFFFF), &local) &&
           ::LocalFileTimeToFileTime(&local, &utc);
}

PathInfo describe(DWORD attributes, const FILETIME& written, DWORD sizeHigh, DWORD sizeLow) {
    PathInfo info;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        info.kind = PathKind::kLink;
    else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        info.kind = PathKind::kDirectory;
    else
        info.kind = PathKind::kFile;
    info.size = (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow;
    info.unixTime = fromFileTime(written);
    info.attributes.dos = attributes & 0xFF;
    return info;
}

bool moveFile(const std::wstring& source, const std::wstring& target, bool replace) {
    const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    if (::MoveFileExW(source.c_str(), target.c_str(), flags)) return true;
    if (!replace || ::GetLastError() != ERROR_ACCESS_DENIED) return false;
    // A read-only file in the way: replacing it was asked for.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
    ::SetFileAttributesW(target.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    return ::MoveFileExW(source.c_str(), target.c_str(), flags) != 0;
}

// Moves a file by its handle: a rename by name looks both names up again,
// which costs a search of the target folder under Wine. Layout of ntdll's
// FILE_RENAME_INFORMATION, which the headers lack: its BOOLEAN flag is the
// first byte of the flag here, the rest padding.
struct RenameInformation {
    DWORD replaceIfExists;
    HANDLE rootDirectory;
    DWORD fileNameLength;  // bytes
    WCHAR fileName[1];
};
static_assert(offsetof(RenameInformation, rootDirectory) == sizeof(void*));
static_assert(offsetof(RenameInformation, fileNameLength) == 2 * sizeof(void*));
static_assert(offsetof(RenameInformation, fileName) == 2 * sizeof(void*) + 4);
// Full paths as long as this are renamed by handle; a longer one is renamed
// by name once the file is closed.
constexpr DWORD kLongestRenamedPath = MAX_PATH * 2;

// A rename request, built in place: it is made for every file.
class RenameRequest {
public:
    // Names `name` relative to the folder `root`.
    RenameRequest(HANDLE root, std::wstring_view name, bool replace) { set(root, {}, name, replace); }
    // Names the full path `full` in its native form ("\??\C:\dir\name" or
    // "\??\UNC\server\share\name").
    RenameRequest(std::wstring_view full, bool replace) {
        std::wstring_view prefix = L"\\??\\";
        if (full.starts_with(L"\\\\?\\")) {
            full.remove_prefix(4);
        } else if (full.starts_with(L"\\\\")) {
            full.remove_prefix(2);
            prefix = L"\\??\\UNC\\";
        }
        set(nullptr, prefix, full, replace);
    }
    void* data() { return bytes_; }
    ULONG size() const { return size_; }

private:
    void set(HANDLE root, std::wstring_view prefix, std::wstring_view name, bool replace) {
        auto* info = reinterpret_cast<RenameInformation*>(bytes_);
        const std::size_t nameBytes = (prefix.size() + name.size()) * sizeof(WCHAR);
        info->replaceIfExists = replace ? TRUE : FALSE;
        info->rootDirectory = root;
        info->fileNameLength = static_cast<DWORD>(nameBytes);
        std::uint8_t* text = bytes_ + offsetof(RenameInformation, fileName);
        std::memcpy(text, prefix.data(), prefix.size() * sizeof(WCHAR));
        std::memcpy(text + prefix.size() * sizeof(WCHAR), name.data(), name.size() * sizeof(WCHAR));
        size_ = static_cast<ULONG>(offsetof(RenameInformation, fileName) + nameBytes);
    }

    // Room for the longest prefix before the longest path.
    alignas(RenameInformation) std::uint8_t
        bytes_[offsetof(RenameInformation, fileName) + (kLongestRenamedPath + 8) * sizeof(WCHAR)];
    ULONG size_ = 0;
};

// The rename goes through ntdll, as kernel32's own renames do: it is there
// on every version of Windows and takes a name relative to a folder's handle.
using NtSetInformationFile = LONG(WINAPI*)(HANDLE, void* ioStatus, void*, ULONG, ULONG);
constexpr ULONG kFileRenameInformation = 10;
constexpr LONG kStatusObjectNameCollision = static_cast<LONG>(0xC0000035);

// What an operation's renames by handle share: ntdll's function, and the
// folder new files are being renamed into, with a handle on it from the
// second file in a row that goes there. A rename relative to that handle has
// Wine look up only the last name, where a full path is looked up a folder
// at a time: about a quarter of what the staging name and the rename cost a
// small file. Files that go to a different folder each time open none.
class RenameFolder {
public:
    RenameFolder()
        : setInformation_(reinterpret_cast<NtSetInformationFile>(reinterpret_cast<void (*)()>(
              ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtSetInformationFile")))) {}
    RenameFolder(const RenameFolder&) = delete;
    RenameFolder& operator=(const RenameFolder&) = delete;

    NtSetInformationFile setInformation() const { return setInformation_; }

    // Null until `folder` was asked for twice in a row, or when it will not open.
    HANDLE handleFor(std::wstring_view folder) {
        if (folder != folder_) {
            folder_.assign(folder);
            handle_.reset();
            openFailed_ = false;
            return nullptr;
        }
        if (!handle_ && !openFailed_) {
            handle_ = UniqueFile(::CreateFileW(folder_.c_str(), FILE_TRAVERSE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            openFailed_ = !handle_;
        }
        return handle_.get();
    }

private:
    const NtSetInformationFile setInformation_;
    std::wstring folder_;
    UniqueFile handle_;
    bool openFailed_ = false;
};

class Win32Output final : public OutputFile {
public:
    // `folders` outlives the file: both belong to one operation's file system.
    Win32Output(HANDLE h, std::wstring path, RenameFolder& folders)
        : handle_(h), path_(std::move(path)), folders_(folders) {}
    bool renameTo(const std::string& target, bool replace) override {
        std::wstring wide = widen(target);
        wchar_t full[kLongestRenamedPath];
        const DWORD length = ::GetFullPathNameW(wide.c_str(), kLongestRenamedPath, full, nullptr);
        if (length > 0 && length < kLongestRenamedPath) {
            switch (renameByHandle(std::wstring_view(full, length), replace)) {
                case Renamed::kDone:
                    path_ = std::move(wide);
                    return true;
                case Renamed::kNameTaken:
                    return false;
                case Renamed::kNotDone:
                    break;
            }
        }
        // No rename by handle (or it refused, as for a read-only target):
        // by name once the file is closed.
        pendingTarget_ = std::move(wide);
        pendingReplace_ = replace;
        return true;
    }
    // Asking the new file's size (nothing) has Wine fetch the file's
    // descriptor from its server and keep it for the process: the writer's
    // first write then makes no round trip of its own.
    void prepareForWriter() override {
        LARGE_INTEGER size;
        ::GetFileSizeEx(handle_.get(), &size);
    }
    bool write(const void* data, std::size_t count) override { return writeAll(data, count); }
    // A patch of earlier bytes; the file position is put back afterwards.
    bool writeAt(std::uint64_t offset, const void* data, std::size_t count) override {
        LARGE_INTEGER at, here{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        return ::SetFilePointerEx(handle_.get(), LARGE_INTEGER{}, &here, FILE_CURRENT) &&
               ::SetFilePointerEx(handle_.get(), at, nullptr, FILE_BEGIN) && writeAll(data, count) &&
               ::SetFilePointerEx(handle_.get(), here, nullptr, FILE_BEGIN);
    }
    bool finish(const FileStamp* stamp, const FileAttributes* attributes) override {
        bool ok = true;
        if (stamp) {
            FILETIME utc;
            ok = stampToFileTime(*stamp, utc) && ::SetFileTime(handle_.get(), nullptr, nullptr, &utc);
        }
        bool closed = ::CloseHandle(handle_.release()) != 0;
        if (closed && !pendingTarget_.empty()) {
            closed = moveFile(path_, pendingTarget_, pendingReplace_);
            if (closed) path_ = pendingTarget_;
        }
        // Read-only, hidden and system go on after the data; a read-only file
        // can still be renamed into place.
        constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (attributes && (attributes->dos & kKept))
            ok =
                ::SetFileAttributesW(path_.c_str(), (attributes->dos & kKept) | FILE_ATTRIBUTE_ARCHIVE) && ok;
        return closed && ok;
    }

private:
    enum class Renamed { kDone, kNameTaken, kNotDone };

    Renamed renameByHandle(std::wstring_view full, bool replace) {
        const NtSetInformationFile setInformation = folders_.setInformation();
        if (!setInformation) return Renamed::kNotDone;
        // A drive's root keeps its backslash: "C:" alone is a current folder.
        const std::size_t slash = full.find_last_of(L'\\');
        const std::size_t folderLength =
            slash != std::wstring_view::npos && slash > 0 && full[slash - 1] == L':' ? slash + 1 : slash;
        const HANDLE folder =
            slash == std::wstring_view::npos ? nullptr : folders_.handleFor(full.substr(0, folderLength));
        RenameRequest request =
            folder ? RenameRequest(folder, full.substr(slash + 1), replace) : RenameRequest(full, replace);
        ULONG_PTR ioStatus[2] = {};
        const LONG status =
            setInformation(handle_.get(), ioStatus, request.data(), request.size(), kFileRenameInformation);
        if (status >= 0) return Renamed::kDone;
        return status == kStatusObjectNameCollision ? Renamed::kNameTaken : Renamed::kNotDone;
    }

    // Plain sequential writes: Wine serves writes that name an offset much
    // more slowly.
    bool writeAll(const void* data, std::size_t count) {
        auto* p = static_cast<const char*>(data);
        while (count > 0) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
            DWORD put = 0;
            if (!::WriteFile(handle_.get(), p, want, &put, nullptr) || put == 0) return false;
            p += put;
            count -= put;
        }
        return true;
    }

    UniqueFile handle_;
    std::wstring path_;
    RenameFolder& folders_;
    std::wstring pendingTarget_;
    bool pendingReplace_ = false;
};

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<RandomAccessInput> openRead(const std::string& path) override {
        // Without backup semantics a folder does not open.
        return win32::FileInput::of(
            UniqueFile(::CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
    }
    std::unique_ptr<OutputFile> createNew(const std::string& path) override {
        std::wstring wide = widen(path);
        // DELETE access lets the file be renamed through this handle.
        HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<Win32Output>(h, std::move(wide), renameFolder_);
    }
    bool rename(const std::string& from, const std::string& to, bool replace) override {
        return moveFile(widen(from), widen(to), replace);
    }
    bool removeFile(const std::string& path) override {
        const std::wstring wide = widen(path);
        if (::DeleteFileW(wide.c_str())) return true;
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
        ::SetFileAttributesW(wide.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        return ::DeleteFileW(wide.c_str()) != 0;
    }
    bool makeDir(const std::string& path) override {
        return ::CreateDirectoryW(widen(path).c_str(), nullptr) != 0;
    }
    bool removeDir(const std::string& path) override { return ::RemoveDirectoryW(widen(path).c_str()) != 0; }
    PathInfo inspect(const std::string& path) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) return {};
        return describe(data.dwFileAttributes, data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow);
    }
    bool listDir(const std::string& dir, std::vector<DirItem>& items) override {
        WIN32_FIND_DATAW found;
        const std::wstring pattern = widen(dir.empty() ? std::string("*") : dir + "/*");
        UniqueFind find(::FindFirstFileW(pattern.c_str(), &found));
        if (!find) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
        do {
            if (std::wstring_view(found.cFileName) == L"." || std::wstring_view(found.cFileName) == L"..")
                continue;
            items.push_back({narrow(found.cFileName), describe(found.dwFileAttributes, found.ftLastWriteTime,
                                                               found.nFileSizeHigh, found.nFileSizeLow)});
        } while (::FindNextFileW(find.get(), &found));
        return true;
    }
    bool setTime(const std::string& path, const FileStamp& stamp) override {
        FILETIME utc;
        if (!stampToFileTime(stamp, utc)) return false;
        UniqueFile h(::CreateFileW(widen(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return h && ::SetFileTime(h.get(), nullptr, nullptr, &utc);
    }
    std::int64_t dosToUnix(std::uint32_t dos) override {
        FileStamp stamp;
        stamp.dosDateTime = dos;
        FILETIME utc;
        return stampToFileTime(stamp, utc) ? fromFileTime(utc) : 0;
    }
    std::uint32_t unixToDos(std::int64_t unixTime) override {
        const FILETIME utc = toFileTime(unixTime);
        FILETIME local;
        WORD date = 0, time = 0;
        if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
            return (1u << 21) | (1u << 16);  // 1980-01-01
        return (static_cast<std::uint32_t>(date) << 16) | time;
    }
    bool isHidden(const DirItem& item) override {
        return (item.info.attributes.dos & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    }
    std::uint32_t processTag() override { return ::GetCurrentProcessId(); }
    bool usableFromAnyThread() const override { return true; }

private:
    RenameFolder renameFolder_;
};

}  // namespace

std::unique_ptr<FileSystem> makePlatformFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

}  // namespace tavrix::zip
