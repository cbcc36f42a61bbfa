// The 256-byte settings block of a self-extracting archive: written by the
// archive component right after the stub, read back by the stub from right
// after its own image. One layout for both sides.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/ByteCursor.h"

namespace tavrix::sfx {

inline constexpr std::size_t kSettingsBlockSize = 256;
// Bytes left for the three strings after the fixed header.
inline constexpr std::size_t kSettingsStringRoom = 249;
inline constexpr char kSettingsSignature[3] = {'M', 'P', 'U'};

// Option bits of byte 3.
inline constexpr std::uint8_t kOptAskCmdLine = 0x01;
inline constexpr std::uint8_t kOptAskFiles = 0x02;
inline constexpr std::uint8_t kOptHideOverwriteBox = 0x04;
inline constexpr std::uint8_t kOptOverwriteAlways = 0x08;
inline constexpr std::uint8_t kOptOverwriteNever = 0x10;
inline constexpr std::uint8_t kOptNoCheckSize = 0x20;
inline constexpr std::uint8_t kOptAutoRun = 0x40;

#pragma pack(push, 1)
struct SettingsBlockHeader {
    char signature[3];
    std::uint8_t options;
    std::uint8_t captionLength;
    std::uint8_t defaultDirLength;
    std::uint8_t commandLineLength;
};
#pragma pack(pop)
static_assert(offsetof(SettingsBlockHeader, signature) == 0);
static_assert(offsetof(SettingsBlockHeader, options) == 3);
static_assert(offsetof(SettingsBlockHeader, captionLength) == 4);
static_assert(offsetof(SettingsBlockHeader, defaultDirLength) == 5);
static_assert(offsetof(SettingsBlockHeader, commandLineLength) == 6);
static_assert(sizeof(SettingsBlockHeader) + kSettingsStringRoom == kSettingsBlockSize);

enum class OverwriteMode : std::uint8_t { kConfirm, kAlways, kNever };

struct SfxSettings {
    std::uint8_t options = 0;
    std::string caption;
    std::string defaultDir;
    std::string commandLine;

    bool has(std::uint8_t bit) const { return (options & bit) != 0; }
    // Both overwrite bits set is not something the component writes; the
    // safer of the two wins.
    OverwriteMode overwriteMode() const {
        if (has(kOptOverwriteNever)) return OverwriteMode::kNever;
        if (has(kOptOverwriteAlways)) return OverwriteMode::kAlways;
        return OverwriteMode::kConfirm;
    }
    bool checkSize() const { return !has(kOptNoCheckSize); }
};

using SettingsBlock = std::array<std::uint8_t, kSettingsBlockSize>;

// Empty when the three strings do not fit in the block together.
inline std::optional<SettingsBlock> buildSettingsBlock(const SfxSettings& s) {
    const std::size_t total = s.caption.size() + s.defaultDir.size() + s.commandLine.size();
    if (total > kSettingsStringRoom) return std::nullopt;
    SettingsBlock block{};
    SettingsBlockHeader header{};
    for (std::size_t i = 0; i < 3; ++i) header.signature[i] = kSettingsSignature[i];
    header.options = s.options;
    header.captionLength = static_cast<std::uint8_t>(s.caption.size());
    header.defaultDirLength = static_cast<std::uint8_t>(s.defaultDir.size());
    header.commandLineLength = static_cast<std::uint8_t>(s.commandLine.size());
    std::size_t at = 0;
    for (std::uint8_t byte : std::span(reinterpret_cast<const std::uint8_t*>(&header), sizeof header))
        block[at++] = byte;
    for (const std::string* text : {&s.caption, &s.defaultDir, &s.commandLine})
        for (char c : *text) block[at++] = static_cast<std::uint8_t>(c);
    return block;
}

// Reads a block from the start of `bytes`. Empty when there is no block
// there (no signature, too few bytes) or its lengths run past its end.
inline std::optional<SfxSettings> parseSettingsBlock(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSettingsBlockSize) return std::nullopt;
    ByteCursor cursor(bytes.first(kSettingsBlockSize));
    if (cursor.chars(3) != std::string_view(kSettingsSignature, 3)) return std::nullopt;
    SfxSettings s;
    s.options = cursor.u8();
    const std::size_t captionLength = cursor.u8();
    const std::size_t dirLength = cursor.u8();
    const std::size_t commandLength = cursor.u8();
    if (captionLength + dirLength + commandLength > kSettingsStringRoom) return std::nullopt;
    s.caption = std::string(cursor.chars(captionLength));
    s.defaultDir = std::string(cursor.chars(dirLength));
    s.commandLine = std::string(cursor.chars(commandLength));
    if (!cursor.ok()) return std::nullopt;
    return s;
}

}  // namespace tavrix::sfx
