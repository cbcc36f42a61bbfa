#include "PackageFiles.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

#include "win32/FileBytes.h"
#include "win32/PathExists.h"

namespace tavrix::installer {
namespace {
std::string& folder() {
    static std::string value;
    return value;
}
// Profile values are cut to what this buffer holds, terminator included.
constexpr DWORD kProfileBufferSize = 2048;
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

std::string readWholeFile(const std::string& path) {
    std::optional<std::string> bytes = win32::readFileBytes(path);
    if (!bytes) throw std::runtime_error("Cannot open file " + path);
    return std::move(*bytes);
}

PackageDescription::PackageDescription() : path_(programFolder() + "Ostrel.ini") {}

std::string PackageDescription::read(const char* section, const char* key, const std::string& current) const {
    char value[kProfileBufferSize];
    const DWORD length =
        ::GetPrivateProfileStringA(section, key, current.c_str(), value, kProfileBufferSize, path_.c_str());
    return std::string(value, length);
}

std::string packageArchive(const std::string& folder) {
    const std::string single = folder + "Setup.qzp";
    if (win32::fileExists(single)) return single;
    std::string last = single;
    for (int volume = 1; volume <= 999; ++volume) {
        char name[32];
        std::snprintf(name, sizeof name, "Setup%03d.qzp", volume);
        if (!win32::fileExists(folder + name)) break;
        last = folder + name;
    }
    return last;
}

}  // namespace tavrix::installer
