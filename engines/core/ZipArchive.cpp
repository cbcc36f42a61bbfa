#include "engines/core/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/ByteCursor.h"
#include "common/ZipFormat.h"
#include "common/zip/ZipRecords.h"

namespace tavrix::zip {
namespace {

constexpr std::size_t kWindowSize = 1 << 20;
// The largest central directory read: about 800,000 entries of ordinary
// names. The directory and the entries made of it are the one allocation an
// archive's own numbers size; this bound keeps both well within what a
// 32-bit process can have, so a hostile end record is refused as damage
// instead of exhausting memory (the engines do not survive that: they are
// built without exceptions).
constexpr std::uint64_t kLargestDirectory = std::uint64_t{64} << 20;

struct DirectoryEnd {
    std::uint64_t entryCount = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;
    std::uint64_t directoryEnd = 0;  // where the directory must end: the first end record
    bool zip64 = false;
    bool spanned = false;
    std::string comment;
};

std::span<const std::uint8_t> asBytes(const std::vector<std::uint8_t>& v) {
    return {v.data(), v.size()};
}

// Finds the end-of-central-directory record in the last 64 KiB and follows
// the Zip64 locator when there is one.
bool readEndRecord(ArchiveReader& reader, DirectoryEnd& end) {
    const std::uint64_t fileSize = reader.size();
    if (fileSize < kEndOfCentralSize) return false;
    const std::size_t tailSize = static_cast<std::size_t>(
        std::min<std::uint64_t>(fileSize, kEndOfCentralSize + kMaxCommentSize + kZip64LocatorSize));
    std::vector<std::uint8_t> tail(tailSize);
    const std::uint64_t tailStart = fileSize - tailSize;
    if (!reader.readExact(tailStart, tail.data(), tailSize)) return false;

    // The last signature whose comment fits in the file wins.
    const std::span<const std::uint8_t> bytes = asBytes(tail);
    std::size_t found = SIZE_MAX;
    std::optional<EndRecord> record;
    for (std::size_t pos = tailSize - kEndOfCentralSize + 1; pos-- > 0;) {
        record = parseEndRecord(bytes.subspan(pos));
        if (record && pos + kEndOfCentralSize + record->commentLength <= tailSize) {
            found = pos;
            break;
        }
    }
    if (found == SIZE_MAX) return false;

    end.entryCount = record->entries;
    end.directorySize = record->directorySize;
    end.directoryOffset = record->directoryOffset;
    const std::size_t commentAt = found + kEndOfCentralSize;
    end.comment.assign(reinterpret_cast<const char*>(bytes.data() + commentAt), record->commentLength);
    end.directoryEnd = tailStart + found;
    end.spanned = record->thisDisk != 0 || record->directoryDisk != 0;

    // Zip64: the locator sits right in front of the end record.
    if (found >= kZip64LocatorSize) {
        if (const std::optional<Zip64Locator> locator =
                parseZip64Locator(bytes.subspan(found - kZip64LocatorSize))) {
            std::uint8_t recordBytes[kZip64EndSize];
            const std::uint64_t locatorAt = tailStart + found - kZip64LocatorSize;
            const std::uint64_t zip64Offset = locator->endRecordOffset;
            if (zip64Offset + kZip64EndSize > locatorAt ||
                !reader.readExact(zip64Offset, recordBytes, sizeof recordBytes))
                return false;
            const std::optional<Zip64EndRecord> zip64 = parseZip64EndRecord(recordBytes);
            if (!zip64) return false;
            end.entryCount = zip64->entries;
            end.directorySize = zip64->directorySize;
            end.directoryOffset = zip64->directoryOffset;
            end.directoryEnd = zip64Offset;
            end.zip64 = true;
            end.spanned = locator->endRecordDisk != 0 || locator->totalDisks > 1 || zip64->thisDisk != 0 ||
                          zip64->directoryDisk != 0;
        }
    }
    return true;
}

// Fills the Zip64, timestamp and Unicode path fields of an entry from its
// central extra data. The Zip64 field holds only the values that are
// saturated in the fixed header, in this order.
bool parseExtra(std::span<const std::uint8_t> extra, ZipEntry& entry, bool& diskSaturated,
                std::uint16_t& disk) {
    ByteCursor c(extra);
    while (c.remaining() >= 4) {
        const std::uint16_t id = c.u16();
        const std::uint16_t length = c.u16();
        ByteCursor field = c.sub(length);
        if (!c.ok()) return false;
        if (id == kExtraZip64) {
            if (entry.size == kSaturated32) entry.size = field.u64();
            if (entry.compressedSize == kSaturated32) entry.compressedSize = field.u64();
            if (entry.localOffset == kSaturated32) entry.localOffset = field.u64();
            if (diskSaturated) {
                disk = static_cast<std::uint16_t>(std::min<std::uint32_t>(field.u32(), 1));
                diskSaturated = false;
            }
            if (!field.ok()) return false;
        } else if (id == kExtraTimestamp) {
            const std::uint8_t which = field.u8();
            if ((which & 1) && field.remaining() >= 4)
                entry.unixTime = static_cast<std::int64_t>(static_cast<std::int32_t>(field.u32()));
        } else if (id == kExtraUnicodePath) {
            const std::uint8_t version = field.u8();
            const std::uint32_t nameCrc = field.u32();
            if (field.ok() && version == 1) {
                auto name = field.chars(field.remaining());
                uLong crc = ::crc32(0, reinterpret_cast<const Bytef*>(entry.rawName.data()),
                                    static_cast<uInt>(entry.rawName.size()));
                if (crc == nameCrc && !name.empty()) entry.unicodeName = std::string(name);
            }
        }
    }
    return true;
}

enum class ParseResult { kOk, kDamaged, kSpanned };

ParseResult parseDirectory(std::span<const std::uint8_t> bytes, std::uint64_t shift, std::uint64_t dataEnd,
                           std::vector<ZipEntry>& entries) {
    // Every entry takes at least its fixed header, so the directory's size
    // bounds the count; reserving once spares a large directory its regrowths.
    entries.reserve(bytes.size() / kCentralHeaderSize);
    ByteCursor c(bytes);
    while (!c.atEnd()) {
        const std::optional<CentralHeader> h = parseCentralHeader(c.bytes(kCentralHeaderSize));
        if (!h) return ParseResult::kDamaged;
        // Made in place: a failed parse throws the whole list away.
        ZipEntry& e = entries.emplace_back();
        e.versionMadeBy = h->versionMadeBy;
        e.flags = h->flags;
        e.method = h->method;
        e.dosDateTime = h->dosDateTime;
        e.crc = h->crc;
        e.compressedSize = h->compressedSize;
        e.size = h->size;
        std::uint16_t disk = h->diskStart;
        e.externalAttributes = h->externalAttributes;
        e.localOffset = h->localHeaderOffset;
        e.rawName = c.chars(h->nameLength);
        auto extra = c.bytes(h->extraLength);
        c.skip(h->commentLength);
        if (!c.ok()) return ParseResult::kDamaged;
        bool diskSaturated = disk == kSaturated16;
        if (!parseExtra(extra, e, diskSaturated, disk)) return ParseResult::kDamaged;
        e.extra = {reinterpret_cast<const char*>(extra.data()), extra.size()};
        if (disk != 0 && !diskSaturated) return ParseResult::kSpanned;
        std::uint64_t shifted = 0;
        if (!addWithin(e.localOffset, shift, dataEnd, shifted) ||
            !addWithin(shifted, kLocalHeaderSize, dataEnd, shifted))
            return ParseResult::kDamaged;
        e.localOffset += shift;
    }
    return ParseResult::kOk;
}

// Each entry may use the bytes up to the next local header; entries that
// share a start get no room at all, so every one of them is refused.
void assignDataLimits(std::vector<ZipEntry>& entries, std::uint64_t directoryStart) {
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const auto byOffset = [](const ZipEntry& a, const ZipEntry& b) { return a.localOffset < b.localOffset; };
    // Writers nearly always list the entries in the order of their data.
    if (!std::is_sorted(entries.begin(), entries.end(), byOffset))
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return byOffset(entries[a], entries[b]); });
    for (std::size_t k = 0; k < order.size(); ++k) {
        ZipEntry& e = entries[order[k]];
        const bool sharedWithPrevious = k > 0 && entries[order[k - 1]].localOffset == e.localOffset;
        const bool sharedWithNext =
            k + 1 < order.size() && entries[order[k + 1]].localOffset == e.localOffset;
        if (sharedWithPrevious || sharedWithNext)
            e.dataLimit = e.localOffset;
        else
            e.dataLimit = k + 1 < order.size() ? entries[order[k + 1]].localOffset : directoryStart;
    }
}

}  // namespace

