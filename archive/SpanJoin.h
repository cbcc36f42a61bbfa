// The byte-level work of spanned sets that needs no Windows: reading the
// headers the volumes hold, and joining the volumes of a set into one
// archive. Where the bytes come from (files, disks asked for) and where they
// go is the caller's, through SpanInput and JoinIo, so that the same code
// runs in the component and over memory in the fuzzer.
#pragma once

#include "archive/DirectoryReader.h"
#include "archive/DiskSpan.h"
#include "common/ZipFormat.h"
#include "common/zip/ZipRecords.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrix::archive {

// Data is copied in chunks this large: each read and write costs a system
// call (and under Wine a round trip), so small chunks cost far more than the
// bytes.
inline constexpr std::size_t kSpanCopyChunk = 1 << 20;
// Headers, names and extra fields are read ahead and written gathered in
// pieces this large. Data goes straight between the chunk and the files: a
// whole chunk of read-ahead would pass most of an archive's bytes through
// one more copy each way.
inline constexpr std::size_t kSpanHeaderBlock = 64 << 10;

// The bytes of the archive or set being read, one after another. A failure
// is remembered, the first one only: the work stops at the next check, and
// the reads after it give nothing.
class SpanInput {
public:
    virtual ~SpanInput() = default;
    // Exactly `count` bytes; false after the failure `errorId` (or an
    // earlier one).
    virtual bool read(void* out, std::size_t count, int errorId) = 0;
    // Records the failure `errorId` unless one came first.
    virtual void fail(int errorId) = 0;
    virtual bool failed() const = 0;
};

// Entry names to their places in the list, the first of equal names winning.
class SpanEntryIndex {
public:
    explicit SpanEntryIndex(std::vector<SpanEntry>& entries);
    // The entries are met twice, by their local headers and then by their
    // central headers; each pass takes them in the directory's order.
    enum class Pass { Local, Central };
    // The first entry of that name this pass has not taken yet: an archive
    // may hold one name twice, and each header then gets its own entry. A
    // name the directory does not hold (or not that often) fails with
    // "A local header not found in internal structure" (nullptr).
    SpanEntry* take(SpanInput& input, std::string_view name, Pass pass);
    // Every entry may be taken again in `pass` (after a walk that only looked).
    void restart(Pass pass);

private:
    std::vector<SpanEntry>& entries_;
    std::vector<std::size_t> byName_;  // places in the list, sorted by name
    std::vector<std::uint8_t> taken_;  // by place in the list: one bit for each pass
};

// Reads one central header from `input` into `entry`: its name and
// compressed size. Returns the bytes the entry takes in the archive (local
// header, name and data), 0 after a failure.
std::uint64_t readSpanEntry(SpanInput& input, SpanEntry& entry);
// The same for each of `entries`, and the bytes they take together.
std::uint64_t readSpanDirectory(SpanInput& input, std::vector<SpanEntry>& entries);

// One entry's local header as read, its name, and where it stands in the
// directory.
struct LocalEntry {
    std::uint8_t header[zip::kLocalHeaderSize] = {};
    zip::LocalHeader fields;
    std::string name;
    SpanEntry* entry = nullptr;
    // From the directory when a descriptor or a ZIP64 field carries the sizes.
    std::uint64_t dataLength = 0;
    std::size_t descriptorLength = 0;  // of the data descriptor after the data; 0 without one

    // Header, name, extra field, data and descriptor.
    std::uint64_t wholeSize() const {
        return sizeof header + fields.nameLength + fields.extraLength + dataLength + descriptorLength;
    }
};

// Reads the next local header and its name; false after a failure.
bool readLocalEntry(SpanInput& input, SpanEntryIndex& index, LocalEntry& out);
// The data and descriptor that follow local header `fields` of `entry`.
std::uint64_t localDataLength(const zip::LocalHeader& fields, const SpanEntry& entry);
std::size_t descriptorLength(const zip::LocalHeader& fields, const SpanEntry& entry);

// Central header `central` with its extra field `extra` once its local
// header lies at `offset`, past 4 GiB: a ZIP64 field with the sizes the
// header saturates (as they were) and the offset replaces any it had, the
// other fields are kept; the header's offset is saturated, its extra
// field's length and the version it needs follow.
void moveOffsetToZip64(std::span<std::uint8_t, zip::kCentralHeaderSize> central,
                       std::vector<std::uint8_t>& extra, std::uint64_t offset);

// An entry name as the component shows it.
std::string withBackslashes(std::string name);

// Where a directory lies and what it holds, for the end records that close
// an archive or a set.
struct DirectoryPlace {
    std::uint32_t thisDisk = 0;       // the volume the end records are on
    std::uint32_t directoryDisk = 0;  // the volume the directory starts on
    std::uint64_t entriesHere = 0;    // entries the records count on this volume
    std::uint64_t entries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;  // on its volume
    std::uint64_t recordsAt = 0;        // where the end records start on this volume
};

// Whether the classic end record cannot hold these values: the ZIP64 end
// record and its locator then go in front of it, the classic one saturated.
bool needsZip64(const DirectoryPlace& place);
inline constexpr std::size_t kZip64EndRecordsSize = zip::kZip64EndSize + zip::kZip64LocatorSize;
inline constexpr std::size_t kEndRecordsMaxSize = kZip64EndRecordsSize + zip::kEndOfCentralSize;
// Stores the end records for `place` in `out`, the comment's length in the
// classic one (the comment follows them); returns their length.
std::size_t storeEndRecords(const DirectoryPlace& place, std::uint16_t commentLength,
                            std::uint8_t (&out)[kEndRecordsMaxSize]);

// Joining also moves between volumes and writes the joined archive.
class JoinIo : public SpanInput {
public:
    // Makes volume `disk` (0 for the first) the one read, from its start;
    // false after a failure.
    virtual bool openVolume(int disk) = 0;
    virtual std::uint64_t volumeSize() const = 0;
    // Reading goes on at `offset` of the open volume (not beyond its size).
    virtual void seek(std::uint64_t offset) = 0;
    // Both false after a failure.
    virtual bool write(const void* data, std::size_t count, int errorId) = 0;
    // Reads `length` bytes and writes them: a read failure is `errorId`, a
    // write failure the general write error.
    virtual bool copy(std::uint64_t length, int errorId) = 0;
    virtual std::uint64_t written() const = 0;
    // The copying starts: how many entries, how many bytes in all. May fail
    // (no room for the joined archive).
    virtual void copyStarts(std::uint64_t entries, std::uint64_t bytes) = 0;
    virtual void entryStarts(const std::string& shownName, std::uint64_t bytes) = 0;
};

// Joins a set whose last volume is open in `io` and whose end record
// `end` describes: the directory is read (from the volume it is on), then
// every entry from the first volume on is copied with its header, and the
// directory is written again with the entries' new places, then the end
// record of a single-volume archive. `entries` ends up holding the entries.
// A failure is the one `io` recorded.
void joinSpannedSet(JoinIo& io, const EndRecordSearch& end, std::vector<SpanEntry>& entries);

}  // namespace tavrix::archive
