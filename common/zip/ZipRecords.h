// The fixed-size records of the ZIP format, one codec each: a parse that
// reads the record through the byte cursor (its signature checked, nothing
// read past the bytes given) and a store that writes it back. The names,
// extra fields and comments that follow a record are the caller's: their
// lengths are fields of the record.
//
// Every reader and writer of archives (the component's directory reader and
// spanning code, the engines' reader and writer, the self-extractor) goes
// through these, so that a field's offset and width are written down once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/ByteCursor.h"
#include "common/ZipFormat.h"

namespace tavrix::zip {

// ---- Local header: signature, then these fields, then name and extra field.
struct LocalHeader {
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0;  // time in the low word, date in the high one
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
};
namespace local_at {
inline constexpr std::size_t kVersionNeeded = 4;
inline constexpr std::size_t kFlags = 6;
inline constexpr std::size_t kMethod = 8;
inline constexpr std::size_t kDosDateTime = 10;
inline constexpr std::size_t kCrc = 14;
inline constexpr std::size_t kCompressedSize = 18;
inline constexpr std::size_t kSize = 22;
inline constexpr std::size_t kNameLength = 26;
inline constexpr std::size_t kExtraLength = 28;
static_assert(kExtraLength + 2 == kLocalHeaderSize);
}  // namespace local_at

// ---- Central header: signature, these fields, then name, extra field, comment.
struct CentralHeader {
    std::uint16_t versionMadeBy = 0;  // host system in the high byte
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t diskStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;

