// Joins arbitrary bytes as the volumes of a spanned set. The input is cut
// into up to eight volumes, each behind a two-byte length; the last one is
// read for the end record first, as the component does with the last disk.
// Whatever the bytes, the joiner must fail with a catalogue id or produce a
// single archive whose directory lists every entry at a real local header.
#include "DirectoryReader.h"
#include "MessageIds.h"
#include "SpanJoin.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

using namespace tavrix::archive;
namespace zip = tavrix::zip;

namespace {

constexpr std::size_t kMostVolumes = 8;

struct JoinStopped {
    int id;
};

// Volumes held in memory; a read that meets the end of one goes on with the
// next, like the component's stream.
class MemoryJoin final : public JoinIo {
public:
    explicit MemoryJoin(std::vector<std::span<const std::uint8_t>> volumes)
        : volumes_(std::move(volumes)), disk_(static_cast<int>(volumes_.size()) - 1) {}

    void read(void* out, std::size_t count, int errorId) override {
        auto* bytes = static_cast<std::uint8_t*>(out);
        while (count != 0) {
            const std::span<const std::uint8_t> volume = volumes_[static_cast<std::size_t>(disk_)];
            const std::size_t part = std::min<std::size_t>(count, volume.size() - position_);
            if (part != 0) std::memcpy(bytes, volume.data() + position_, part);
            bytes += part;
            position_ += part;
            count -= part;
            if (count == 0) break;
            if (disk_ + 1 >= static_cast<int>(volumes_.size())) fail(errorId);
            openVolume(disk_ + 1);
        }
    }
    [[noreturn]] void fail(int errorId) override { throw JoinStopped{errorId}; }
    void openVolume(int disk) override {
        // The prompt for a disk the set does not have ends the join.
        if (disk < 0 || disk >= static_cast<int>(volumes_.size())) fail(msg::InsertVolume);
        disk_ = disk;
        position_ = 0;
    }
    std::uint64_t volumeSize() const override { return volumes_[static_cast<std::size_t>(disk_)].size(); }
    void seek(std::uint64_t offset) override {
        if (offset > volumeSize()) std::abort();  // the joiner checks first
        position_ = static_cast<std::size_t>(offset);
    }
    void write(const void* data, std::size_t count, int) override {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        out.insert(out.end(), bytes, bytes + count);
    }
    void copy(std::uint64_t length, int errorId) override {
        std::uint8_t chunk[4096];
        while (length != 0) {
            const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(length, sizeof chunk));
            read(chunk, part, errorId);
            write(chunk, part, errorId);
            length -= part;
        }
    }
    std::uint64_t written() const override { return out.size(); }
    void copyStarts(std::uint64_t, std::uint64_t) override { ++starts; }
    void entryStarts(const std::string&, std::uint64_t) override { ++entriesStarted; }

    std::vector<std::uint8_t> out;
    int starts = 0;
    std::uint64_t entriesStarted = 0;

private:
    std::vector<std::span<const std::uint8_t>> volumes_;
    int disk_;
    std::size_t position_ = 0;
};

std::vector<std::span<const std::uint8_t>> volumesOf(const std::uint8_t* data, std::size_t size) {
    std::vector<std::span<const std::uint8_t>> volumes;
    std::size_t at = 0;
    while (at + 2 <= size && volumes.size() < kMostVolumes) {
        const std::size_t length = std::min<std::size_t>(data[at] | (data[at + 1] << 8), size - at - 2);
        volumes.emplace_back(data + at + 2, length);
        at += 2 + length;
    }
    return volumes;
}

bool holds(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> what) {
    return std::search(bytes.begin(), bytes.end(), what.begin(), what.end()) != bytes.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::span<const std::uint8_t>> volumes = volumesOf(data, size);
    if (volumes.empty()) return 0;
    MemoryByteSource last(volumes.back());
    EndRecordSearch end;
    end.labelVolume = static_cast<int>(volumes.size());
    if (findEndRecord(last, end)) return 0;

    MemoryJoin io(volumes);
    std::vector<SpanEntry> entries;
    try {
        joinSpannedSet(io, end, entries);
    } catch (const JoinStopped& stopped) {
        if (stopped.id < 10101 || stopped.id > 11047) std::abort();
        return 0;
    }
    // Nothing is made up: every entry and every byte written came from the input.
    if (entries.size() * zip::kCentralHeaderSize > size || io.entriesStarted != entries.size() ||
        io.starts != 1)
        std::abort();
    if (io.out.size() > 2 * size + zip::kEndOfCentralSize) std::abort();

    // The joined archive lists as one volume, each entry at a local header.
    // (An end-record signature inside the comment, or ZIP64 counts the
    // single end record cannot carry, make the listing ambiguous.)
    const std::uint8_t endSignature[] = {'P', 'K', 5, 6};
    const auto* comment = reinterpret_cast<const std::uint8_t*>(end.comment.data());
    if (end.zip64 || holds({comment, end.comment.size()}, endSignature)) return 0;
    MemoryByteSource joined(io.out);
    DirectoryOptions options;
    EndRecordSearch joinedEnd;
    DirectoryListing listing;
    if (listArchive(joined, options, joinedEnd, listing)) std::abort();
    if (listing.entries.size() != entries.size() || listing.lastDiskNumber != 0) std::abort();
    for (const ZipDirEntry& entry : listing.entries) {
        const std::uint64_t at = entry.localHeaderOffset;
        if (at + 4 > io.out.size() || std::memcmp(io.out.data() + at, "PK\3\4", 4) != 0) std::abort();
    }
    return 0;
}
