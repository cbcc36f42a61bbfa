#include "qzppack/PackageCheck.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveBuilder.h"
#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/package/FolderProposal.h"
#include "common/package/PackageNames.h"
#include "common/win32/FileBytes.h"
#include "common/win32/FileSize.h"
#include "common/win32/PathExists.h"
#include "common/win32/PictureFile.h"
#include "common/win32/ProgramPath.h"
#include "common/win32/UniqueHandle.h"
#include "common/zip/SafeName.h"
#include "qzppack/PackageRules.h"

namespace tavrix::qzppack {
namespace {

using archive::TArchiveBuilder;

constexpr std::size_t kProfileNamesBuffer = 64 * 1024;
// Longer than the installer's 2047 characters, so that a cut can be seen.
constexpr std::size_t kProfileValueBuffer = 64 * 1024;

void print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
}

// The zero-separated names the profile functions give back.
std::vector<std::string> splitNames(const std::vector<char>& buffer, DWORD length) {
    std::vector<std::string> names;
    for (DWORD at = 0; at < length;) {
        const std::string name(&buffer[at]);
        if (name.empty()) break;
        names.push_back(name);
        at += static_cast<DWORD>(name.size()) + 1;
    }
    return names;
}

// Every key of the description, read through the profile functions the
// installer reads it with.
std::vector<DescriptionKey> readDescription(const std::string& path) {
    std::vector<DescriptionKey> keys;
    std::vector<char> names(kProfileNamesBuffer);
    std::vector<char> keyNames(kProfileNamesBuffer);
    std::vector<char> value(kProfileValueBuffer);
    const DWORD sections =
        ::GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
    for (const std::string& section : splitNames(names, sections)) {
        const DWORD length = ::GetPrivateProfileStringA(section.c_str(), nullptr, "", keyNames.data(),
                                                        static_cast<DWORD>(keyNames.size()), path.c_str());
        for (const std::string& key : splitNames(keyNames, length)) {
            const DWORD read = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value.data(),
                                                          static_cast<DWORD>(value.size()), path.c_str());
            keys.push_back({section, key, std::string(value.data(), read)});
        }
    }
    return keys;
}