MessageId openErrorMessage(ZipArchive::OpenError error) {
    switch (error) {
        case ZipArchive::OpenError::kSpanned:
            return MessageId::kArchiveSpanned;
        case ZipArchive::OpenError::kDamaged:
            return MessageId::kArchiveDamaged;
        default:
            return MessageId::kArchiveOpen;
    }
}

bool ZipEntry::isDirectory() const {
    if (!rawName.empty() && (rawName.back() == '/' || rawName.back() == '\\')) return true;
    if (size != 0) return false;
    if (host() == kHostUnix && (externalAttributes >> 16) != 0)
        return ((externalAttributes >> 16) & kUnixTypeMask) == kUnixDirectory;
    return (externalAttributes & kDosDirectory) != 0;
}

bool ZipEntry::isSymlink() const {
    constexpr std::uint32_t kDosReparsePoint = 0x400;
    if (host() == kHostUnix && ((externalAttributes >> 16) & kUnixTypeMask) == kUnixSymlink) return true;
    return host() != kHostUnix && (externalAttributes & kDosReparsePoint) != 0;
}

FileStamp ZipEntry::stamp() const {
    FileStamp s;
    s.dosDateTime = dosDateTime;
    if (unixTime) {
        s.hasUnixTime = true;
        s.unixTime = *unixTime;
    }
    return s;
}

