#include "archive/DirectoryReader.h"

#include "archive/MessageIds.h"
#include "archive/OemConversion.h"
#include "common/ByteCursor.h"
#include "common/ZipFormat.h"
#include "common/zip/ZipRecords.h"

#include <algorithm>
#include <cstring>

namespace tavrix::archive {
namespace {

constexpr std::string_view kSpanLabelPrefix = "PKBACK# ";
constexpr std::uint64_t kPaddingBlock = 512;
constexpr std::size_t kReadChunk = 64 * 1024;

// The component's forms of the records the codec reads.
std::optional<ZipEndOfCentral> endRecordAt(std::span<const std::uint8_t> bytes) {
    const std::optional<zip::EndRecord> r = zip::parseEndRecord(bytes);
    if (!r) return std::nullopt;
    return endOfCentralFrom(*r);
}

ZipCentralFields centralFieldsOf(const zip::CentralHeader& h) {
    ZipCentralFields f{};
    f.madeByVersion = static_cast<std::uint8_t>(h.versionMadeBy);
    f.hostSystem = static_cast<std::uint8_t>(h.versionMadeBy >> 8);
    f.versionNeeded = h.versionNeeded;
    f.flags = h.flags;
    f.compressionMethod = h.method;
    f.dateTime = h.dosDateTime;
    f.crc32 = h.crc;
    f.compressedSize = h.compressedSize;
    f.uncompressedSize = h.size;
    f.fileNameLength = h.nameLength;
    f.extraFieldLength = h.extraLength;
    f.fileCommentLength = h.commentLength;
    f.diskNumberStart = h.diskStart;
    f.internalAttributes = h.internalAttributes;
    f.externalAttributes = h.externalAttributes;
    f.localHeaderOffset = h.localHeaderOffset;
    return f;
}

// Sequential reading in large chunks, so that a directory of many small
// headers costs a few reads of the file rather than three per entry.
class ChunkedReader {
public:
    ChunkedReader(RandomAccessInput& file, std::uint64_t start) : file_(&file), filePos_(start) {}

    // Exactly `count` bytes, or an empty span when the file ends first or
    // the read fails.
    std::span<const std::uint8_t> read(std::size_t count) {
        if (buffered() < count && !refill(count)) return {};
        std::span<const std::uint8_t> view(buffer_.data() + begin_, count);
        begin_ += count;
        return view;
    }
    // Moves forward; false when that would pass the end of the file.
    bool skip(std::uint64_t count) {
        if (count <= buffered()) {
            begin_ += static_cast<std::size_t>(count);
            return true;
        }
        std::uint64_t target = 0;
        if (!addWithin(position(), count, file_->size(), target)) return false;
        filePos_ = target;
        begin_ = end_ = 0;
        return true;
    }
    std::uint64_t position() const { return filePos_ - buffered(); }
    void switchTo(RandomAccessInput& file, std::uint64_t start) {
        file_ = &file;
        filePos_ = start;
        begin_ = end_ = 0;
        readFailed_ = false;
    }
    // Whether the last refill failed rather than met the end of the file.
    bool readFailed() const { return readFailed_; }

private:
    std::size_t buffered() const { return end_ - begin_; }
    bool refill(std::size_t need) {
        std::size_t have = buffered();
        std::size_t want = std::max(need, kReadChunk);
        if (buffer_.size() < want) buffer_.resize(want);
        std::memmove(buffer_.data(), buffer_.data() + begin_, have);
        begin_ = 0;
        end_ = have;
        std::uint64_t fileSize = file_->size();
        std::uint64_t left = filePos_ < fileSize ? fileSize - filePos_ : 0;
        std::size_t ask = static_cast<std::size_t>(std::min<std::uint64_t>(want - have, left));
        const std::ptrdiff_t got = ask == 0 ? 0 : file_->readAt(filePos_, buffer_.data() + have, ask);
        readFailed_ = got < 0;
        if (readFailed_) return false;
        end_ += static_cast<std::size_t>(got);
        filePos_ += static_cast<std::uint64_t>(got);
        return buffered() >= need;
    }

