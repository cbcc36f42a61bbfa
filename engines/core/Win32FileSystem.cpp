// The file-system seam on Windows (the engine libraries). Paths arrive as
// UTF-8 with '/' separators and go to the wide-character API.
#include <windows.h>

#include <algorithm>
#include <cstring>
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

// Moves a file by its handle (Windows Vista and later): a rename by name
// looks both names up again, which costs a search of the target folder
// under Wine. Layout of FILE_RENAME_INFO, which the XP headers lack.
struct RenameInformation {
    DWORD replaceIfExists;
    HANDLE rootDirectory;
    DWORD fileNameLength;  // bytes
    WCHAR fileName[1];
};
constexpr int kFileRenameInfo = 3;
using SetInformationByHandle = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

SetInformationByHandle setInformationByHandle() {
    static const auto function = reinterpret_cast<SetInformationByHandle>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetFileInformationByHandle")));
    return function;
}

// FILE_RENAME_INFO for `path`, whose name is the native form of the full
// path ("\??\C:\dir\name" or "\??\UNC\server\share\name"); empty when the
// path has no full form. Built in one allocation: it is made for every file.
std::vector<std::uint8_t> renameInformation(const std::wstring& path, bool replace) {
    // Asked once with room for a long path, again only when that was short.
    wchar_t local[MAX_PATH * 2];
    std::wstring heap;
    wchar_t* full = local;
    DWORD written = ::GetFullPathNameW(path.c_str(), MAX_PATH * 2, local, nullptr);
    if (written >= MAX_PATH * 2) {
        heap.assign(written, L'\0');
        full = heap.data();
        written = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(heap.size()), full, nullptr);
        if (written >= heap.size()) return {};
    }
    if (written == 0) return {};
    std::wstring_view name(full, written);
    std::wstring_view prefix = L"\\??\\";
    if (name.starts_with(L"\\\\?\\")) {
        name.remove_prefix(4);
    } else if (name.starts_with(L"\\\\")) {
        name.remove_prefix(2);
        prefix = L"\\??\\UNC\\";
    }
    const std::size_t bytes = (prefix.size() + name.size()) * sizeof(WCHAR);
    std::vector<std::uint8_t> buffer(sizeof(RenameInformation) + bytes);
    auto* info = reinterpret_cast<RenameInformation*>(buffer.data());
    info->replaceIfExists = replace ? TRUE : FALSE;
    info->fileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(info->fileName, prefix.data(), prefix.size() * sizeof(WCHAR));
    std::memcpy(info->fileName + prefix.size(), name.data(), name.size() * sizeof(WCHAR));
    return buffer;
}

class Win32Output final : public OutputFile {
public:
    Win32Output(HANDLE h, std::wstring path) : handle_(h), path_(std::move(path)) {}
    bool renameTo(const std::string& target, bool replace) override {
        std::wstring wide = widen(target);
        if (SetInformationByHandle setInformation = setInformationByHandle()) {
            std::vector<std::uint8_t> buffer = renameInformation(wide, replace);
            if (!buffer.empty() && setInformation(handle_.get(), kFileRenameInfo, buffer.data(),
                                                  static_cast<DWORD>(buffer.size()))) {
                path_ = std::move(wide);
                return true;
            }
            const DWORD error = ::GetLastError();
            if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
        }
        // No rename by handle (or it refused, as for a read-only target):
        // by name once the file is closed.
        pendingTarget_ = std::move(wide);
        pendingReplace_ = replace;
        return true;
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
        return std::make_unique<Win32Output>(h, std::move(wide));
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
};

}  // namespace

std::unique_ptr<FileSystem> makePlatformFileSystem() {
    return std::make_unique<Win32FileSystem>();
}

}  // namespace tavrix::zip
