// Reading an archive's directory from untrusted bytes: the end-record search
// and the walk over the central headers. Nothing declared in the file is
// trusted: every count, size and offset is checked against what the file
// really holds, and nothing is allocated beyond the file's size.
//
// Failures come back as a catalogue id with the value its text takes; the
// component turns them into its exception, the tests compare the ids.
#pragma once

#include "archive/ArchiveTypes.h"
#include "archive/DiskSpan.h"
#include "archive/ZipDirEntry.h"
#include "common/support/RandomAccessInput.h"
#include "common/zip/ZipRecords.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrix::archive {

struct ReadError {
    enum class Arg : std::uint8_t { None, Number, Text };
    int id = 0;  // 0: no error
    Arg arg = Arg::None;
    int number = 0;
    std::string text;

    explicit operator bool() const { return id != 0; }
    static ReadError plain(int id) { return {id, Arg::None, 0, {}}; }
    static ReadError withNumber(int id, int n) { return {id, Arg::Number, n, {}}; }
    static ReadError withText(int id, std::string s) { return {id, Arg::Text, 0, std::move(s)}; }
};

// The volume number a "PKBACK# nnn" label names, 0 for any other label.
int volumeNumberFromLabel(std::string_view label);

struct EndRecordSearch {
    int labelVolume = 0;  // in: volume number from the disk label, 0 if none

    ZipEndOfCentral end{};
    std::uint64_t fileSize = 0;
    std::uint64_t archiveEnd = 0;  // end of the comment, or the file size
    std::uint64_t endOfCentralOffset = 0;
    // The directory as the end records describe it: the ZIP64 end record's
    // values where the classic record's fields are saturated (more than
    // 65535 entries, or sizes and offsets beyond 32 bits).
    std::uint64_t totalEntries = 0;
    std::uint64_t centralSize = 0;
    std::uint64_t centralOffset = 0;
    std::uint64_t directoryEnd = 0;  // where the directory must end: the first end record
    bool zip64 = false;
    std::string comment;           // raw archive comment bytes
    bool spanMarker = false;       // file starts a spanned set
    bool trailingGarbage = false;  // bytes after the comment that are not block padding
};

// Finds the end record: at the very end first, then by a backward scan of the
// last 65557 bytes. On failure `search` keeps what was learned (marker, size).
ReadError findEndRecord(RandomAccessInput& file, EndRecordSearch& search);

// Opens volume `disk` of a spanned set; nullptr when it cannot be had.
using VolumeOpener = std::function<RandomAccessInput*(int disk)>;

struct DirectoryListing {
    std::vector<ZipDirEntry> entries;
    std::uint64_t centralDirOffset = 0;  // where the directory was actually found
    std::int64_t archiveDataStart = 0;   // first local header, as a real file position
    bool structureWarning = false;       // stored directory offset disagrees with the computed one
    int lastDiskNumber = 0;
    bool haveHost = false;  // host and version of the last central header read
    std::uint8_t lastHost = 0;
    std::uint8_t lastVersion = 0;
};

struct DirectoryOptions {
    CPOpts codePage = cpAUTO;
    std::function<void(int id)> warn;  // warnings shown while reading goes on (10203)
    VolumeOpener openVolume;           // empty: a set whose directory lies elsewhere is refused
};

// Sets the entry's full sizes, offset and disk from its header, then from
// the ZIP64 field among `extra` (the central header's extra fields): that
// field holds, in this order, only the values whose header fields are
// saturated. A field too short for them, or damaged extra data, leaves the
// header's values.
void applyZip64Extra(ZipDirEntry& entry, const zip::CentralHeader& header,
                     std::span<const std::uint8_t> extra);

// Walks the central directory that `end` describes. Entries read before a
// failure stay in `listing.entries`.
ReadError readDirectory(RandomAccessInput& file, const EndRecordSearch& end, const DirectoryOptions& options,
                        DirectoryListing& listing);

// Both steps in one, for callers without a disk to check (tests, fuzzing, the
// benchmark). The end record's warning goes to options.warn as 10204.
ReadError listArchive(RandomAccessInput& file, const DirectoryOptions& options, EndRecordSearch& end,
                      DirectoryListing& listing);

}  // namespace tavrix::archive