    RandomAccessInput* file_;
    std::uint64_t filePos_;  // file position just past the buffered bytes
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool readFailed_ = false;
};

// A name or comment as the component keeps it: up to its first NUL, OEM
// bytes converted when the maker's host calls for it.
std::string textFromBytes(std::span<const std::uint8_t> bytes, bool convert) {
    const char* chars = reinterpret_cast<const char*>(bytes.data());
    std::string text(chars, strnlen(chars, bytes.size()));
    if (convert) oemToAnsiInPlace(text);
    return text;
}

// Fills the directory's description from the end record, and from the ZIP64
// end record where the classic one says its own fields are too small.
void describeDirectory(RandomAccessInput& file, EndRecordSearch& s) {
    s.totalEntries = s.end.totalEntries;
    s.centralSize = s.end.centralSize;
    s.centralOffset = s.end.centralOffset;
    s.directoryEnd = s.endOfCentralOffset;
    s.zip64 = false;
    const bool saturated =
        s.end.totalEntries == 0xFFFF || s.end.centralSize == 0xFFFFFFFF || s.end.centralOffset == 0xFFFFFFFF;
    if (!saturated || s.endOfCentralOffset < zip::kZip64LocatorSize + zip::kZip64EndSize) return;

    const std::uint64_t locatorAt = s.endOfCentralOffset - zip::kZip64LocatorSize;
    std::uint8_t locatorBytes[zip::kZip64LocatorSize];
    if (!file.readExactly(locatorAt, locatorBytes, sizeof locatorBytes)) return;
    const std::optional<zip::Zip64Locator> locator = zip::parseZip64Locator(locatorBytes);
    if (!locator) return;
    const std::uint64_t storedAt = locator->endRecordOffset;

    // The record normally lies just before its locator; the stored offset
    // is the fallback (it misses by the length of any prefixed stub).
    for (std::uint64_t at : {locatorAt - zip::kZip64EndSize, storedAt}) {
        std::uint64_t recordEnd = 0;
        if (!addWithin(at, zip::kZip64EndSize, locatorAt, recordEnd)) continue;
        std::uint8_t record[zip::kZip64EndSize];
        if (!file.readExactly(at, record, sizeof record)) continue;
        const std::optional<zip::Zip64EndRecord> zip64 = zip::parseZip64EndRecord(record);
        if (!zip64) continue;
        if (s.end.totalEntries == 0xFFFF) s.totalEntries = zip64->entries;
        if (s.end.centralSize == 0xFFFFFFFF) s.centralSize = zip64->directorySize;
        if (s.end.centralOffset == 0xFFFFFFFF) s.centralOffset = zip64->directoryOffset;
        s.directoryEnd = at;
        s.zip64 = true;
        return;
    }
}

ReadError notFoundError(const EndRecordSearch& s) {
    if (!s.spanMarker && s.labelVolume > 0) return ReadError::withNumber(msg::NthDiskOfSet, s.labelVolume);
    if (!s.spanMarker) return ReadError::plain(msg::NotAZipArchive);
    if (s.labelVolume == 1) return ReadError::plain(msg::FirstDiskOfSet);
    return ReadError::plain(msg::FirstFileOfSet);
}

bool isBlockPadding(std::span<const std::uint8_t> trailing, std::uint64_t fileSize) {
    return trailing.size() < kPaddingBlock && fileSize % kPaddingBlock == 0 &&
           std::all_of(trailing.begin(), trailing.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

int volumeNumberFromLabel(std::string_view label) {
    if (!label.starts_with(kSpanLabelPrefix)) return 0;
    std::string_view digits = label.substr(kSpanLabelPrefix.size(), 3);
    if (digits.empty()) return 0;
    int n = 0;
    for (char ch : digits) {
        if (ch < '0' || ch > '9') return 0;
        n = n * 10 + (ch - '0');
    }
    return n;
}

ReadError findEndRecord(RandomAccessInput& file, EndRecordSearch& s) {
    s.comment.clear();
    s.endOfCentralOffset = 0;
    s.trailingGarbage = false;
    s.spanMarker = false;
    s.fileSize = s.archiveEnd = file.size();

    std::uint8_t head[8];
    if (file.readExactly(0, head, sizeof head)) {
        ByteCursor c(head);
        s.spanMarker = c.u32() == zip::kSpanningMarker && c.u32() == zip::kLocalHeaderSignature;
    }

    std::uint8_t tail[zip::kEndOfCentralSize];
    if (s.fileSize >= zip::kEndOfCentralSize &&
        file.readExactly(s.fileSize - zip::kEndOfCentralSize, tail, sizeof tail)) {
        if (const std::optional<ZipEndOfCentral> end = endRecordAt(tail)) {
            s.end = *end;
            s.endOfCentralOffset = s.fileSize - zip::kEndOfCentralSize;
            // A record at the very end has no room for a comment.
            if (end->commentLength != 0) return ReadError::plain(msg::ArchiveCommentReadError);
            describeDirectory(file, s);
            return {};
        }
    }

    const std::size_t window =
        static_cast<std::size_t>(std::min<std::uint64_t>(s.fileSize, zip::kEndSearchWindow));
    const std::uint64_t windowStart = s.fileSize - window;
    std::vector<std::uint8_t> buffer(window);
    if (window != 0 && !file.readExactly(windowStart, buffer.data(), window))
        return ReadError::plain(msg::EndRecordReadError);

    // Backwards from the last place a whole record could start before the
    // final 22 bytes (those the fast path has seen); the last hit wins.
    for (std::size_t hit = window - zip::kEndOfCentralSize - 1; window > zip::kEndOfCentralSize; --hit) {
        if (buffer[hit] == 'P' && buffer[hit + 1] == 'K' && buffer[hit + 2] == 5 && buffer[hit + 3] == 6) {
            const ZipEndOfCentral end = *endRecordAt(std::span(buffer).subspan(hit, zip::kEndOfCentralSize));
            const std::size_t commentStart = hit + zip::kEndOfCentralSize;
            if (end.commentLength > window - commentStart)
                return ReadError::plain(msg::ArchiveCommentReadError);
            s.end = end;
            s.endOfCentralOffset = windowStart + hit;
            const std::size_t commentEnd = commentStart + end.commentLength;
            if (commentEnd != window) {
                s.archiveEnd = windowStart + commentEnd;
                s.trailingGarbage = !isBlockPadding(std::span(buffer).subspan(commentEnd), s.fileSize);
            }
            s.comment.assign(reinterpret_cast<const char*>(buffer.data() + commentStart), end.commentLength);
            describeDirectory(file, s);
            return {};
        }
        if (hit == 0) break;
    }
    return notFoundError(s);
}

void applyZip64Extra(ZipDirEntry& entry, const zip::CentralHeader& header,
                     std::span<const std::uint8_t> extra) {
    // A saturated value without its ZIP64 field is kept as it stands.
    const zip::Zip64Values values = zip::resolveZip64(header, extra).value_or(zip::fixedValues(header));
    entry.uncompressedSize = values.size;
    entry.compressedSize = values.compressedSize;
    entry.localHeaderOffset = values.localHeaderOffset;
    entry.diskNumberStart = values.diskStart;
}

ReadError readDirectory(RandomAccessInput& file, const EndRecordSearch& end, const DirectoryOptions& options,
                        DirectoryListing& listing) {
    const ZipEndOfCentral& eoc = end.end;
    listing.lastDiskNumber = eoc.thisDisk;
    RandomAccessInput* volume = &file;
    int currentDisk = eoc.thisDisk;
    std::uint64_t archiveEnd = end.archiveEnd;
    std::uint64_t computed = 0;

    if (eoc.thisDisk == eoc.centralDisk) {
        // The directory ends where the end records begin, whatever they claim.
        if (end.centralSize > end.directoryEnd) return ReadError::plain(msg::ListSeekError);
        computed = end.directoryEnd - end.centralSize;
    } else {
        RandomAccessInput* other = options.openVolume ? options.openVolume(eoc.centralDisk) : nullptr;
        if (other == nullptr) return ReadError::withNumber(msg::InsertVolume, eoc.centralDisk + 1);
        volume = other;
        currentDisk = eoc.centralDisk;
        archiveEnd = other->size();
        computed = end.centralOffset;
        if (computed > archiveEnd) return ReadError::plain(msg::ListSeekError);
    }

    if (computed != end.centralOffset) {
        listing.structureWarning = true;
        if (options.warn) options.warn(msg::StructureWarning);
    }
    listing.centralDirOffset = computed;
    // Without entries the data would begin where the directory does (behind a
    // self-extractor's stub, for one made empty to be added to).
    std::uint64_t dataStart = end.totalEntries == 0 ? end.centralOffset : archiveEnd;

    // Each entry needs at least its fixed header, so the file bounds how many
    // can really be there, whatever the end record counts.
    listing.entries.reserve(
        std::min<std::uint64_t>(end.totalEntries, volume->size() / zip::kCentralHeaderSize));
    ChunkedReader reader(*volume, computed);
    for (std::uint64_t i = 0; i < end.totalEntries; ++i) {
        auto fixed = reader.read(zip::kCentralHeaderSize);
        while (fixed.empty()) {
            // A directory may continue on the next volume of a set; a read
            // that failed is no end of a volume.
            RandomAccessInput* next =
                (!reader.readFailed() && currentDisk < listing.lastDiskNumber && options.openVolume)
                    ? options.openVolume(currentDisk + 1)
                    : nullptr;
            if (next == nullptr) return ReadError::plain(msg::CentralHeaderReadError);
            ++currentDisk;
            reader.switchTo(*next, 0);
            fixed = reader.read(zip::kCentralHeaderSize);
        }
        const std::optional<zip::CentralHeader> header = zip::parseCentralHeader(fixed);
        if (!header) return ReadError::plain(msg::CentralSignatureWrong);
        const ZipCentralFields fields = centralFieldsOf(*header);

        auto name = reader.read(fields.fileNameLength);
        if (name.size() != fields.fileNameLength) return ReadError::plain(msg::CentralNameReadError);
        listing.haveHost = true;
        listing.lastHost = fields.hostSystem;
        listing.lastVersion = fields.madeByVersion;
        const bool convert = namesAreOem(options.codePage, fields.hostSystem, fields.madeByVersion);

        ZipDirEntry& entry = listing.entries.emplace_back();
        entry.header = fields;
        entry.fileName = textFromBytes(name, convert);
        std::replace(entry.fileName.begin(), entry.fileName.end(), '/', '\\');

        auto extra = reader.read(fields.extraFieldLength);
        if (extra.size() != fields.extraFieldLength) return ReadError::plain(msg::ListSeekError);
        applyZip64Extra(entry, *header, extra);
        if (fields.fileCommentLength != 0) {
            auto comment = reader.read(fields.fileCommentLength);
            if (comment.size() != fields.fileCommentLength)
                return ReadError::plain(msg::FileCommentReadError);
            entry.fileComment = textFromBytes(comment, convert);
        }
        dataStart = std::min(dataStart, entry.localHeaderOffset);
    }

    // A stub prefixed without adjusting the offsets shifts every position by
    // the same amount; the first local header is then that much further on.
    // Unsigned and clamped: the stored offset may be anything.
    std::uint64_t shifted = 0;
    if (computed >= end.centralOffset)
        shifted = dataStart + (computed - end.centralOffset);
    else if (dataStart > end.centralOffset - computed)
        shifted = dataStart - (end.centralOffset - computed);
    listing.archiveDataStart = static_cast<std::int64_t>(std::min(shifted, archiveEnd));
    return {};
}

ReadError listArchive(RandomAccessInput& file, const DirectoryOptions& options, EndRecordSearch& end,
                      DirectoryListing& listing) {
    if (ReadError error = findEndRecord(file, end)) return error;
    if (end.trailingGarbage && options.warn) options.warn(msg::GarbageWarning);
    return readDirectory(file, end, options, listing);
}

}  // namespace tavrix::archive
