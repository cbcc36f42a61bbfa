#include "archive/SpanJoin.h"

#include "archive/MessageIds.h"
#include "common/ByteCursor.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace tavrix::archive {

SpanEntryIndex::SpanEntryIndex(std::vector<SpanEntry>& entries)
    : entries_(entries), byName_(entries.size()), taken_(entries.size(), 0) {
    for (std::size_t i = 0; i < byName_.size(); ++i) byName_[i] = i;
    // Stable: equal names keep their order in the list, so the search below
    // meets them in that order.
    std::stable_sort(byName_.begin(), byName_.end(),
                     [&](std::size_t a, std::size_t b) { return entries_[a].name < entries_[b].name; });
}

SpanEntry* SpanEntryIndex::take(SpanInput& input, std::string_view name, Pass pass) {
    const std::uint8_t bit = pass == Pass::Local ? 1 : 2;
    auto found = std::lower_bound(
        byName_.begin(), byName_.end(), name,
        [&](std::size_t at, std::string_view n) { return std::string_view(entries_[at].name) < n; });
    while (found != byName_.end() && entries_[*found].name == name && (taken_[*found] & bit)) ++found;
    if (found == byName_.end() || entries_[*found].name != name) {
        input.fail(msg::EntryNotFound);
        return nullptr;
    }
    taken_[*found] |= bit;
    return &entries_[*found];
}

void SpanEntryIndex::restart(Pass pass) {
    const std::uint8_t bit = pass == Pass::Local ? 1 : 2;
    for (std::uint8_t& taken : taken_) taken &= static_cast<std::uint8_t>(~bit);
}

namespace {

// Reads and drops `count` bytes.
bool skipInput(SpanInput& input, std::size_t count, int errorId) {
    std::uint8_t scratch[512];
    while (count != 0) {
        const std::size_t part = std::min(count, sizeof scratch);
        if (!input.read(scratch, part, errorId)) return false;
        count -= part;
    }
    return true;
}

}  // namespace

std::uint64_t readSpanEntry(SpanInput& input, SpanEntry& entry) {
    std::uint8_t central[zip::kCentralHeaderSize];
    if (!input.read(central, sizeof central, msg::CentralHeaderReadError)) return 0;
    const std::optional<zip::CentralHeader> fields = zip::parseCentralHeader(central);
    if (!fields) {
        input.fail(msg::CentralSignatureWrong);
        return 0;
    }
    entry.name.resize(fields->nameLength);
    if (!input.read(entry.name.data(), entry.name.size(), msg::CentralNameReadError)) return 0;
    entry.compressedSize = fields->compressedSize;
    entry.centralLength = static_cast<std::uint32_t>(sizeof central + fields->nameLength +
                                                     fields->extraLength + fields->commentLength);
    std::size_t skipped = std::size_t{fields->extraLength} + fields->commentLength;
    // Sizes of 4 GiB and more are in the ZIP64 field; a saturated size
    // without one cannot be copied.
    entry.zip64Sizes = fields->compressedSize == zip::kSaturated32 || fields->size == zip::kSaturated32;
    if (entry.zip64Sizes) {
        std::vector<std::uint8_t> extra(fields->extraLength);
        if (!input.read(extra.data(), extra.size(), msg::CentralExtraReadError)) return 0;
        zip::CentralHeader sizesOnly = *fields;
        sizesOnly.localHeaderOffset = 0;  // the set's own offsets are not needed here
        sizesOnly.diskStart = 0;
        const std::optional<zip::Zip64Values> values = zip::resolveZip64(sizesOnly, extra);
        if (!values) {
            input.fail(msg::CentralExtraReadError);
            return 0;
        }
        entry.compressedSize = values->compressedSize;
        skipped = fields->commentLength;
    }
    if (!skipInput(input, skipped, msg::CentralExtraReadError)) return 0;
    return entry.compressedSize + zip::kLocalHeaderSize + entry.name.size();
}

