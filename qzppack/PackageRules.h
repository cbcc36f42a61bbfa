// What `QzpPack check` holds a package folder to, for the parts that need no
// Windows calls: the description's keys as the installer reads them, the
// names that become folders, the numbered volumes of a set and what disk 1
// of a set on floppies must hold. Each problem comes with its fix.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrix::qzppack {

struct Finding {
    std::string problem;
    std::string fix;
};

// One key of Ostrel.ini as the profile functions give it back (sections and
// keys in the letter case the file writes them).
struct DescriptionKey {
    std::string section;
    std::string key;
    std::string value;
};

// The values the installer's pages take from the description; a key the
// file lacks reads as empty, as it does on the pages.
struct DescriptionValues {
    std::string splashFile;
    std::string condition;
    std::string type;
    std::string title;
    std::string version;
    std::string authors[6];  // keys "1" to "6": address, name, address, name, ...
};

// Looks keys up as the profile functions do: sections and keys in any
// letter case, the first of two alike.
DescriptionValues descriptionValues(const std::vector<DescriptionKey>& keys);

// Every key the installer reads, and every section or key it never reads.
// `fileBytes` is the file itself, for what the profile functions hide (a
// byte-order mark in front of the first section).
std::vector<Finding> checkDescription(const std::vector<DescriptionKey>& keys, const std::string& fileBytes);

// Why `name` cannot be one folder's name (the title and the type each name
// one), or nothing when it can.
std::optional<std::string> folderNameFault(const std::string& name);

// The numbers of the volumes the folder holds (Setup001.qzp is 1), in rising
// order; the first number missing below the highest, if one is.
std::optional<int> firstMissingVolume(const std::vector<int>& present);

// A 1.44 MB floppy disk: every file takes whole 512-byte clusters of the
// disk's 1,457,664 data bytes.
inline constexpr std::uint64_t kFloppyDataBytes = 1'457'664;
inline constexpr std::uint64_t kFloppyCluster = 512;
std::uint64_t bytesOnFloppy(std::uint64_t size);

// "1,457,664".
std::string groupedNumber(std::uint64_t value);

}  // namespace tavrix::qzppack
