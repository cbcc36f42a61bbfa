// The version a program, library or gauge carries in its version resource,
// and the rule that keeps a newer copy in the simulator's folders: gauges
// are shared by every aircraft, so an add-on's older copy of a common gauge
// must not replace the newer one other aircraft were made for. No Windows
// here (the bytes may come from anywhere): tested natively and fuzzed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/ByteCursor.h"
#include "common/support/ZeroPadded.h"

namespace tavrix::installer {

// The four parts of a file version, most significant first, in one number
// that compares as the versions do.
using FileVersion = std::uint64_t;

namespace pe {

constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kResourceDirectory = 2;  // index among the data directories
constexpr std::uint32_t kVersionType = 16;       // the resource type of version information
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr std::uint16_t kMaxSections = 96;
constexpr std::uint32_t kMaxEntries = 4096;
constexpr std::u16string_view kVersionKey = u"VS_VERSION_INFO";

// Where an address of the loaded image lies in the file, through the
// section table; none when it lies in no section's data.
class AddressMap {
public:
    AddressMap(ByteCursor sections, std::uint16_t count) : sections_(sections), count_(count) {}
    std::optional<std::uint64_t> offsetOf(std::uint32_t address, std::uint32_t length) const {
        ByteCursor table = sections_;
        for (std::uint16_t i = 0; i < count_; ++i) {
            ByteCursor section = table.sub(kSectionHeaderSize);
            section.skip(12);
            const std::uint32_t start = section.u32();  // VirtualAddress
            const std::uint32_t rawSize = section.u32();
            const std::uint32_t rawOffset = section.u32();
            if (!section.ok()) return std::nullopt;
            if (address < start || address - start >= rawSize) continue;
            if (length > rawSize - (address - start)) return std::nullopt;
            return std::uint64_t{rawOffset} + (address - start);
        }
        return std::nullopt;
    }

private:
    ByteCursor sections_;
    std::uint16_t count_;
};

// The offset of the first entry of a resource directory, relative to the
// resources' start, that `wanted` accepts; none when there is none.
template <typename Wanted>
std::optional<std::uint32_t> resourceEntry(ByteCursor resources, std::uint32_t directory, bool subdirectory,
                                           Wanted&& wanted) {
    if (!resources.seek(directory) || !resources.skip(12)) return std::nullopt;
    const std::uint32_t entries = std::uint32_t{resources.u16()} + resources.u16();
    if (entries > kMaxEntries) return std::nullopt;
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint32_t name = resources.u32();
        const std::uint32_t target = resources.u32();
        if (!resources.ok()) return std::nullopt;
        if (((target & kSubdirectoryBit) != 0) != subdirectory || !wanted(name)) continue;
        return target & ~kSubdirectoryBit;
    }
    return std::nullopt;
}

}  // namespace pe

// The file version of a PE file's first version resource; none when the
// file is not a PE file, has no version resource, or any table in the way
// points outside the file.
inline std::optional<FileVersion> peFileVersion(std::span<const std::uint8_t> bytes) {
    ByteCursor file(bytes);
    if (file.u16() != pe::kDosSignature || !file.seek(pe::kPeOffsetField) || !file.seek(file.u32()) ||
        file.u32() != pe::kPeSignature)
        return std::nullopt;
    ByteCursor header = file.sub(pe::kFileHeaderSize);
    header.skip(2);
    const std::uint16_t sectionCount = header.u16();
    header.skip(12);
    const std::uint16_t optionalSize = header.u16();
    ByteCursor optional = file.sub(optionalSize);
    const std::uint16_t magic = optional.u16();
    if (!optional.ok() || sectionCount > pe::kMaxSections || (magic != pe::kPe32 && magic != pe::kPe32Plus))
        return std::nullopt;
    // The count of data directories, then the directories, each address and size.
    optional.seek(magic == pe::kPe32 ? 92 : 108);
    if (optional.u32() <= pe::kResourceDirectory || !optional.skip(8 * pe::kResourceDirectory))
        return std::nullopt;
    const std::uint32_t resourceAddress = optional.u32();
    const std::uint32_t resourceSize = optional.u32();
    const pe::AddressMap map(file.sub(std::size_t{sectionCount} * pe::kSectionHeaderSize), sectionCount);
    if (!optional.ok() || !file.ok()) return std::nullopt;

    const auto resourceOffset = map.offsetOf(resourceAddress, resourceSize);
    if (!resourceOffset || !file.seek(*resourceOffset)) return std::nullopt;
    const ByteCursor resources = file.sub(resourceSize);
    if (!resources.ok()) return std::nullopt;
    // Type, then name, then language; the version's first name and language.
    const auto named =
        pe::resourceEntry(resources, 0, true, [](std::uint32_t id) { return id == pe::kVersionType; });
    const auto any = [](std::uint32_t) { return true; };
    const auto language = named ? pe::resourceEntry(resources, *named, true, any) : std::nullopt;
    const auto data = language ? pe::resourceEntry(resources, *language, false, any) : std::nullopt;
    ByteCursor entry = resources;
    if (!data || !entry.seek(*data)) return std::nullopt;
    const std::uint32_t dataAddress = entry.u32();
    const std::uint32_t dataSize = entry.u32();
    const auto dataOffset = entry.ok() ? map.offsetOf(dataAddress, dataSize) : std::nullopt;
    if (!dataOffset || !file.seek(*dataOffset)) return std::nullopt;

    // The version block: its length, its value's length, its type, its key,
    // then (on a 4-byte boundary) the fixed part.
    ByteCursor block = file.sub(dataSize);
    block.skip(2);
    const std::uint16_t valueLength = block.u16();
    block.skip(2);
    for (const char16_t c : pe::kVersionKey)
        if (block.u16() != c) return std::nullopt;
    if (block.u16() != 0 || valueLength < 52) return std::nullopt;
    block.seek((block.position() + 3) & ~std::size_t{3});
    if (block.u32() != pe::kFixedInfoSignature) return std::nullopt;
    block.skip(4);
    const std::uint32_t high = block.u32();
    const std::uint32_t low = block.u32();
    if (!block.ok()) return std::nullopt;
    return (FileVersion{high} << 32) | low;
}

// "1.2.3.4"
inline std::string versionText(FileVersion version) {
    std::string text;
    for (int shift = 48; shift >= 0; shift -= 16) {
        if (!text.empty()) text += '.';
        text += zeroPadded((version >> shift) & 0xFFFF);
    }
    return text;
}

// The files whose version decides whether a copy is replaced: programs,
// libraries and gauges.
inline bool isVersionedName(std::string_view name) {
    if (name.size() < 4) return false;
    std::string extension;
    for (const char c : name.substr(name.size() - 4))
        extension += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return extension == ".gau" || extension == ".dll" || extension == ".exe";
}

// Whether the copy already there is kept although the pilot chose to replace
// files: both carry a version, and the one there is the newer. A copy
// without a version says nothing either way and is replaced as chosen.
inline bool keepsNewerCopy(std::optional<FileVersion> there, std::optional<FileVersion> package) {
    return there && package && *there > *package;
}

}  // namespace tavrix::installer
