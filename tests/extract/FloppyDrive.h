// A floppy drive A: of Wine's whose disks are folders, changed through
// Wine's mount manager (WineDrive.h) so that each disk's label is read anew.
#pragma once

#include "tests/extract/WineDrive.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

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
    static bool define(ULONG type, const std::string& unixPath) {
        return tavrix::wine::defineWineDrive('a', type, unixPath);
    }

    std::string disks_;
    std::string unixRoot_;
};

}  // namespace tavrix::archive::testing