std::uint64_t localDataLength(const zip::LocalHeader& fields, const SpanEntry& entry) {
    // A header that announces a descriptor may carry no sizes, and one with
    // a ZIP64 field saturated ones: the directory's are used then.
    const bool fromDirectory = (fields.flags & zip::kFlagDataDescriptor) != 0 ||
                               fields.compressedSize == zip::kSaturated32 || fields.size == zip::kSaturated32;
    return fromDirectory ? entry.compressedSize : fields.compressedSize;
}

std::size_t descriptorLength(const zip::LocalHeader& fields, const SpanEntry& entry) {
    if ((fields.flags & zip::kFlagDataDescriptor) == 0) return 0;
    return entry.zip64Sizes ? zip::kZip64DataDescriptorSize : zip::kDataDescriptorSize;
}

std::uint64_t readSpanDirectory(SpanInput& input, std::vector<SpanEntry>& entries) {
    std::uint64_t bytes = 0;
    for (SpanEntry& entry : entries) {
        bytes += readSpanEntry(input, entry);
        if (input.failed()) return 0;
    }
    return bytes;
}

bool readLocalEntry(SpanInput& input, SpanEntryIndex& index, LocalEntry& out) {
    if (!input.read(out.header, sizeof out.header, msg::LocalHeaderReadError)) return false;
    const std::optional<zip::LocalHeader> fields = zip::parseLocalHeader(out.header);
    if (!fields) {
        input.fail(msg::LocalSignatureWrong);
        return false;
    }
    out.fields = *fields;
    out.name.resize(fields->nameLength);
    if (!input.read(out.name.data(), out.name.size(), msg::LocalNameReadError)) return false;
    out.entry = index.take(input, out.name, SpanEntryIndex::Pass::Local);
    if (!out.entry) return false;
    out.dataLength = localDataLength(*fields, *out.entry);
    out.descriptorLength = descriptorLength(*fields, *out.entry);
    return true;
}

bool needsZip64(const DirectoryPlace& place) {
    return place.entries >= zip::kSaturated16 || place.entriesHere >= zip::kSaturated16 ||
           place.directorySize >= zip::kSaturated32 || place.directoryOffset >= zip::kSaturated32 ||
           place.thisDisk >= zip::kSaturated16 || place.directoryDisk >= zip::kSaturated16;
}

std::size_t storeEndRecords(const DirectoryPlace& place, std::uint16_t commentLength,
                            std::uint8_t (&out)[kEndRecordsMaxSize]) {
    std::span<std::uint8_t, kEndRecordsMaxSize> at(out);
    std::size_t length = 0;
    if (needsZip64(place)) {
        zip::Zip64EndRecord record;
        record.thisDisk = place.thisDisk;
        record.directoryDisk = place.directoryDisk;
        record.entriesHere = place.entriesHere;
        record.entries = place.entries;
        record.directorySize = place.directorySize;
        record.directoryOffset = place.directoryOffset;
        zip::storeZip64EndRecord(record, at.subspan<0, zip::kZip64EndSize>());
        zip::Zip64Locator locator;
        locator.endRecordDisk = place.thisDisk;  // the volume holding the ZIP64 end record
        locator.endRecordOffset = place.recordsAt;
        locator.totalDisks = place.thisDisk + 1;
        zip::storeZip64Locator(locator, at.subspan<zip::kZip64EndSize, zip::kZip64LocatorSize>());
        length = kZip64EndRecordsSize;
    }
    const auto clamp16 = [](std::uint64_t v) {
        return static_cast<std::uint16_t>(std::min<std::uint64_t>(v, zip::kSaturated16));
    };
    const auto clamp32 = [](std::uint64_t v) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, zip::kSaturated32));
    };
    zip::EndRecord end;
    end.thisDisk = clamp16(place.thisDisk);
    end.directoryDisk = clamp16(place.directoryDisk);
    end.entriesHere = clamp16(place.entriesHere);
    end.entries = clamp16(place.entries);
    end.directorySize = clamp32(place.directorySize);
    end.directoryOffset = clamp32(place.directoryOffset);
    end.commentLength = commentLength;
    zip::storeEndRecord(end, at.subspan(length).first<zip::kEndOfCentralSize>());
    return length + zip::kEndOfCentralSize;
}

