#include "installer/PackageFiles.h"

#include <windows.h>

#include "common/package/PackageNames.h"
#include "common/win32/FileBytes.h"
#include "common/win32/PathExists.h"

namespace tavrix::installer {
namespace {
std::string& folder() {
    static std::string value;
    return value;
}
// Profile values are cut to what this buffer holds, terminator included.
constexpr DWORD kProfileBufferSize = 2048;

bool onRemovableDrive(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return false;
    const char root[] = {path[0], ':', '\\', '\0'};
    return ::GetDriveTypeA(root) == DRIVE_REMOVABLE;
}

// A package that comes on disks is started from the first one, and by the
// time the last pages read the description the drive holds the last disk.
// A copy of the description taken from the first disk stands in for the
// file while it is not there; everywhere else every read goes to the file.
class DescriptionCopy {
public:
    ~DescriptionCopy() { drop(); }

    // Copies `original` once for its folder, when it lies on a disk.
    void take(const std::string& original) {
        if (original == original_) return;
        drop();
        original_ = original;
        if (!onRemovableDrive(original) || !win32::fileExists(original)) return;
        char folder[MAX_PATH];
        char name[MAX_PATH];
        const DWORD length = ::GetTempPathA(MAX_PATH, folder);
        if (length == 0 || length >= MAX_PATH || ::GetTempFileNameA(folder, "ost", 0, name) == 0) return;
        if (::CopyFileA(original.c_str(), name, FALSE))
            copy_ = name;
        else
            ::DeleteFileA(name);
    }
    // Where `original`'s keys are read: the copy while the disk is out.
    const std::string& source(const std::string& original) const {
        if (copy_.empty() || original != original_ || win32::fileExists(original)) return original;
        return copy_;
    }

private:
    void drop() {
        if (!copy_.empty()) ::DeleteFileA(copy_.c_str());
        copy_.clear();
        original_.clear();
    }
    std::string original_;
    std::string copy_;
};

DescriptionCopy& descriptionCopy() {
    static DescriptionCopy copy;
    return copy;
}
}  // namespace

const std::string& programFolder() {
    return folder();
}
void setProgramFolder(std::string value) {
    folder() = std::move(value);
}

std::string folderOfPath(const std::string& path) {
    const auto slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

TextResult<std::string> readWholeFile(const std::string& path) {
    std::optional<std::string> bytes = win32::readFileBytes(path);
    if (!bytes) return TextFailure{"Cannot open file " + path};
    return std::move(*bytes);
}

PackageDescription::PackageDescription() : path_(programFolder() + "Ostrel.ini") {
    descriptionCopy().take(path_);
}

std::string PackageDescription::read(const char* section, const char* key, const std::string& current) const {
    char value[kProfileBufferSize];
    const std::string& file = descriptionCopy().source(path_);
    const DWORD length =
        ::GetPrivateProfileStringA(section, key, current.c_str(), value, kProfileBufferSize, file.c_str());
    return std::string(value, length);
}

std::string packageArchive(const std::string& folder) {
    const std::string single = folder + package::kArchiveName;
    if (win32::fileExists(single)) return single;
    std::string last = single;
    for (int volume = 1; volume <= package::kMaxVolumes; ++volume) {
        const std::string name = package::volumeArchiveName(volume);
        if (!win32::fileExists(folder + name)) break;
        last = folder + name;
    }
    return last;
}

}  // namespace tavrix::installer
