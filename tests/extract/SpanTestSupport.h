// Spanned sets under Wine: the data the fixture made, a floppy drive A:
// whose disks are folders (re-pointed through Wine's mount manager, as its
// configuration tool does, which also re-reads the disk's label), and the
// prompts answered by the test.
#pragma once

#include "ExtractTestSupport.h"
#include "win32/MessageBoxSeam.h"

#include <winioctl.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tavrix::archive::testing {

inline std::string spanData(const std::string& name) {
    return programDir() + "span\\" + name;
}

inline std::string firstLine(const std::string& path) {
    std::string text = readBytes(path);
    return text.substr(0, text.find('\n'));
}

// Drive A: as a floppy drive of Wine's, its "disk" one folder at a time.
class FloppyDrive {
public:
    FloppyDrive() : unixRoot_(firstLine(spanData("disks\\unix-root.txt"))) {}
    ~FloppyDrive() { define(DRIVE_NO_ROOT_DIR, ""); }
    FloppyDrive(const FloppyDrive&) = delete;
    FloppyDrive& operator=(const FloppyDrive&) = delete;

    // Puts disk n (1..4) in the drive; 0 empties it.
    bool insert(int n) {
        inserted = n;
        return define(DRIVE_REMOVABLE, n == 0 ? unixRoot_ : unixRoot_ + "/disk" + std::to_string(n));
    }
    static std::string folder(int n) { return spanData("disks\\disk" + std::to_string(n)); }
    static bool tmpfs() { return firstLine(spanData("disks\\mode.txt")) == "tmpfs"; }
    static std::string mode() { return firstLine(spanData("disks\\mode.txt")); }
    // Empties every disk: no files, no label.
    static void wipe() {
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
    static std::string label(int n) { return firstLine(folder(n) + "\\.windows-label"); }
    static void setLabel(int n, const std::string& label) {
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
    static constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

    static bool define(ULONG type, const std::string& unixPath) {
        std::vector<char> request(sizeof(UnixDrive) + unixPath.size() + 1, 0);
        UnixDrive drive{};
        drive.size = static_cast<ULONG>(request.size());
        drive.type = type;
        drive.letter = L'a';
        drive.mountPointOffset = unixPath.empty() ? 0 : static_cast<USHORT>(sizeof(UnixDrive));
        std::memcpy(request.data(), &drive, sizeof drive);
        std::memcpy(request.data() + sizeof drive, unixPath.c_str(), unixPath.size());
        HANDLE manager = ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (manager == INVALID_HANDLE_VALUE) return false;
        DWORD got = 0;
        const BOOL ok = ::DeviceIoControl(manager, kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                                          nullptr, 0, &got, nullptr);
        ::CloseHandle(manager);
        return ok != FALSE;
    }

    std::string unixRoot_;
};

// Every box recorded with its buttons; the test's function answers it.
struct SeenBox {
    std::string text;
    UINT type;
};

class AnsweredBoxes {
public:
    explicit AnsweredBoxes(std::function<int(const std::string& text, UINT type)> answer)
        : answer_(std::move(answer)) {
        previous_ = win32::setMessageBoxHandler([this](const win32::MessageBoxRequest& r) {
            seen.push_back({r.text, r.type});
            return answer_(r.text, r.type);
        });
    }
    ~AnsweredBoxes() { win32::setMessageBoxHandler(std::move(previous_)); }
    AnsweredBoxes(const AnsweredBoxes&) = delete;
    AnsweredBoxes& operator=(const AnsweredBoxes&) = delete;

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const SeenBox& box : seen) out.push_back(box.text);
        return out;
    }
    std::vector<SeenBox> seen;

private:
    std::function<int(const std::string&, UINT)> answer_;
    win32::MessageBoxHandler previous_;
};

inline bool fileThere(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline long long fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace tavrix::archive::testing