FileAttributes ZipEntry::attributes() const {
    FileAttributes a;
    a.dos = externalAttributes & 0xFF;
    if (host() == kHostUnix && (externalAttributes >> 16) != 0) {
        a.hasUnixMode = true;
        a.unixMode = (externalAttributes >> 16) & 0777;
    }
    return a;
}

ArchiveReader::ArchiveReader(std::unique_ptr<RandomAccessInput> file)
    : file_(std::move(file)), size_(file_->size()) {}

const std::uint8_t* ArchiveReader::view(std::uint64_t offset, std::size_t want, std::size_t& got) {
    got = 0;
    if (offset >= size_ || want == 0) return nullptr;
    if (offset < windowOffset_ || offset >= windowOffset_ + windowLength_) {
        // No larger than the file: opening a small archive stays cheap.
        if (window_.empty())
            window_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, size_)));
        const std::size_t length =
            static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, size_ - offset));
        if (!file_->readExactly(offset, window_.data(), length)) {
            failed_ = true;
            windowLength_ = 0;
            return nullptr;
        }
        windowOffset_ = offset;
        windowLength_ = length;
    }
    const std::size_t at = static_cast<std::size_t>(offset - windowOffset_);
    got = std::min(want, windowLength_ - at);
    return window_.data() + at;
}

