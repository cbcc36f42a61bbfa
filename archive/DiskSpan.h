// Records of spanned sets: the end-of-central-directory record as it lies in
// the file, and the per-entry bookkeeping used while splitting or joining.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/zip/ZipRecords.h"

namespace tavrix::archive {

#pragma pack(push, 1)
struct ZipEndOfCentral {
    std::uint32_t signature;        // 0
    std::uint16_t thisDisk;         // 4: number of this disk
    std::uint16_t centralDisk;      // 6: disk where the central directory starts
    std::uint16_t entriesThisDisk;  // 8
    std::uint16_t totalEntries;     // 10
    std::uint32_t centralSize;      // 12
    std::uint32_t centralOffset;    // 16
    std::uint16_t commentLength;    // 20
};
#pragma pack(pop)

static_assert(offsetof(ZipEndOfCentral, thisDisk) == 4);
static_assert(offsetof(ZipEndOfCentral, centralDisk) == 6);
static_assert(offsetof(ZipEndOfCentral, entriesThisDisk) == 8);
static_assert(offsetof(ZipEndOfCentral, totalEntries) == 10);
static_assert(offsetof(ZipEndOfCentral, centralSize) == 12);
static_assert(offsetof(ZipEndOfCentral, centralOffset) == 16);
static_assert(offsetof(ZipEndOfCentral, commentLength) == 20);
static_assert(sizeof(ZipEndOfCentral) == 22);

// The component's form of an end record from the codec's, and back.
inline ZipEndOfCentral endOfCentralFrom(const zip::EndRecord& r) {
    return {zip::kEndOfCentralSignature,
            r.thisDisk,
            r.directoryDisk,
            r.entriesHere,
            r.entries,
            r.directorySize,
            r.directoryOffset,
            r.commentLength};
}
inline zip::EndRecord endRecordFrom(const ZipEndOfCentral& e) {
    return {e.thisDisk,    e.centralDisk,   e.entriesThisDisk, e.totalEntries,
            e.centralSize, e.centralOffset, e.commentLength};
}

// One entry while a set is split or joined: where its local header lies.
struct SpanEntry {
    std::uint16_t diskNumber = 0;
    // On its volume; in a joined archive it may lie past 4 GiB.
    std::uint64_t headerOffset = 0;
    std::string name;  // its length is the entry name's length
    // From the central header: a local header that announces a data
    // descriptor may carry 0 here, so the data's length is taken from the
    // directory.
    std::uint64_t compressedSize = 0;
    // The sizes are in the header's ZIP64 field: a data descriptor after
    // the data has 64-bit sizes.
    bool zip64Sizes = false;
    // The central header with its name, extra field and comment: written
    // whole onto one volume.
    std::uint32_t centralLength = 0;
};

// "set.zip" with volume 1 is "set001.zip": the three-digit number before the
// extension (of the file part; a dot in a folder name is no extension).
std::string volumeFileName(const std::string& name, int volume);
// The number in the three characters before the extension, -1 when they are
// not digits.
int volumeNumberOfFile(const std::string& name);
// `name` with its three characters before the extension replaced by the
// number of `volume` (a set's other volume, from the name of one of them).
std::string withVolumeNumber(const std::string& name, int volume);
// "PKBACK# 001" for volume 1.
std::string spanVolumeLabel(int volume);

}  // namespace tavrix::archive