// The simulator's folder as the destination page reads it; none when the
// key does not open or holds no text.
std::optional<std::string> simulatorPathOnThisPc(const char* key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return std::nullopt;
    char path[MAX_PATH * 2] = {};
    DWORD type = 0;
    DWORD size = sizeof path - 1;
    const LONG result =
        ::RegQueryValueExA(opened, "path", nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    ::RegCloseKey(opened);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    return std::string(path);
}

// Files in `folder` matching `pattern`, by name.
std::vector<std::string> filesMatching(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    win32::UniqueFind find(::FindFirstFileA((folder + pattern).c_str(), &found));
    if (!find) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (::FindNextFileA(find.get(), &found));
    return names;
}

std::string counted(std::size_t count, const char* one, const char* many) {
    return groupedNumber(count) + " " + (count == 1 ? one : many);
}

class PackageCheck {
public:
    explicit PackageCheck(std::string folder) : folder_(std::move(folder)) {
        if (!folder_.empty() && folder_.back() != '\\' && folder_.back() != '/') folder_ += '\\';
    }

    int run() {
        if (!win32::directoryExists(folder_)) {
            problem("there is no folder " + folder_,
                    "name the folder that holds Corvinel.exe and Ostrel.ini");
            return finish();
        }
        print("Package folder " + folder_);
        checkDescriptionFile();
        checkProgramFiles();
        checkAgreement();
        checkSplash();
        checkArchive();
        printProposals();
        return finish();
    }

private:
    void problem(const std::string& what, const std::string& fix) {
        print("  problem: " + what);
        print("      fix: " + fix);
        ++problems_;
    }
    void note(const std::string& text) { print("  " + text); }

    int finish() {
        if (problems_ == 0) {
            print("No problems: the package will install as intended.");
            return 0;
        }
        print(counted(problems_, "problem", "problems") + ": the package will not install as intended.");
        return 1;
    }

    void checkDescriptionFile() {
        const std::string path = folder_ + package::kDescriptionName;
        const std::optional<std::string> bytes = win32::readFileBytes(path);
        if (!bytes) {
            problem(std::string(package::kDescriptionName) +
                        " is missing: the pages show no title and no folder is proposed",
                    "write Ostrel.ini beside Corvinel.exe (docs/MAKERS.md lists its keys)");
            return;
        }
        const std::vector<DescriptionKey> keys = readDescription(path);
        for (const Finding& finding : checkDescription(keys, *bytes)) problem(finding.problem, finding.fix);
        values_ = descriptionValues(keys);
        note(std::string(package::kDescriptionName) + ": \"" + values_.title + "\", type \"" + values_.type +
             "\", for \"" + values_.version + "\"");
    }

    void checkProgramFiles() {
        struct Needed {
            const char* name;
            const char* without;
        };
        for (const Needed& file : {
                 Needed{package::kInstallerProgramName, "there is nothing for the pilot to run"},
                 Needed{package::kSkinLibraryName, "the installer says it cannot read it and ends"},
                 Needed{package::kUnpackEngineName, "the installer cannot unpack the archive and ends"},
             }) {
            const std::optional<std::uint64_t> size = win32::fileSizeOf(folder_ + file.name);
            if (!size || *size == 0)
                problem(std::string(file.name) + " is missing: " + file.without,
                        std::string("copy ") + file.name + " from the release folder (dist/)");
        }
    }

    void checkAgreement() {
        const std::string path = folder_ + package::kAgreementName;
        if (!win32::fileExists(path)) {
            // A licence under another name is never shown.
            std::vector<std::string> lookAlikes = filesMatching(folder_, "licen*");
            for (const std::string& name : filesMatching(folder_, "*.qzt"))
                if (std::find(lookAlikes.begin(), lookAlikes.end(), name) == lookAlikes.end())
                    lookAlikes.push_back(name);
            for (const std::string& name : lookAlikes)
                problem(name + " is never shown: the installer reads the agreement from licens.qzt only",
                        "name it licens.qzt");
            note("no licens.qzt: the agreement page is skipped, the welcome page offers Author(s)");
            return;
        }
        const std::optional<std::string> text = win32::readFileBytes(path);
        if (!text) {
            problem("licens.qzt cannot be read", "make it a readable file");
            return;
        }
        if (text->starts_with("\xFF\xFE") || text->starts_with("\xFE\xFF") ||
            text->find('\0') != std::string::npos) {
            problem("licens.qzt is not ANSI text (UTF-16 or binary): the agreement page shows it garbled",
                    "save it as plain ANSI text");
            return;
        }
        const auto count = static_cast<std::size_t>(std::count(text->begin(), text->end(), '\n'));
        note("licens.qzt: " +
             counted(count + (text->empty() || text->back() == '\n' ? 0 : 1), "line", "lines") +
             " of agreement text");
    }

    void checkSplash() {
        const std::string& name = values_.splashFile;
        if (name.empty()) {
            note("no splash picture");
            return;
        }
        // A full path or an unknown extension is a finding of the description.
        if (name.find(':') != std::string::npos || name[0] == '\\' || name[0] == '/') return;
        win32::PictureFile picture;
        const std::string failure = win32::loadPictureFile(folder_ + name, picture);
        if (!failure.empty()) {
            if (failure.starts_with("Unknown picture")) return;
            problem("the splash " + name + " does not load as the installer loads it: " + failure,
                    win32::fileExists(folder_ + name)
                        ? "save it again as a Windows bitmap (.bmp), uncompressed"
                        : "put " + name + " in the package folder, or correct [Splash] Filename");
            return;
        }
        note("splash " + name + ": " + std::to_string(picture.width) + " x " +
             std::to_string(picture.height) +
             " pixels (the window shows all but its right and bottom 2 pixels)");
        if (picture.width <= 4 || picture.height <= 4)
            problem("the splash " + name + " is too small to show", "use a picture of some 380 x 260 pixels");
    }

    void checkArchive() {
        std::vector<int> volumes;
        for (int volume = 1; volume <= package::kMaxVolumes; ++volume)
            if (win32::fileExists(folder_ + package::volumeArchiveName(volume))) volumes.push_back(volume);
        const bool single = win32::fileExists(folder_ + package::kArchiveName);
        if (single && !volumes.empty())
            problem(
                "both Setup.qzp and a numbered set (Setup001.qzp, ...) are here: the installer takes "
                "Setup.qzp and never reads the set",
                "keep one of the two");
        if (!single && volumes.empty()) {
            problem(
                "there is no Setup.qzp: the installer says \"This is not part of a Setup Package.\" and ends",
                "pack the add-on: QzpPack add -r -C ADDON_FOLDER Setup.qzp *.*");
            return;
        }
        if (!single) {
            if (const std::optional<int> missing = firstMissingVolume(volumes)) {
                const int last = *missing - 1;
                problem(package::volumeArchiveName(*missing) +
                            " is missing from the set: the installer takes " +
                            (last > 0 ? package::volumeArchiveName(last) : std::string("nothing")) +
                            " for its last volume and cannot read the set",
                        "put every volume of the set in the folder, or pack the set again");
                return;
            }
        }
        const std::string archive = folder_ + (single ? std::string(package::kArchiveName)
                                                      : package::volumeArchiveName(volumes.back()));
        readArchive(archive);
        if (!single) checkDiskOne(volumes);
    }

    void readArchive(const std::string& path) {
        TArchiveBuilder builder;
        builder.SetUnattended(true);
        const std::string program = win32::programPath();
        builder.SetDLLDirectory(program.substr(0, program.find_last_of('\\')));
        std::vector<std::string> failures;
        builder.OnMessage = [&failures](TArchiveBuilder* sender, int code, const std::string& text) {
            // As the other commands count them: engine messages with a code,
            // and the component's own but for its two warnings.
            const int id = sender->LastErrCode();
            const bool componentMessage = id >= archive::msg::kFirstId && id <= archive::msg::kLastId;
            if (text == sender->LastMessage() &&
                (code != 0 || (componentMessage && id != archive::msg::StructureWarning &&
                               id != archive::msg::GarbageWarning)))
                failures.push_back(text);
        };
        const std::string name = path.substr(folder_.size());
        builder.SetZipFileName(path);
        if (!failures.empty()) {
            problem(name + " cannot be read: " + failures.front(), "pack it again with QzpPack");
            return;
        }
        if (builder.Count() == 0) {
            problem(name + " holds no file: nothing would be installed", "pack the add-on's files into it");
            return;
        }
        std::uint64_t unpacked = 0;
        std::size_t encrypted = 0;
        for (const archive::ZipDirEntry& entry : builder.DirEntries()) {
            unpacked += entry.uncompressedSize;
            if (entry.header.flags & 1) ++encrypted;
            const zip::NameVerdict verdict = zip::checkEntryName(entry.fileName).verdict;
            if (verdict == zip::NameVerdict::kOutside)
                problem(
                    name + " holds \"" + entry.fileName +
                        "\", which would land outside the destination: the engine refuses it",
                    "pack the add-on by names relative to its folder: QzpPack add -r -C ADDON_FOLDER ...");
            else if (verdict == zip::NameVerdict::kInvalid)
                problem(name + " holds \"" + entry.fileName +
                            "\", a name Windows cannot create: the engine refuses it",
                        "rename that file (no : * ? \" < > |, no device name, no dot or space at the end)");
        }
        if (encrypted != 0)
            problem(name + " holds " + counted(encrypted, "encrypted entry", "encrypted entries") +
                        ": the installer is given no password for them",
                    "pack the add-on without -p");
        note(name + ": " + counted(builder.DirEntries().size(), "entry", "entries") + ", unpacking to " +
             groupedNumber(unpacked) + " bytes");

        builder.SetExtrOptions({archive::ExtrTest});
        builder.Extract();
        if (!failures.empty())
            problem(name + " does not test clean: " + failures.front(),
                    "pack the add-on again; copy the archive whole, in binary");
        else
            note(name + ": tested, no errors");
    }

    // A set whose volumes fit floppies goes on them: disk 1 carries the
    // installer and the package's files beside the first volume.
    void checkDiskOne(const std::vector<int>& volumes) {
        std::uint64_t largest = 0;
        for (const int volume : volumes)
            largest = std::max(largest,
                               win32::fileSizeOf(folder_ + package::volumeArchiveName(volume)).value_or(0));
        if (bytesOnFloppy(largest) > kFloppyDataBytes) {
            note(
                "the set's volumes are larger than a 1.44 MB disk: it installs from this folder, not from "
                "floppies");
            return;
        }
        std::vector<std::string> onDiskOne = {package::kInstallerProgramName, package::kSkinLibraryName,
                                              package::kUnpackEngineName, package::kDescriptionName};
        if (win32::fileExists(folder_ + package::kAgreementName))
            onDiskOne.push_back(package::kAgreementName);
        if (!values_.splashFile.empty() && win32::fileExists(folder_ + values_.splashFile))
            onDiskOne.push_back(values_.splashFile);
        std::uint64_t packageFiles = 0;
        std::string names;
        for (const std::string& file : onDiskOne) {
            packageFiles += bytesOnFloppy(win32::fileSizeOf(folder_ + file).value_or(0));
            names += file + ", ";
        }
        const std::string first = package::volumeArchiveName(1);
        const std::uint64_t used =
            packageFiles + bytesOnFloppy(win32::fileSizeOf(folder_ + first).value_or(0));
        note("disk 1 must hold " + names + first + ": " + groupedNumber(used) + " of " +
             groupedNumber(kFloppyDataBytes) + " bytes of a 1.44 MB disk");
        if (used > kFloppyDataBytes) {
            const std::uint64_t room = packageFiles < kFloppyDataBytes ? kFloppyDataBytes - packageFiles : 0;
            problem("disk 1 is " + groupedNumber(used - kFloppyDataBytes) + " bytes too full",
                    room > 0 ? "pack the set again with --span " + std::to_string(room / 1024) +
                                   "K or less, which leaves room for the package's files"
                             : "make the package's own files smaller");
        }
    }

    void printProposals() {
        struct Simulator {
            const char* version;
            const char* key;
            const char* folder;
        };
        for (const Simulator& simulator : {
                 Simulator{package::kFlightSimulator2000, package::kSimulator2000Key,
                           "<Flight Simulator 2000>"},
                 Simulator{package::kFlightSimulator98, package::kSimulator98Key, "<Flight Simulator 98>"},
             }) {
            const std::string label = std::string("folder proposed with ") + simulator.version + ": ";
            if (values_.version != simulator.version) {
                note(label + "none, the package names " +
                     (values_.version.empty() ? std::string("no simulator") : "\"" + values_.version + "\""));
                continue;
            }
            const auto proposed = package::proposeFolder(
                values_.version, values_.type, values_.title,
                [&](const char*) { return std::optional<std::string>(simulator.folder); });
            std::string onThisPc;
            if (const auto here = package::proposeFolder(values_.version, values_.type, values_.title,
                                                         simulatorPathOnThisPc))
                onThisPc = " (on this PC: " + *here + ")";
            note(label + proposed.value_or("none") + onThisPc);
        }
    }

    std::string folder_;
    DescriptionValues values_;
    std::size_t problems_ = 0;
};

}  // namespace

int checkPackageFolder(const std::string& folder) {
    const std::string full = archive::fullPathOf(folder);
    return PackageCheck(full.empty() ? folder : full).run();
}

}  // namespace tavrix::qzppack
