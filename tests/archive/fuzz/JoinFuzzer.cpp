// Joins arbitrary bytes as the volumes of a spanned set. The input is cut
// into up to eight volumes, each behind a two-byte length; the last one is
// read for the end record first, as the component does with the last disk.
// Whatever the bytes, the joiner must fail with a catalogue id or produce a
// single archive whose directory lists every entry at a real local header.
#include "archive/DirectoryReader.h"
#include "archive/MessageIds.h"
#include "archive/SpanJoin.h"
#include "tests/archive/MemoryJoin.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

using namespace tavrix::archive;
using namespace tavrix::archivetest;
namespace zip = tavrix::zip;

namespace {

constexpr std::size_t kMostVolumes = 8;

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
    tavrix::MemoryInput last(volumes.back());
    EndRecordSearch end;
    end.labelVolume = static_cast<int>(volumes.size());
    if (findEndRecord(last, end)) return 0;

    MemoryJoin io(volumes);
    std::vector<SpanEntry> entries;
    joinSpannedSet(io, end, entries);
    // After a failure the joiner writes nothing more.
    if (io.writesAfterFailure != 0) std::abort();
    if (io.failure != 0) {
        if (io.failure < 10101 || io.failure > 11047) std::abort();
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
    tavrix::MemoryInput joined(io.out);
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