bool ArchiveReader::readExact(std::uint64_t offset, void* out, std::size_t count) {
    // A read as large as the window goes straight to its destination: through
    // the window every byte would be copied once more.
    const bool startsInWindow = offset >= windowOffset_ && offset - windowOffset_ < windowLength_;
    if (count >= kWindowSize && !startsInWindow) {
        if (offset > size_ || count > size_ - offset) return false;
        if (!file_->readExactly(offset, out, count)) failed_ = true;
        return !failed_;
    }
    auto* dst = static_cast<std::uint8_t*>(out);
    while (count > 0) {
        std::size_t got = 0;
        const std::uint8_t* src = view(offset, count, got);
        if (!src) return false;
        std::memcpy(dst, src, got);
        dst += got;
        offset += got;
        count -= got;
    }
    return true;
}

ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::open(std::unique_ptr<RandomAccessInput> file, OpenError& error) {
    error = OpenError::kCannotOpen;
    if (!file) return nullptr;
    std::unique_ptr<ZipArchive> archive(new ZipArchive());
    archive->reader_ = std::make_unique<ArchiveReader>(std::move(file));
    ArchiveReader& reader = *archive->reader_;

    error = OpenError::kDamaged;
    DirectoryEnd end;
    if (!readEndRecord(reader, end)) return nullptr;
    if (end.spanned) {
        error = OpenError::kSpanned;
        return nullptr;
    }
    // The directory ends where the end record starts. When it does not start
    // where it says, data was put in front of the archive (a self-extractor
    // stub): every offset moves by the same amount.
    if (end.directorySize > end.directoryEnd || end.directorySize > kLargestDirectory) return nullptr;
    const std::uint64_t directoryStart = end.directoryEnd - end.directorySize;
    if (directoryStart < end.directoryOffset) return nullptr;
    const std::uint64_t shift = directoryStart - end.directoryOffset;

    // Not zeroed first: the read fills every byte, and a directory may be
    // tens of megabytes.
    const auto directorySize = static_cast<std::size_t>(end.directorySize);
    archive->directory_ = std::make_unique_for_overwrite<std::uint8_t[]>(directorySize);
    std::uint8_t* const directory = archive->directory_.get();
    if (!reader.readExact(directoryStart, directory, directorySize)) return nullptr;
    switch (parseDirectory({directory, directorySize}, shift, directoryStart, archive->entries_)) {
        case ParseResult::kOk:
            break;
        case ParseResult::kSpanned:
            error = OpenError::kSpanned;
            return nullptr;
        case ParseResult::kDamaged:
            return nullptr;
    }
    const std::uint64_t count = archive->entries_.size();
    if (end.zip64 ? count != end.entryCount : (count & 0xFFFF) != end.entryCount) return nullptr;

    assignDataLimits(archive->entries_, directoryStart);
    archive->comment_ = std::move(end.comment);
    archive->directoryOffset_ = directoryStart;
    archive->directorySize_ = end.directorySize;
    archive->prefixSize_ = directoryStart;
    for (const ZipEntry& e : archive->entries_)
        archive->prefixSize_ = std::min(archive->prefixSize_, e.localOffset);
    error = OpenError::kNone;
    return archive;
}

ZipArchive::Placement ZipArchive::locateData(const ZipEntry& entry, DataSpan& span) {
    std::uint8_t header[kLocalHeaderSize];
    if (entry.dataLimit < entry.localOffset + kLocalHeaderSize) return Placement::kOverlap;
    if (!reader_->readExact(entry.localOffset, header, sizeof header)) return Placement::kDamaged;
    const std::optional<LocalHeader> local = parseLocalHeader(header);
    if (!local) return Placement::kDamaged;
    std::uint64_t dataStart = 0;
    std::uint64_t dataEnd = 0;
    if (!addWithin(entry.localOffset, kLocalHeaderSize + local->nameLength + local->extraLength,
                   entry.dataLimit, dataStart) ||
        !addWithin(dataStart, entry.compressedSize, entry.dataLimit, dataEnd))
        return Placement::kOverlap;
    span.offset = dataStart;
    span.length = entry.compressedSize;
    return Placement::kOk;
}

}  // namespace tavrix::zip
