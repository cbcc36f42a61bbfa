// One entry of an archive's central directory as the component keeps it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrix::archive {

// The 42 bytes that follow a central header's signature, in file order and
// width. Kept with natural alignment so that every field can be used as an
// ordinary value (the last two fields sit two bytes later than in the file);
// the reader fills them field by field, never by copying bytes.
struct ZipCentralFields {
    std::uint8_t madeByVersion;        // 0: ZIP version of the maker
    std::uint8_t hostSystem;           // 1: 0 FAT, 3 Unix, 6 HPFS, 11 NTFS, ...
    std::uint16_t versionNeeded;       // 2
    std::uint16_t flags;               // 4: general purpose flags
    std::uint16_t compressionMethod;   // 6
    std::uint32_t dateTime;            // 8: DOS time (low word) and date (high word)
    std::uint32_t crc32;               // 12
    std::uint32_t compressedSize;      // 16
    std::uint32_t uncompressedSize;    // 20
    std::uint16_t fileNameLength;      // 24
    std::uint16_t extraFieldLength;    // 26
    std::uint16_t fileCommentLength;   // 28
    std::uint16_t diskNumberStart;     // 30
    std::uint16_t internalAttributes;  // 32
    std::uint32_t externalAttributes;  // 34 in the file
    std::uint32_t localHeaderOffset;   // 38 in the file
};

static_assert(offsetof(ZipCentralFields, versionNeeded) == 2);
static_assert(offsetof(ZipCentralFields, dateTime) == 8);
static_assert(offsetof(ZipCentralFields, compressedSize) == 16);
static_assert(offsetof(ZipCentralFields, fileNameLength) == 24);
static_assert(offsetof(ZipCentralFields, diskNumberStart) == 30);
static_assert(offsetof(ZipCentralFields, internalAttributes) == 32);
static_assert(offsetof(ZipCentralFields, externalAttributes) == 36);
static_assert(offsetof(ZipCentralFields, localHeaderOffset) == 40);

struct ZipDirEntry {
    ZipCentralFields header;
    std::string fileName;     // converted, every '/' replaced by '\'
    std::string fileComment;  // converted; empty when the entry has none
    // The header's sizes, local-header offset and starting disk in full:
    // where the header's field is saturated (0xFFFFFFFF, 0xFFFF) and the
    // entry's ZIP64 extra field carries the value, that value.
    std::uint64_t uncompressedSize = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t localHeaderOffset = 0;
    std::uint32_t diskNumberStart = 0;
};

}  // namespace tavrix::archive
