#include "sfx/PeImage.h"

#include <algorithm>

#include "common/ByteCursor.h"

namespace tavrix::sfx {
namespace {

constexpr std::uint16_t kDosSignature = 0x5A4D;       // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;    // "PE\0\0"
constexpr std::size_t kDosNewHeaderField = 0x3C;      // e_lfanew
constexpr std::size_t kFileHeaderSize = 20;           // after the signature
constexpr std::size_t kSectionCountField = 2;         // within the file header
constexpr std::size_t kOptionalHeaderSizeField = 16;  // within the file header
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionRawSizeField = 16;         // within a section header
constexpr std::size_t kOptionalSizeOfHeadersField = 60;  // same offset in PE32 and PE32+
constexpr std::uint16_t kMaxSections = 96;               // the loader's own limit

}  // namespace

std::optional<std::uint64_t> peImageEnd(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
    ByteCursor cursor(head);
    if (cursor.u16() != kDosSignature || !cursor.seek(kDosNewHeaderField)) return std::nullopt;
    const std::uint32_t peOffset = cursor.u32();
    if (!cursor.seek(peOffset) || cursor.u32() != kPeSignature) return std::nullopt;
    ByteCursor fileHeader = cursor.sub(kFileHeaderSize);
    fileHeader.skip(kSectionCountField);
    const std::uint16_t sections = fileHeader.u16();
    fileHeader.seek(kOptionalHeaderSizeField);
    const std::uint16_t optionalSize = fileHeader.u16();
    if (!fileHeader.ok() || sections == 0 || sections > kMaxSections) return std::nullopt;

    ByteCursor optional = cursor.sub(optionalSize);
    optional.seek(kOptionalSizeOfHeadersField);
    std::uint64_t end = optional.u32();  // SizeOfHeaders
    if (!optional.ok()) return std::nullopt;

    for (std::uint16_t i = 0; i < sections; ++i) {
        ByteCursor section = cursor.sub(kSectionHeaderSize);
        section.seek(kSectionRawSizeField);
        const std::uint32_t rawSize = section.u32();
        const std::uint32_t rawOffset = section.u32();
        if (!section.ok()) return std::nullopt;
        if (rawSize == 0) continue;  // uninitialised data takes no room in the file
        std::uint64_t sectionEnd = 0;
        if (!addWithin(rawOffset, rawSize, fileSize, sectionEnd)) return std::nullopt;
        end = std::max(end, sectionEnd);
    }
    if (end > fileSize) return std::nullopt;
    return end;
}

}  // namespace tavrix::sfx
