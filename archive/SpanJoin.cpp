#include "SpanJoin.h"

#include "ByteCursor.h"
#include "MessageIds.h"

#include <algorithm>

namespace tavrix::archive {

std::optional<LocalHeaderFields> localHeaderFields(
    std::span<const std::uint8_t, zip::kLocalHeaderSize> block) {
    ByteCursor c(block);
    if (c.u32() != zip::kLocalHeaderSignature) return std::nullopt;
    LocalHeaderFields f;
    c.skip(2);  // version needed
    f.flags = c.u16();
    c.skip(2 + 4 + 4);  // method, time and date, CRC
    f.compressedSize = c.u32();
    c.skip(4);  // size
    f.nameLength = c.u16();
    f.extraLength = c.u16();
    return f;
}

std::optional<CentralHeaderFields> centralHeaderFields(
    std::span<const std::uint8_t, zip::kCentralHeaderSize> block) {
    ByteCursor c(block);
    if (c.u32() != zip::kCentralHeaderSignature) return std::nullopt;
    CentralHeaderFields f;
    c.skip(2 + 2 + 2 + 2 + 4 + 4);  // versions, flags, method, time and date, CRC
    f.compressedSize = c.u32();
    c.skip(4);  // size
    f.nameLength = c.u16();
    f.extraLength = c.u16();
    f.commentLength = c.u16();
    return f;
}

SpanEntryIndex::SpanEntryIndex(std::vector<SpanEntry>& entries)
    : entries_(entries), byName_(entries.size()), taken_(entries.size(), 0) {
    for (std::size_t i = 0; i < byName_.size(); ++i) byName_[i] = i;
    // Stable: equal names keep their order in the list, so the search below
    // meets them in that order.
    std::stable_sort(byName_.begin(), byName_.end(),
                     [&](std::size_t a, std::size_t b) { return entries_[a].name < entries_[b].name; });
}

SpanEntry& SpanEntryIndex::take(SpanInput& input, std::string_view name, Pass pass) {
    const std::uint8_t bit = pass == Pass::Local ? 1 : 2;
    auto found = std::lower_bound(
        byName_.begin(), byName_.end(), name,
        [&](std::size_t at, std::string_view n) { return std::string_view(entries_[at].name) < n; });
    while (found != byName_.end() && entries_[*found].name == name && (taken_[*found] & bit)) ++found;
    if (found == byName_.end() || entries_[*found].name != name) input.fail(msg::EntryNotFound);
    taken_[*found] |= bit;
    return entries_[*found];
}

namespace {

// Reads and drops `count` bytes.
void skipInput(SpanInput& input, std::size_t count, int errorId) {
    std::uint8_t scratch[512];
    while (count != 0) {
        const std::size_t part = std::min(count, sizeof scratch);
        input.read(scratch, part, errorId);
        count -= part;
    }
}

}  // namespace

std::uint64_t readSpanEntry(SpanInput& input, SpanEntry& entry) {
    std::uint8_t central[zip::kCentralHeaderSize];
    input.read(central, sizeof central, msg::CentralHeaderReadError);
    const std::optional<CentralHeaderFields> fields = centralHeaderFields(central);
    if (!fields) input.fail(msg::CentralSignatureWrong);
    entry.name.resize(fields->nameLength);
    input.read(entry.name.data(), entry.name.size(), msg::CentralNameReadError);
    entry.compressedSize = fields->compressedSize;
    skipInput(input, std::size_t{fields->extraLength} + fields->commentLength, msg::CentralExtraReadError);
    return std::uint64_t{entry.compressedSize} + zip::kLocalHeaderSize + entry.name.size();
}

std::uint64_t readSpanDirectory(SpanInput& input, std::vector<SpanEntry>& entries) {
    std::uint64_t bytes = 0;
    for (SpanEntry& entry : entries) bytes += readSpanEntry(input, entry);
    return bytes;
}

void readLocalEntry(SpanInput& input, SpanEntryIndex& index, LocalEntry& out) {
    input.read(out.header, sizeof out.header, msg::LocalHeaderReadError);
    const std::optional<LocalHeaderFields> fields = localHeaderFields(out.header);
    if (!fields) input.fail(msg::LocalSignatureWrong);
    out.fields = *fields;
    out.name.resize(fields->nameLength);
    input.read(out.name.data(), out.name.size(), msg::LocalNameReadError);
    out.entry = &index.take(input, out.name, SpanEntryIndex::Pass::Local);
    // A header that announces a descriptor may carry no sizes: the
    // directory's are used then.
    out.descriptor = (fields->flags & zip::kFlagDataDescriptor) != 0;
    out.dataLength = out.descriptor ? out.entry->compressedSize : fields->compressedSize;
}

std::string withBackslashes(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

namespace {

class Joiner {
public:
    Joiner(JoinIo& io, const EndRecordSearch& end, std::vector<SpanEntry>& entries)
        : io_(io), end_(end), entries_(entries) {}

    void run() {
        const std::uint64_t bytes = readDirectory();
        io_.openVolume(0);
        io_.copyStarts(entries_.size(), bytes);
        std::uint8_t marker[4];
        io_.read(marker, sizeof marker, msg::SpanMarkerWrong);
        ByteCursor c(marker);
        if (c.u32() != zip::kSpanningMarker) io_.fail(msg::SpanMarkerWrong);
        SpanEntryIndex index(entries_);
        copyEntries(index);
        const std::uint64_t directoryAt = io_.written();
        copyDirectory(index);
        writeEndRecord(directoryAt);
    }

private:
    // The directory, on the volume it starts on.
    std::uint64_t readDirectory() {
        const ZipEndOfCentral& record = end_.end;
        std::uint64_t at = 0;
        if (record.centralDisk != record.thisDisk) {
            io_.openVolume(record.centralDisk);
            at = end_.centralOffset;
        } else {
            // It ends where the end records begin, whatever they claim.
            if (end_.centralSize > end_.directoryEnd) io_.fail(msg::SeekError);
            at = end_.directoryEnd - end_.centralSize;
        }
        if (at > io_.volumeSize()) io_.fail(msg::SeekError);
        io_.seek(at);
        // Each entry needs a central header: the directory's size bounds the
        // count. Neither is checked against the volumes (the directory may
        // start on another one), so an entry is taken only once its header
        // has been read: what is held follows what the set really holds.
        const std::uint64_t total = end_.totalEntries;
        if (total > end_.centralSize / zip::kCentralHeaderSize) io_.fail(msg::CentralHeaderReadError);
        entries_.clear();
        std::uint64_t bytes = 0;
        for (std::uint64_t i = 0; i < total; ++i) bytes += readSpanEntry(io_, entries_.emplace_back());
        return bytes + end_.centralSize + zip::kEndOfCentralSize + end_.comment.size();
    }

    void copyEntries(SpanEntryIndex& index) {
        LocalEntry local;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            readLocalEntry(io_, index, local);
            local.entry->diskNumber = 0;
            local.entry->headerOffset = static_cast<std::uint32_t>(io_.written());
            io_.entryStarts(withBackslashes(local.name), local.wholeSize());
            io_.write(local.header, sizeof local.header, msg::LocalHeaderWriteError);
            io_.write(local.name.data(), local.name.size(), msg::LocalHeaderWriteError);
            io_.copy(local.fields.extraLength, msg::LocalExtraReadError);
            io_.copy(local.dataLength, msg::ZippedDataReadError);
            if (local.descriptor) io_.copy(kDataDescriptorSize, msg::DataDescriptorError);
        }
    }

    void copyDirectory(SpanEntryIndex& index) {
        std::uint8_t central[zip::kCentralHeaderSize];
        std::string name;
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            io_.read(central, sizeof central, msg::CentralHeaderReadError);
            const std::optional<CentralHeaderFields> fields = centralHeaderFields(central);
            if (!fields) io_.fail(msg::CentralSignatureWrong);
            name.resize(fields->nameLength);
            io_.read(name.data(), name.size(), msg::CentralNameReadError);
            const SpanEntry& entry = index.take(io_, name, SpanEntryIndex::Pass::Central);
            storeLe16(central + kCentralDiskStartAt, 0);
            storeLe32(central + kCentralLocalOffsetAt, entry.headerOffset);
            io_.write(central, sizeof central, msg::CentralHeaderWriteError);
            io_.write(name.data(), name.size(), msg::CentralHeaderWriteError);
            io_.copy(fields->extraLength, msg::CentralExtraReadError);
            io_.copy(fields->commentLength, msg::FileCommentReadError);
        }
    }

    // One volume now: every entry is on it.
    void writeEndRecord(std::uint64_t directoryAt) {
        std::uint8_t record[zip::kEndOfCentralSize];
        storeLe32(record, zip::kEndOfCentralSignature);
        storeLe16(record + 4, 0);
        storeLe16(record + 6, 0);
        storeLe16(record + 8, end_.end.totalEntries);
        storeLe16(record + 10, end_.end.totalEntries);
        storeLe32(record + 12, static_cast<std::uint32_t>(io_.written() - directoryAt));
        storeLe32(record + 16, static_cast<std::uint32_t>(directoryAt));
        storeLe16(record + 20, static_cast<std::uint16_t>(end_.comment.size()));
        io_.write(record, sizeof record, msg::EndRecordWriteError);
        io_.write(end_.comment.data(), end_.comment.size(), msg::ArchiveCommentReadError);
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
