// What an installation will do to its destination, worked out from the
// package's listing before the first file is touched: the folders it will
// make, the files it will write, the files already there. No Windows here:
// the destination is seen through a probe, and this is tested natively too.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "installer/InstallRecord.h"

namespace tavrix::installer {

// One entry of the package's listing: its name below the destination
// ("\"-separated; a folder's ends in "\"), unpacked size and CRC-32.
struct PackageEntry {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
};

// Names and a number for each (a place in a list, or a yes/no): the one kind
// of index the installation uses, as each kind costs the program kilobytes.
using NameIndex = std::map<std::string, std::size_t>;

// What the probe tells of a name in the destination.
struct FoundFile {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
};
struct DestinationProbe {
    std::function<bool(const std::string& name)> isFolder;
    // A file's size and CRC-32; none when there is no such file.
    std::function<std::optional<FoundFile>(const std::string& name, std::uint64_t expectedSize)> file;
};

struct InstallPlan {
    std::vector<std::string> folders;      // to make, outermost first
    std::vector<RecordedFile> newFiles;    // not there yet: the engine writes them
    std::vector<RecordedFile> existing;    // there with other contents: kept or replaced
    int sameFiles = 0;                     // there with the package's contents already
    std::vector<std::string> unsafeNames;  // names that would leave the destination
    std::vector<std::string> files;        // every file of the package, by name
    // Bytes the engine will write when the existing files are kept, and
    // when they are replaced.
    std::uint64_t bytesToWrite(bool replacing) const {
        std::uint64_t total = 0;
        for (const RecordedFile& file : newFiles) total += file.size;
        if (replacing)
            for (const RecordedFile& file : existing) total += file.size;
        return total;
    }
};

inline InstallPlan planInstallation(const std::vector<PackageEntry>& entries, const DestinationProbe& probe) {
    InstallPlan plan;
    // Folders looked at already, and whether each is there. Nothing can be
    // below a folder that is not: a first installation of tens of thousands
    // of files asks the system about its few folders, not about every file.
    NameIndex knownFolders;  // 1: there
    auto folderThere = [&](const std::string& folder, bool parentThere) {
        const auto [known, added] = knownFolders.try_emplace(folder, 0);
        if (added) {
            known->second = parentThere && probe.isFolder(folder) ? 1 : 0;
            if (known->second == 0) plan.folders.push_back(folder);
        }
        return known->second != 0;
    };
    for (const PackageEntry& entry : entries) {
        const bool isFolderEntry = !entry.name.empty() && entry.name.back() == '\\';
        const std::string name = isFolderEntry ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
        if (!isNameInside(name)) {
            plan.unsafeNames.push_back(entry.name);
            continue;
        }
        // Every folder on the way, outermost first.
        bool parentThere = true;  // the destination itself
        for (std::size_t slash = name.find('\\'); slash != std::string::npos;
             slash = name.find('\\', slash + 1))
            parentThere = folderThere(name.substr(0, slash), parentThere);
        if (isFolderEntry) {
            folderThere(name, parentThere);
            continue;
        }
        plan.files.push_back(name);
        const RecordedFile file{name, entry.size, entry.crc};
        const std::optional<FoundFile> found = parentThere ? probe.file(name, entry.size) : std::nullopt;
        if (!found)
            plan.newFiles.push_back(file);
        else if (found->size == entry.size && found->crc == entry.crc)
            ++plan.sameFiles;
        else
            plan.existing.push_back(file);
    }
    return plan;
}

}  // namespace tavrix::installer