    // Name, extra field and comment.
    std::size_t variableLength() const { return std::size_t{nameLength} + extraLength + commentLength; }
};
namespace central_at {
inline constexpr std::size_t kVersionMadeBy = 4;
inline constexpr std::size_t kVersionNeeded = 6;
inline constexpr std::size_t kFlags = 8;
inline constexpr std::size_t kMethod = 10;
inline constexpr std::size_t kDosDateTime = 12;
inline constexpr std::size_t kCrc = 16;
inline constexpr std::size_t kCompressedSize = 20;
inline constexpr std::size_t kSize = 24;
inline constexpr std::size_t kNameLength = 28;
inline constexpr std::size_t kExtraLength = 30;
inline constexpr std::size_t kCommentLength = 32;
inline constexpr std::size_t kDiskStart = 34;
inline constexpr std::size_t kInternalAttributes = 36;
inline constexpr std::size_t kExternalAttributes = 38;
inline constexpr std::size_t kLocalHeaderOffset = 42;
static_assert(kLocalHeaderOffset + 4 == kCentralHeaderSize);
}  // namespace central_at

// ---- Classic end record: signature, these fields, then the comment.
struct EndRecord {
    std::uint16_t thisDisk = 0;
    std::uint16_t directoryDisk = 0;
    std::uint16_t entriesHere = 0;
    std::uint16_t entries = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
    std::uint16_t commentLength = 0;
};
namespace end_at {
inline constexpr std::size_t kThisDisk = 4;
inline constexpr std::size_t kDirectoryDisk = 6;
inline constexpr std::size_t kEntriesHere = 8;
inline constexpr std::size_t kEntries = 10;
inline constexpr std::size_t kDirectorySize = 12;
inline constexpr std::size_t kDirectoryOffset = 16;
inline constexpr std::size_t kCommentLength = 20;
static_assert(kCommentLength + 2 == kEndOfCentralSize);
}  // namespace end_at

// ---- ZIP64 end record (its fixed part; an extensible data field may follow).
struct Zip64EndRecord {
    std::uint64_t recordSize = kZip64EndSize - 12;  // what follows this field
    std::uint16_t versionMadeBy = kVersionZip64;
    std::uint16_t versionNeeded = kVersionZip64;
    std::uint32_t thisDisk = 0;
    std::uint32_t directoryDisk = 0;
    std::uint64_t entriesHere = 0;
    std::uint64_t entries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
};
namespace zip64_end_at {
inline constexpr std::size_t kRecordSize = 4;
inline constexpr std::size_t kVersionMadeBy = 12;
inline constexpr std::size_t kVersionNeeded = 14;
inline constexpr std::size_t kThisDisk = 16;
inline constexpr std::size_t kDirectoryDisk = 20;
inline constexpr std::size_t kEntriesHere = 24;
inline constexpr std::size_t kEntries = 32;
inline constexpr std::size_t kDirectorySize = 40;
inline constexpr std::size_t kDirectoryOffset = 48;
static_assert(kDirectoryOffset + 8 == kZip64EndSize);
}  // namespace zip64_end_at

// ---- ZIP64 locator: right in front of the classic end record.
struct Zip64Locator {
    std::uint32_t endRecordDisk = 0;
    std::uint64_t endRecordOffset = 0;
    std::uint32_t totalDisks = 1;
};
namespace locator_at {
inline constexpr std::size_t kEndRecordDisk = 4;
inline constexpr std::size_t kEndRecordOffset = 8;
inline constexpr std::size_t kTotalDisks = 16;
static_assert(kTotalDisks + 4 == kZip64LocatorSize);
}  // namespace locator_at

// ---- Data descriptor: after an entry's data when its local header said so;
// with its signature, and 32-bit sizes (the form written here).
struct DataDescriptor {
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
};
inline constexpr std::size_t kDataDescriptorSize = 16;
namespace descriptor_at {
inline constexpr std::size_t kCrc = 4;
inline constexpr std::size_t kCompressedSize = 8;
inline constexpr std::size_t kSize = 12;
static_assert(kSize + 4 == kDataDescriptorSize);
}  // namespace descriptor_at

// An entry whose sizes are in its ZIP64 field has a descriptor with 64-bit
// sizes: signature, CRC, then 8 bytes each.
inline constexpr std::size_t kZip64DataDescriptorSize = 24;

// ---- The ZIP64 extra field of a central header: the values whose fixed
// field is saturated, and only those, in this order.
struct Zip64Values {
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t localHeaderOffset = 0;
    std::uint32_t diskStart = 0;
};

// Each parse needs the record's fixed size in `bytes` (more is ignored) and
// gives nothing when it is short or the signature is not the record's.
inline std::optional<LocalHeader> parseLocalHeader(std::span<const std::uint8_t> bytes) {
    ByteCursor c(bytes);
    if (c.u32() != kLocalHeaderSignature) return std::nullopt;
    LocalHeader h;
    h.versionNeeded = c.u16();
    h.flags = c.u16();
    h.method = c.u16();
    h.dosDateTime = c.u32();
    h.crc = c.u32();
    h.compressedSize = c.u32();
    h.size = c.u32();
    h.nameLength = c.u16();
    h.extraLength = c.u16();
    if (!c.ok()) return std::nullopt;
    return h;
}

inline std::optional<CentralHeader> parseCentralHeader(std::span<const std::uint8_t> bytes) {
    ByteCursor c(bytes);
    if (c.u32() != kCentralHeaderSignature) return std::nullopt;
    CentralHeader h;
    h.versionMadeBy = c.u16();
    h.versionNeeded = c.u16();
    h.flags = c.u16();
    h.method = c.u16();
    h.dosDateTime = c.u32();
    h.crc = c.u32();
    h.compressedSize = c.u32();
    h.size = c.u32();
    h.nameLength = c.u16();
    h.extraLength = c.u16();
    h.commentLength = c.u16();
    h.diskStart = c.u16();
    h.internalAttributes = c.u16();
    h.externalAttributes = c.u32();
    h.localHeaderOffset = c.u32();
    if (!c.ok()) return std::nullopt;
    return h;
}

inline std::optional<EndRecord> parseEndRecord(std::span<const std::uint8_t> bytes) {
    ByteCursor c(bytes);
    if (c.u32() != kEndOfCentralSignature) return std::nullopt;
    EndRecord r;
    r.thisDisk = c.u16();
    r.directoryDisk = c.u16();
    r.entriesHere = c.u16();
    r.entries = c.u16();
    r.directorySize = c.u32();
    r.directoryOffset = c.u32();
    r.commentLength = c.u16();
    if (!c.ok()) return std::nullopt;
    return r;
}

inline std::optional<Zip64EndRecord> parseZip64EndRecord(std::span<const std::uint8_t> bytes) {
    ByteCursor c(bytes);
    if (c.u32() != kZip64EndSignature) return std::nullopt;
    Zip64EndRecord r;
    r.recordSize = c.u64();
    r.versionMadeBy = c.u16();
    r.versionNeeded = c.u16();
    r.thisDisk = c.u32();
    r.directoryDisk = c.u32();
    r.entriesHere = c.u64();
    r.entries = c.u64();
    r.directorySize = c.u64();
    r.directoryOffset = c.u64();
    if (!c.ok()) return std::nullopt;
    return r;
}

inline std::optional<Zip64Locator> parseZip64Locator(std::span<const std::uint8_t> bytes) {
    ByteCursor c(bytes);
    if (c.u32() != kZip64LocatorSignature) return std::nullopt;
    Zip64Locator l;
    l.endRecordDisk = c.u32();
    l.endRecordOffset = c.u64();
    l.totalDisks = c.u32();
    if (!c.ok()) return std::nullopt;
    return l;
}

inline void storeLocalHeader(const LocalHeader& h, std::span<std::uint8_t, kLocalHeaderSize> out) {
    std::uint8_t* at = out.data();
    storeLe32(at, kLocalHeaderSignature);
    storeLe16(at + local_at::kVersionNeeded, h.versionNeeded);
    storeLe16(at + local_at::kFlags, h.flags);
    storeLe16(at + local_at::kMethod, h.method);
    storeLe32(at + local_at::kDosDateTime, h.dosDateTime);
    storeLe32(at + local_at::kCrc, h.crc);
    storeLe32(at + local_at::kCompressedSize, h.compressedSize);
    storeLe32(at + local_at::kSize, h.size);
    storeLe16(at + local_at::kNameLength, h.nameLength);
    storeLe16(at + local_at::kExtraLength, h.extraLength);
}

inline void storeCentralHeader(const CentralHeader& h, std::span<std::uint8_t, kCentralHeaderSize> out) {
    std::uint8_t* at = out.data();
    storeLe32(at, kCentralHeaderSignature);
    storeLe16(at + central_at::kVersionMadeBy, h.versionMadeBy);
    storeLe16(at + central_at::kVersionNeeded, h.versionNeeded);
    storeLe16(at + central_at::kFlags, h.flags);
    storeLe16(at + central_at::kMethod, h.method);
    storeLe32(at + central_at::kDosDateTime, h.dosDateTime);
    storeLe32(at + central_at::kCrc, h.crc);
    storeLe32(at + central_at::kCompressedSize, h.compressedSize);
    storeLe32(at + central_at::kSize, h.size);
    storeLe16(at + central_at::kNameLength, h.nameLength);
    storeLe16(at + central_at::kExtraLength, h.extraLength);
    storeLe16(at + central_at::kCommentLength, h.commentLength);
    storeLe16(at + central_at::kDiskStart, h.diskStart);
    storeLe16(at + central_at::kInternalAttributes, h.internalAttributes);
    storeLe32(at + central_at::kExternalAttributes, h.externalAttributes);
    storeLe32(at + central_at::kLocalHeaderOffset, h.localHeaderOffset);
}

inline void storeEndRecord(const EndRecord& r, std::span<std::uint8_t, kEndOfCentralSize> out) {
    std::uint8_t* at = out.data();
    storeLe32(at, kEndOfCentralSignature);
    storeLe16(at + end_at::kThisDisk, r.thisDisk);
    storeLe16(at + end_at::kDirectoryDisk, r.directoryDisk);
    storeLe16(at + end_at::kEntriesHere, r.entriesHere);
    storeLe16(at + end_at::kEntries, r.entries);
    storeLe32(at + end_at::kDirectorySize, r.directorySize);
    storeLe32(at + end_at::kDirectoryOffset, r.directoryOffset);
    storeLe16(at + end_at::kCommentLength, r.commentLength);
}

inline void storeZip64EndRecord(const Zip64EndRecord& r, std::span<std::uint8_t, kZip64EndSize> out) {
    std::uint8_t* at = out.data();
    storeLe32(at, kZip64EndSignature);
    storeLe64(at + zip64_end_at::kRecordSize, r.recordSize);
    storeLe16(at + zip64_end_at::kVersionMadeBy, r.versionMadeBy);
    storeLe16(at + zip64_end_at::kVersionNeeded, r.versionNeeded);
    storeLe32(at + zip64_end_at::kThisDisk, r.thisDisk);
    storeLe32(at + zip64_end_at::kDirectoryDisk, r.directoryDisk);
    storeLe64(at + zip64_end_at::kEntriesHere, r.entriesHere);
    storeLe64(at + zip64_end_at::kEntries, r.entries);
    storeLe64(at + zip64_end_at::kDirectorySize, r.directorySize);
    storeLe64(at + zip64_end_at::kDirectoryOffset, r.directoryOffset);
}

inline void storeZip64Locator(const Zip64Locator& l, std::span<std::uint8_t, kZip64LocatorSize> out) {
    std::uint8_t* at = out.data();
    storeLe32(at, kZip64LocatorSignature);
    storeLe32(at + locator_at::kEndRecordDisk, l.endRecordDisk);
    storeLe64(at + locator_at::kEndRecordOffset, l.endRecordOffset);
    storeLe32(at + locator_at::kTotalDisks, l.totalDisks);
}

// The header's values with those it saturates taken from the ZIP64 field of
// `extra` (the header's extra field). Nothing when the header saturates a
// value that no ZIP64 field holds, or the extra field is malformed there.
inline Zip64Values fixedValues(const CentralHeader& h) {
    return Zip64Values{h.size, h.compressedSize, h.localHeaderOffset, h.diskStart};
}
inline std::optional<Zip64Values> resolveZip64(const CentralHeader& h, std::span<const std::uint8_t> extra) {
    Zip64Values values = fixedValues(h);
    const bool wantSize = h.size == kSaturated32;
    const bool wantPacked = h.compressedSize == kSaturated32;
    const bool wantOffset = h.localHeaderOffset == kSaturated32;
    const bool wantDisk = h.diskStart == kSaturated16;
    if (!wantSize && !wantPacked && !wantOffset && !wantDisk) return values;
    ByteCursor c(extra);
    while (c.remaining() >= 4) {
        const std::uint16_t id = c.u16();
        ByteCursor field = c.sub(c.u16());
        if (!c.ok()) return std::nullopt;
        if (id != kExtraZip64) continue;
        if (wantSize) values.size = field.u64();
        if (wantPacked) values.compressedSize = field.u64();
        if (wantOffset) values.localHeaderOffset = field.u64();
        if (wantDisk) values.diskStart = field.u32();
        if (!field.ok()) return std::nullopt;
        return values;
    }
    return std::nullopt;
}

inline void storeDataDescriptor(const DataDescriptor& d, std::span<std::uint8_t, kDataDescriptorSize> out) {
    std::uint8_t* at = out.data();
    storeLe32(at, kDataDescriptorSignature);
    storeLe32(at + descriptor_at::kCrc, d.crc);
    storeLe32(at + descriptor_at::kCompressedSize, d.compressedSize);
    storeLe32(at + descriptor_at::kSize, d.size);
}

}  // namespace tavrix::zip
