// Reading a ZIP archive: its central directory and the placement of each
// entry's data. Nothing an archive declares is trusted: every offset and
// length is checked against the file and against the other entries.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engines/core/FileSystem.h"
#include "engines/core/Messages.h"

namespace tavrix::zip {

struct ZipEntry {
    // The name's bytes and the central extra fields as stored: views of the
    // archive's own copy of its directory, valid while the archive is open.
    // A directory of 100,000 entries would otherwise cost 200,000 allocations.
    std::string_view rawName;
    std::string unicodeName;  // from a Unicode path extra field whose CRC matched, else empty
    std::string_view extra;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t localOffset = 0;  // already corrected for data in front of the archive
    std::uint32_t externalAttributes = 0;
    std::optional<std::int64_t> unixTime;
    // End of the stretch this entry's data may use: the next entry's local
    // header (or the central directory). Data reaching past it overlaps.
    std::uint64_t dataLimit = 0;

    std::uint8_t host() const { return static_cast<std::uint8_t>(versionMadeBy >> 8); }
    bool isDirectory() const;
    bool isSymlink() const;
    bool encrypted() const { return (flags & 0x0001) != 0; }
    FileStamp stamp() const;
    FileAttributes attributes() const;
};

class ArchiveReader;

// Where one entry's compressed bytes lie in the file.
struct DataSpan {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

class ZipArchive {
public:
    enum class OpenError { kNone, kCannotOpen, kDamaged, kSpanned };

    // Reads the directory; on failure returns null and sets `error`.
    static std::unique_ptr<ZipArchive> open(std::unique_ptr<RandomAccessInput> file, OpenError& error);
    ~ZipArchive();

    const std::vector<ZipEntry>& entries() const { return entries_; }
    const std::string& comment() const { return comment_; }
    std::uint64_t directoryOffset() const { return directoryOffset_; }
    std::uint64_t directorySize() const { return directorySize_; }
    // Bytes in front of the first entry that belong to no entry (a stub).
    std::uint64_t prefixSize() const { return prefixSize_; }

    // Reads the entry's local header and places its data: damaged when the
    // header is unreadable, overlapping when the data leaves the entry's own
    // stretch of the file.
    enum class Placement { kOk, kDamaged, kOverlap };
    Placement locateData(const ZipEntry& entry, DataSpan& span);

    ArchiveReader& reader() { return *reader_; }

private:
    ZipArchive() = default;
    std::unique_ptr<ArchiveReader> reader_;
    std::unique_ptr<std::uint8_t[]> directory_;  // what the entries' names and extras point into
    std::vector<ZipEntry> entries_;
    std::string comment_;
    std::uint64_t directoryOffset_ = 0;
    std::uint64_t directorySize_ = 0;
    std::uint64_t prefixSize_ = 0;
};

// The message that tells why an archive could not be opened.
MessageId openErrorMessage(ZipArchive::OpenError error);

// Buffered positional reads over the archive file (one large window, since
// entries are mostly read front to back).
class ArchiveReader {
public:
    explicit ArchiveReader(std::unique_ptr<RandomAccessInput> file);
    std::uint64_t size() const { return size_; }
    // Up to `want` bytes at `offset`, valid until the next call; `got` is 0
    // at the end of the file or on a read error (then failed() is true).
    const std::uint8_t* view(std::uint64_t offset, std::size_t want, std::size_t& got);
    // Exactly `count` bytes into `out`; false when short.
    bool readExact(std::uint64_t offset, void* out, std::size_t count);
    bool failed() const { return failed_; }

private:
    std::unique_ptr<RandomAccessInput> file_;
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> window_;
    std::uint64_t windowOffset_ = 0;
    std::size_t windowLength_ = 0;
    bool failed_ = false;
};

}  // namespace tavrix::zip
