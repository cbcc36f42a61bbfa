// A floppy drive A: of Wine's whose disks are folders: re-pointed through
// Wine's mount manager, as its configuration tool does, which also reads
// the disk's label anew from the folder's .windows-label.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tavrix::archive::testing {

inline std::string wholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string firstLine(const std::string& path) {
    std::string text = wholeFile(path);
    return text.substr(0, text.find('\n'));
}

// Drive A: as a floppy drive of Wine's, its "disk" one folder at a time.
class FloppyDrive {
public:
    // `disks`: the folder the span data fixture made its disks in.
    explicit FloppyDrive(std::string disks)
        : disks_(std::move(disks)), unixRoot_(firstLine(disks_ + "\\unix-root.txt")) {}
    ~FloppyDrive() { define(DRIVE_NO_ROOT_DIR, ""); }
    FloppyDrive(const FloppyDrive&) = delete;
    FloppyDrive& operator=(const FloppyDrive&) = delete;

    // Puts disk n (1..4) in the drive; 0 empties it.
    bool insert(int n) {
        inserted = n;
        return define(DRIVE_REMOVABLE, n == 0 ? unixRoot_ : unixRoot_ + "/disk" + std::to_string(n));
    }
    std::string folder(int n) const { return disks_ + "\\disk" + std::to_string(n); }
    bool tmpfs() const { return mode() == "tmpfs"; }
    std::string mode() const { return firstLine(disks_ + "\\mode.txt"); }
    // Empties every disk: no files, no label.
    void wipe() const {
        for (int n = 1; n <= 4; ++n) {
            const std::string root = folder(n);
            WIN32_FIND_DATAA found;
            HANDLE search = ::FindFirstFileA((root + "\\*").c_str(), &found);
            if (search == INVALID_HANDLE_VALUE) continue;
            do {
                const std::string name = found.cFileName;
                if (name != "." && name != "..") {
                    ::SetFileAttributesA((root + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                    ::DeleteFileA((root + "\\" + name).c_str());
                }
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
    }
    std::string label(int n) const { return firstLine(folder(n) + "\\.windows-label"); }
    void setLabel(int n, const std::string& label) const {
        std::ofstream(folder(n) + "\\.windows-label", std::ios::binary) << label;
    }

    int inserted = 0;

private:
    // Wine's own request to its mount manager (what winecfg sends): it
    // points the drive letter at a Unix folder and reads the volume anew.
    struct UnixDrive {
        ULONG size, type, fsType;
        DWORD serial;
        ULONGLONG unixDevice;
        WCHAR letter;
        USHORT mountPointOffset, deviceOffset, labelOffset;
    };
    static constexpr DWORD kDefineUnixDrive =
        CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

    static bool define(ULONG type, const std::string& unixPath) {
        std::vector<char> request(sizeof(UnixDrive) + unixPath.size() + 1, 0);
        UnixDrive drive{};
        drive.size = static_cast<ULONG>(request.size());
        drive.type = type;
        drive.letter = L'a';
        drive.mountPointOffset = unixPath.empty() ? 0 : static_cast<USHORT>(sizeof(UnixDrive));
        std::memcpy(request.data(), &drive, sizeof drive);
        std::memcpy(request.data() + sizeof drive, unixPath.c_str(), unixPath.size());
        HANDLE manager =
            ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (manager == INVALID_HANDLE_VALUE) return false;
        DWORD got = 0;
        const BOOL ok = ::DeviceIoControl(manager, kDefineUnixDrive, request.data(),
                                          static_cast<DWORD>(request.size()), nullptr, 0, &got, nullptr);
        ::CloseHandle(manager);
        return ok != FALSE;
    }

    std::string disks_;
    std::string unixRoot_;
};

}  // namespace tavrix::archive::testing
