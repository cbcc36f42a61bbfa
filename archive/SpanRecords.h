// What the spanning routines read and rewrite in the headers they copy: the
// field offsets inside the fixed parts, and the small helpers both
// directions share.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrix::archive::span {

// Data is copied in chunks this large: each read and write costs a system
// call (and under Wine a round trip), so small chunks cost far more than the
// bytes.
inline constexpr std::size_t kCopyChunk = 1 << 20;
inline constexpr std::size_t kDescriptorSize = 16;  // signature, CRC, two sizes

inline constexpr std::size_t kLocalFlags = 6;
inline constexpr std::size_t kLocalCompressedSize = 18;
inline constexpr std::size_t kLocalNameLength = 26;
inline constexpr std::size_t kLocalExtraLength = 28;
inline constexpr std::size_t kCentralCompressedSize = 20;
inline constexpr std::size_t kCentralNameLength = 28;
inline constexpr std::size_t kCentralExtraLength = 30;
inline constexpr std::size_t kCentralCommentLength = 32;
inline constexpr std::size_t kCentralDiskStart = 34;
inline constexpr std::size_t kCentralLocalOffset = 42;

inline std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Numbered files, no prompts; anything else is a drive of disks.
inline bool isFixedOrNetwork(UINT driveType) {
    return driveType == DRIVE_FIXED || driveType == DRIVE_REMOTE;
}

// Entry names as the component shows them.
inline std::string withBackslashes(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

}  // namespace tavrix::archive::span
