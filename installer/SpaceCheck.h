// Whether the destination's drive can take the unpacked package, and what
// the user is told when it cannot. No Windows here: tested natively too.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>

#include "common/support/ZeroPadded.h"

namespace tavrix::installer {

// Free bytes the system reported, -1 when it could not tell: then the
// extraction goes ahead and any file that does not fit is reported.
constexpr bool roomFor(std::uint64_t neededBytes, std::int64_t freeBytes) {
    return freeBytes < 0 || static_cast<std::uint64_t>(freeBytes) >= neededBytes;
}

// The drive of a folder as the user knows it: "C:" for a drive letter,
// "\\server\share" for a network folder, else the folder itself.
inline std::string driveOf(const std::string& folder) {
    if (folder.size() >= 2 && folder[1] == ':' && std::isalpha(static_cast<unsigned char>(folder[0])))
        return std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(folder[0])))) + ":";
    if (folder.rfind("\\\\", 0) == 0) {
        const auto server = folder.find('\\', 2);
        if (server == std::string::npos) return folder;
        const auto share = folder.find('\\', server + 1);
        return share == std::string::npos ? folder : folder.substr(0, share);
    }
    return folder;
}

// Megabytes (of 1,048,576 bytes) with one decimal; what is needed is
// rounded up and what is free down, so a shortage never reads as enough.
inline std::string megabytes(std::uint64_t bytes, bool roundUp) {
    constexpr std::uint64_t kMegabyte = 1048576;
    const std::uint64_t rest = bytes % kMegabyte;  // below 2^20: times ten cannot overflow
    std::uint64_t tenths = bytes / kMegabyte * 10 + rest * 10 / kMegabyte;
    if (roundUp && rest * 10 % kMegabyte != 0) ++tenths;
    return zeroPadded(tenths / 10) + "." + zeroPadded(tenths % 10) + " MB";
}

inline std::string notEnoughSpaceText(const std::string& drive, std::uint64_t neededBytes,
                                      std::int64_t freeBytes) {
    return "There is not enough free space on drive " + drive + " to install this add-on.\n\n" +
           "Space needed: " + megabytes(neededBytes, true) + "\n" +
           "Space free: " + megabytes(static_cast<std::uint64_t>(freeBytes < 0 ? 0 : freeBytes), false) +
           "\n\nFree some space on the drive and choose Retry, or choose Cancel to pick another folder.";
}

}  // namespace tavrix::installer