std::string withBackslashes(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

namespace {

std::uint16_t le16At(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint64_t le64At(const std::uint8_t* at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | at[i];
    return v;
}

}  // namespace

void moveOffsetToZip64(std::span<std::uint8_t, zip::kCentralHeaderSize> central,
                       std::vector<std::uint8_t>& extra, std::uint64_t offset) {
    std::optional<zip::CentralHeader> header = zip::parseCentralHeader(central);
    if (!header) return;          // the caller read a central header here
    std::uint64_t sizes[2] = {};  // as the ZIP64 field orders them: size, then compressed size
    std::size_t saturated = 0;
    for (const std::uint32_t value : {header->size, header->compressedSize})
        if (value == zip::kSaturated32) sizes[saturated++] = value;
    // The entry's other fields stay; a damaged rest is dropped.
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const std::size_t end = at + 4 + le16At(&extra[at + 2]);
        if (end > extra.size()) break;
        if (le16At(&extra[at]) != zip::kExtraZip64) {
            at = end;
            continue;
        }
        for (std::size_t i = 0; i < saturated && 4 + 8 * (i + 1) <= end - at; ++i)
            sizes[i] = le64At(&extra[at + 4 + 8 * i]);
        extra.erase(extra.begin() + static_cast<std::ptrdiff_t>(at),
                    extra.begin() + static_cast<std::ptrdiff_t>(end));
    }
    extra.resize(at);
    const std::size_t length = 8 * (saturated + 1);
    extra.resize(at + 4 + length);
    storeLe16(&extra[at], zip::kExtraZip64);
    storeLe16(&extra[at + 2], static_cast<std::uint16_t>(length));
    for (std::size_t i = 0; i < saturated; ++i) storeLe64(&extra[at + 4 + 8 * i], sizes[i]);
    storeLe64(&extra[at + 4 + 8 * saturated], offset);
    header->localHeaderOffset = zip::kSaturated32;
    header->extraLength = static_cast<std::uint16_t>(extra.size());
    header->versionNeeded = std::max<std::uint16_t>(header->versionNeeded, zip::kVersionZip64);
    zip::storeCentralHeader(*header, central);
}

namespace {

class Joiner {
public:
    Joiner(JoinIo& io, const EndRecordSearch& end, std::vector<SpanEntry>& entries)
        : io_(io), end_(end), entries_(entries) {}

    void run() {
        const std::uint64_t bytes = readDirectory();
        if (io_.failed() || !io_.openVolume(0)) return;
        io_.copyStarts(entries_.size(), bytes);
        if (io_.failed()) return;
        std::uint8_t marker[4];
        if (!io_.read(marker, sizeof marker, msg::SpanMarkerWrong)) return;
        ByteCursor c(marker);
        if (c.u32() != zip::kSpanningMarker) return io_.fail(msg::SpanMarkerWrong);
        SpanEntryIndex index(entries_);
        if (!copyEntries(index)) return;
        const std::uint64_t directoryAt = io_.written();
        if (!copyDirectory(index)) return;
        writeEndRecord(directoryAt);
    }

private:
    // The directory, on the volume it starts on.
    std::uint64_t readDirectory() {
        const ZipEndOfCentral& record = end_.end;
        std::uint64_t at = 0;
        if (record.centralDisk != record.thisDisk) {
            if (!io_.openVolume(record.centralDisk)) return 0;
            at = end_.centralOffset;
        } else {
            // It ends where the end records begin, whatever they claim.
            if (end_.centralSize > end_.directoryEnd) return failWith(msg::SeekError);
            at = end_.directoryEnd - end_.centralSize;
        }
        if (at > io_.volumeSize()) return failWith(msg::SeekError);
        io_.seek(at);
        // Each entry needs a central header: the directory's size bounds the
        // count. Neither is checked against the volumes (the directory may
        // start on another one), so an entry is taken only once its header
        // has been read: what is held follows what the set really holds.
        const std::uint64_t total = end_.totalEntries;
        if (total > end_.centralSize / zip::kCentralHeaderSize) return failWith(msg::CentralHeaderReadError);
        entries_.clear();
        std::uint64_t bytes = 0;
        for (std::uint64_t i = 0; i < total && !io_.failed(); ++i)
            bytes += readSpanEntry(io_, entries_.emplace_back());
        return bytes + end_.centralSize + zip::kEndOfCentralSize + end_.comment.size();
    }

    std::uint64_t failWith(int errorId) {
        io_.fail(errorId);
        return 0;
    }

    bool copyEntries(SpanEntryIndex& index) {
        LocalEntry local;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (!readLocalEntry(io_, index, local)) return false;
            local.entry->diskNumber = 0;
            local.entry->headerOffset = io_.written();
            io_.entryStarts(withBackslashes(local.name), local.wholeSize());
            if (!io_.write(local.header, sizeof local.header, msg::LocalHeaderWriteError) ||
                !io_.write(local.name.data(), local.name.size(), msg::LocalHeaderWriteError) ||
                !io_.copy(local.fields.extraLength, msg::LocalExtraReadError) ||
                !io_.copy(local.dataLength, msg::ZippedDataReadError) ||
                (local.descriptorLength != 0 && !io_.copy(local.descriptorLength, msg::DataDescriptorError)))
                return false;
        }
        return true;
    }

    bool copyDirectory(SpanEntryIndex& index) {
        std::uint8_t central[zip::kCentralHeaderSize];
        std::string name;
        std::vector<std::uint8_t> extra;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (!io_.read(central, sizeof central, msg::CentralHeaderReadError)) return false;
            std::optional<zip::CentralHeader> fields = zip::parseCentralHeader(central);
            if (!fields) {
                io_.fail(msg::CentralSignatureWrong);
                return false;
            }
            name.resize(fields->nameLength);
            if (!io_.read(name.data(), name.size(), msg::CentralNameReadError)) return false;
            const SpanEntry* entry = index.take(io_, name, SpanEntryIndex::Pass::Central);
            if (!entry) return false;
            fields->diskStart = 0;
            fields->localHeaderOffset = static_cast<std::uint32_t>(entry->headerOffset);
            zip::storeCentralHeader(*fields, central);
            // Past 4 GiB the offset moves into the entry's ZIP64 field.
            const bool pastFourGibibytes = entry->headerOffset >= zip::kSaturated32;
            if (pastFourGibibytes) {
                extra.resize(fields->extraLength);
                if (!io_.read(extra.data(), extra.size(), msg::CentralExtraReadError)) return false;
                moveOffsetToZip64(central, extra, entry->headerOffset);
                if (extra.size() > zip::kSaturated16) {
                    io_.fail(msg::CentralHeaderWriteError);
                    return false;
                }
            }
            if (!io_.write(central, sizeof central, msg::CentralHeaderWriteError) ||
                !io_.write(name.data(), name.size(), msg::CentralHeaderWriteError))
                return false;
            const bool extraDone = pastFourGibibytes
                                       ? io_.write(extra.data(), extra.size(), msg::CentralHeaderWriteError)
                                       : io_.copy(fields->extraLength, msg::CentralExtraReadError);
            if (!extraDone || !io_.copy(fields->commentLength, msg::FileCommentReadError)) return false;
        }
        return true;
    }

    // One volume now: every entry is on it. A directory of 65,535 entries
    // or more, or one past 4 GiB, keeps its ZIP64 end records.
    void writeEndRecord(std::uint64_t directoryAt) {
        DirectoryPlace place;
        place.entriesHere = place.entries = entries_.size();
        place.directorySize = io_.written() - directoryAt;
        place.directoryOffset = directoryAt;
        place.recordsAt = io_.written();
        std::uint8_t records[kEndRecordsMaxSize];
        const std::size_t length =
            storeEndRecords(place, static_cast<std::uint16_t>(end_.comment.size()), records);
        if (io_.write(records, length, msg::EndRecordWriteError))
            io_.write(end_.comment.data(), end_.comment.size(), msg::EndRecordWriteError);
    }

    JoinIo& io_;
    const EndRecordSearch& end_;
    std::vector<SpanEntry>& entries_;
};

}  // namespace

void joinSpannedSet(JoinIo& io, const EndRecordSearch& end, std::vector<SpanEntry>& entries) {
    Joiner(io, end, entries).run();
}

}  // namespace tavrix::archive
