// Joining a set whose last volume lies about its directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/DirectoryReader.h"
#include "archive/MessageIds.h"
#include "archive/SpanJoin.h"
#include "common/support/RandomAccessInput.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/archive/MemoryJoin.h"

namespace tavrix::archivetest {
namespace {

constexpr auto le = archive::testing::appendLe;

// A last volume of 98 bytes: ZIP64 end record, locator and a saturated
// classic end record, for a directory that starts on disk 0 and claims
// `entries` entries in `size` bytes.
std::vector<std::uint8_t> lyingLastVolume(std::uint64_t entries, std::uint64_t size) {
    std::vector<std::uint8_t> v;
    le(v, 0x06064b50, 4);  // ZIP64 end record
    le(v, 44, 8);
    le(v, 45, 2);
    le(v, 45, 2);
    le(v, 1, 4);  // this disk
    le(v, 0, 4);  // the directory's disk
    le(v, entries, 8);
    le(v, entries, 8);
    le(v, size, 8);
    le(v, 0, 8);           // the directory's offset on its disk
    le(v, 0x07064b50, 4);  // locator
    le(v, 1, 4);
    le(v, 0, 8);
    le(v, 2, 4);
    // The classic end record, every count saturated.
    archive::testing::appendEndRecord(v, {.thisDisk = 1,
                                          .entriesHere = 0xFFFF,
                                          .entries = 0xFFFF,
                                          .directorySize = 0xFFFFFFFF,
                                          .directoryOffset = 0xFFFFFFFF});
    return v;
}

// The catalogue id the join failed with, 0 when it did not fail.
template <typename Io>
int joinFailure(Io& io, const archive::EndRecordSearch& end, std::vector<archive::SpanEntry>& entries) {
    archive::joinSpannedSet(io, end, entries);
    if constexpr (requires { io.writesAfterFailure; }) {
        EXPECT_EQ(io.writesAfterFailure, 0);
    }
    return io.failure;
}

// The counts are believed only as far as headers are really there: the join
// fails at the first one missing, having held no more than it read. (It
// used to make room for every claimed entry first: gigabytes for a volume
// of 98 bytes.)
TEST(SpanJoin, DirectoryClaimedLargerThanTheSetFailsWithoutReservingIt) {
    const std::vector<std::uint8_t> first(64, 0);
    const std::vector<std::uint8_t> last = lyingLastVolume(std::uint64_t{1} << 34, std::uint64_t{1} << 40);
    MemoryInput lastVolume(last);
    archive::EndRecordSearch end;
    end.labelVolume = 2;
    ASSERT_FALSE(archive::findEndRecord(lastVolume, end));
    ASSERT_TRUE(end.zip64);
    ASSERT_EQ(end.totalEntries, std::uint64_t{1} << 34);

    MemoryJoin io({first, last});
    std::vector<archive::SpanEntry> entries;
    EXPECT_EQ(joinFailure(io, end, entries), msg::CentralSignatureWrong);
    EXPECT_LE(entries.capacity(), 16u);
    EXPECT_TRUE(io.out.empty());
}

TEST(SpanJoin, MoreEntriesThanTheDirectoryCanHoldFailBeforeReading) {
    const std::vector<std::uint8_t> first(64, 0);
    const std::vector<std::uint8_t> last = lyingLastVolume(1000, 46 * 999);
    MemoryInput lastVolume(last);
    archive::EndRecordSearch end;
    end.labelVolume = 2;
    ASSERT_FALSE(archive::findEndRecord(lastVolume, end));

    MemoryJoin io({first, last});
    std::vector<archive::SpanEntry> entries;
    EXPECT_EQ(joinFailure(io, end, entries), msg::CentralHeaderReadError);
}

// A set of two volumes whose entries share one name: the local headers and
// their data on the first, the directory on the last.
struct DuplicateNameSet {
    std::vector<std::uint8_t> first, last;
    std::uint32_t offsets[2] = {};
};
DuplicateNameSet duplicateNameSet(const std::string& name, const std::string (&contents)[2]) {
    using archive::testing::TestHeader;
    DuplicateNameSet set;
    le(set.first, 0x08074b50, 4);  // the set's marker
    TestHeader headers[2];
    for (int i = 0; i < 2; ++i) {
        // Stored, CRC 0: the join copies, it does not check.
        const auto size = static_cast<std::uint32_t>(contents[i].size());
        headers[i].name = name;
        headers[i].compressed = headers[i].uncompressed = size;
        headers[i].offset = set.offsets[i] = static_cast<std::uint32_t>(set.first.size());
        archive::testing::appendLocalHeader(set.first, headers[i]);
        set.first.insert(set.first.end(), contents[i].begin(), contents[i].end());
    }
    for (const TestHeader& header : headers) archive::testing::appendCentralHeader(set.last, header);
    const auto directorySize = static_cast<std::uint32_t>(set.last.size());
    archive::testing::appendEndRecord(
        set.last,
        {.thisDisk = 1, .directoryDisk = 1, .entriesHere = 2, .entries = 2, .directorySize = directorySize});
    return set;
}

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16) |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Both central headers used to point at the local header read last: the
// first entry's data was lost from the joined archive.
TEST(SpanJoin, EntriesOfOneNameKeepTheirOwnData) {
    const std::string contents[2] = {"the first copy", "the second, longer copy"};
    const DuplicateNameSet set = duplicateNameSet("same.txt", contents);
    MemoryInput lastVolume(set.last);
    archive::EndRecordSearch end;
    end.labelVolume = 2;
    ASSERT_FALSE(archive::findEndRecord(lastVolume, end)) << "no read error";
    MemoryJoin io({set.first, set.last});
    std::vector<archive::SpanEntry> entries;
    ASSERT_EQ(joinFailure(io, end, entries), 0);

    // The joined archive: both entries, then the directory and its end record.
    const std::vector<std::uint8_t>& out = io.out;
    ASSERT_GE(out.size(), 22u);
    const std::uint32_t directoryAt = u32At(out, out.size() - 6);
    std::vector<std::string> seen;
    std::size_t at = directoryAt;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(u32At(out, at), 0x02014b50u);
        const std::uint32_t local = u32At(out, at + 42);
        ASSERT_EQ(u32At(out, local), 0x04034b50u);
        const std::uint32_t size = u32At(out, local + 18);
        const std::size_t data = local + 30 + 8;
        ASSERT_LE(data + size, out.size());
        seen.emplace_back(out.begin() + static_cast<std::ptrdiff_t>(data),
                          out.begin() + static_cast<std::ptrdiff_t>(data + size));
        at += 46 + 8;
    }
    EXPECT_EQ(seen, (std::vector<std::string>{contents[0], contents[1]}));
}

// Volumes and a joined archive of gigabytes without the memory: a run of
// zero bytes stands for an entry's data, and the join copies it as a run.
struct Piece {
    std::vector<std::uint8_t> bytes;
    std::uint64_t zeros = 0;  // instead of bytes
    std::uint64_t size() const { return bytes.empty() ? zeros : bytes.size(); }
};
using Pieces = std::vector<Piece>;

std::uint64_t sizeOf(const Pieces& pieces) {
    std::uint64_t n = 0;
    for (const Piece& p : pieces) n += p.size();
    return n;
}

// Up to `count` bytes at `at` of `pieces` into `out` (nullptr: only counted,
// and then a run of zeros may be longer than a size_t holds on a 32-bit
// build), no further than the piece `at` lies in.
std::uint64_t readPieces(const Pieces& pieces, std::uint64_t at, std::uint8_t* out, std::uint64_t count) {
    for (const Piece& p : pieces) {
        if (at >= p.size()) {
            at -= p.size();
            continue;
        }
        const std::uint64_t n = std::min(count, p.size() - at);
        if (out != nullptr) {
            // Only counts that fit in memory come with a buffer.
            const auto length = static_cast<std::size_t>(n);
            if (p.bytes.empty())
                std::fill(out, out + length, 0);
            else
                std::copy_n(p.bytes.begin() + static_cast<std::ptrdiff_t>(at), length, out);
        }
        return n;
    }
    return 0;
}

bool inZeros(const Pieces& pieces, std::uint64_t at) {
    for (const Piece& p : pieces) {
        if (at < p.size()) return p.bytes.empty();
        at -= p.size();
    }
    return false;
}

class SparseJoin final : public JoinIo {
public:
    explicit SparseJoin(std::vector<Pieces> volumes)
        : volumes_(std::move(volumes)), disk_(static_cast<int>(volumes_.size()) - 1) {}

    bool read(void* out, std::size_t count, int errorId) override {
        if (failure != 0) return false;
        auto* bytes = static_cast<std::uint8_t*>(out);
        while (count != 0) {
            const auto n = static_cast<std::size_t>(readPieces(volume(), position_, bytes, count));
            bytes += n;
            position_ += n;
            count -= n;
            if (count != 0 && n == 0) {
                if (disk_ + 1 >= static_cast<int>(volumes_.size())) {
                    fail(errorId);
                    return false;
                }
                if (!openVolume(disk_ + 1)) return false;
            }
        }
        return true;
    }
    void fail(int errorId) override {
        if (failure == 0) failure = errorId;
    }
    bool failed() const override { return failure != 0; }
    bool openVolume(int disk) override {
        if (disk < 0 || disk >= static_cast<int>(volumes_.size())) {
            fail(msg::InsertVolume);
            return false;
        }
        disk_ = disk;
        position_ = 0;
        return true;
    }
    std::uint64_t volumeSize() const override { return sizeOf(volume()); }
    void seek(std::uint64_t offset) override { position_ = offset; }
    bool write(const void* data, std::size_t count, int) override {
        if (failure != 0) return false;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        if (joined.empty() || joined.back().bytes.empty()) joined.emplace_back();
        joined.back().bytes.insert(joined.back().bytes.end(), bytes, bytes + count);
        return true;
    }
    bool copy(std::uint64_t length, int errorId) override {
        while (length != 0) {
            if (inZeros(volume(), position_)) {
                // Within a run of zeros: copied as a run.
                const std::uint64_t n = readPieces(volume(), position_, nullptr, length);
                if (joined.empty() || !joined.back().bytes.empty()) joined.emplace_back();
                joined.back().zeros += n;
                position_ += n;
                length -= n;
                continue;
            }
            std::uint8_t chunk[4096];
            const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(length, sizeof chunk));
            if (!read(chunk, part, errorId) || !write(chunk, part, errorId)) return false;
            length -= part;
        }
        return true;
    }
    std::uint64_t written() const override { return sizeOf(joined); }
    void copyStarts(std::uint64_t, std::uint64_t) override {}
    void entryStarts(const std::string&, std::uint64_t) override {}

    Pieces joined;
    int failure = 0;

private:
    const Pieces& volume() const { return volumes_[static_cast<std::size_t>(disk_)]; }
    std::vector<Pieces> volumes_;
    int disk_;
    std::uint64_t position_ = 0;
};

class PiecesSource final : public RandomAccessInput {
public:
    explicit PiecesSource(const Pieces& pieces) : pieces_(pieces) {}
    std::uint64_t size() const override { return sizeOf(pieces_); }
    std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::size_t total = 0;
        while (total < count) {
            const auto n =
                static_cast<std::size_t>(readPieces(pieces_, offset + total, out + total, count - total));
            if (n == 0) break;
            total += n;
        }
        return static_cast<std::ptrdiff_t>(total);
    }

private:
    const Pieces& pieces_;
};

// Two volumes whose directory of `headers` is appended to the last, joined;
// the join's failure, and what the joined archive lists.
struct JoinedSet {
    int failure = 0;
    Pieces joined;
    archive::EndRecordSearch end;
    archive::DirectoryListing listing;
};
JoinedSet joinWithDirectoryOnLast(const Pieces& first, Pieces last,
                                  const std::vector<archive::testing::TestHeader>& headers) {
    const auto directoryAt = static_cast<std::uint32_t>(last[0].bytes.size());
    for (const auto& header : headers) archive::testing::appendCentralHeader(last[0].bytes, header);
    const auto count = static_cast<std::uint16_t>(headers.size());
    archive::testing::appendEndRecord(
        last[0].bytes, {.thisDisk = 1,
                        .directoryDisk = 1,
                        .entriesHere = count,
                        .entries = count,
                        .directorySize = static_cast<std::uint32_t>(last[0].bytes.size() - directoryAt),
                        .directoryOffset = directoryAt});
    MemoryInput lastVolume(last[0].bytes);
    archive::EndRecordSearch end;
    EXPECT_FALSE(archive::findEndRecord(lastVolume, end));
    SparseJoin io({first, last});
    std::vector<archive::SpanEntry> entries;
    JoinedSet set;
    set.failure = joinFailure(io, end, entries);
    set.joined = io.joined;
    if (set.failure == 0) {
        PiecesSource joined(set.joined);
        EXPECT_FALSE(archive::listArchive(joined, {}, set.end, set.listing));
    }
    return set;
}

// An entry of nearly 4 GiB on the first volume puts the next one's local
// header, and the directory, past 4 GiB in the joined archive: their offsets
// go to ZIP64 fields and records instead of being cut to 32 bits.
TEST(SpanJoin, OffsetsPastFourGibibytesAreKeptInZip64Fields) {
    using archive::testing::TestHeader;
    constexpr std::uint32_t kLarge = 0xFFFFFFF0;  // stored zeros
    TestHeader large{
        .name = "large.bin", .compressed = kLarge, .uncompressed = kLarge, .offset = 4, .extra = {}};
    TestHeader small{
        .name = "small.txt", .compressed = 5, .uncompressed = 5, .disk = 1, .extra = {0x55, 0x54, 1, 0, 7}};
    Pieces first(2), last(1);
    le(first[0].bytes, 0x08074b50, 4);
    archive::testing::appendLocalHeader(first[0].bytes, large);
    first[1].zeros = kLarge;
    archive::testing::appendLocalHeader(last[0].bytes, small);
    for (char ch : std::string("hello")) last[0].bytes.push_back(static_cast<std::uint8_t>(ch));
    const JoinedSet set = joinWithDirectoryOnLast(first, last, {large, small});
    ASSERT_EQ(set.failure, 0);
    const archive::EndRecordSearch& joinedEnd = set.end;
    const archive::DirectoryListing& listing = set.listing;
    PiecesSource joined(set.joined);
    EXPECT_TRUE(joinedEnd.zip64);
    const std::uint64_t smallAt = 30 + 9 + std::uint64_t{kLarge};
    EXPECT_EQ(joinedEnd.centralOffset, smallAt + 30 + 9 + 5 + 5);  // header, name, extra field, data
    EXPECT_FALSE(listing.structureWarning);
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].localHeaderOffset, 0u);
    EXPECT_EQ(listing.entries[1].header.localHeaderOffset, 0xFFFFFFFFu);
    EXPECT_EQ(listing.entries[1].localHeaderOffset, smallAt);
    EXPECT_EQ(listing.entries[1].header.versionNeeded, 45);
    std::uint8_t signature[4];
    ASSERT_TRUE(joined.readExactly(smallAt, signature, 4));
    EXPECT_EQ(u32At(std::vector<std::uint8_t>(signature, signature + 4), 0), 0x04034b50u);
    // The entry's other extra field is kept in front of its ZIP64 field.
    EXPECT_EQ(listing.entries[1].header.extraFieldLength, 5 + 4 + 8);
}

// An entry of more than 4 GiB has its sizes in ZIP64 fields, and its data
// descriptor has 64-bit sizes: the join copies all of its data and the
// 24-byte descriptor, and finds the next entry's local header after them.
// (With the saturated 32-bit size it copied 4 GiB less one byte and failed
// on a "local header" inside the data.)
TEST(SpanJoin, AnEntryOfMoreThanFourGibibytesIsCopiedWhole) {
    using archive::testing::TestHeader;
    constexpr std::uint64_t kHuge = (std::uint64_t{1} << 32) + 16;  // stored zeros
    std::vector<std::uint8_t> zip64Sizes;
    le(zip64Sizes, 0x0001, 2);
    le(zip64Sizes, 16, 2);
    le(zip64Sizes, kHuge, 8);  // size
    le(zip64Sizes, kHuge, 8);  // compressed size
    TestHeader huge{.name = "huge.bin",
                    .needed = 45,
                    .flags = 0x0008,
                    .compressed = 0xFFFFFFFF,
                    .uncompressed = 0xFFFFFFFF,
                    .offset = 4,
                    .extra = zip64Sizes};
    TestHeader small{.name = "small.txt", .compressed = 5, .uncompressed = 5, .disk = 1, .extra = {}};
    Pieces first(3), last(1);
    le(first[0].bytes, 0x08074b50, 4);
    archive::testing::appendLocalHeader(first[0].bytes, huge);
    first[1].zeros = kHuge;
    le(first[2].bytes, 0x08074b50, 4);  // the descriptor: CRC, then 64-bit sizes
    le(first[2].bytes, 0, 4);
    le(first[2].bytes, kHuge, 8);
    le(first[2].bytes, kHuge, 8);
    archive::testing::appendLocalHeader(last[0].bytes, small);
    for (char ch : std::string("hello")) last[0].bytes.push_back(static_cast<std::uint8_t>(ch));
    const JoinedSet set = joinWithDirectoryOnLast(first, last, {huge, small});
    ASSERT_EQ(set.failure, 0);
    const archive::DirectoryListing& listing = set.listing;
    PiecesSource joined(set.joined);
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].compressedSize, kHuge);
    const std::uint64_t smallAt = 30 + 8 + 20 + kHuge + 24;
    EXPECT_EQ(listing.entries[1].localHeaderOffset, smallAt);
    std::uint8_t signature[4];
    ASSERT_EQ(joined.readAt(smallAt, signature, 4), 4u);
    EXPECT_EQ(u32At(std::vector<std::uint8_t>(signature, signature + 4), 0), 0x04034b50u);
    EXPECT_EQ(sizeOf(set.joined), smallAt + 30 + 9 + 5 + set.end.archiveEnd - set.end.centralOffset);
}

// A saturated size with no ZIP64 field to hold the real one cannot be
// copied: the join stops at that header.
TEST(SpanJoin, ASaturatedSizeWithoutItsZip64FieldIsRefused) {
    using archive::testing::TestHeader;
    TestHeader broken{.name = "a", .compressed = 0xFFFFFFFF, .uncompressed = 1, .offset = 4, .extra = {}};
    Pieces first(1), last(1);
    le(first[0].bytes, 0x08074b50, 4);
    archive::testing::appendLocalHeader(first[0].bytes, broken);
    const JoinedSet set = joinWithDirectoryOnLast(first, last, {broken});
    EXPECT_EQ(set.failure, msg::CentralExtraReadError);
    EXPECT_EQ(sizeOf(set.joined), 0u);
}

}  // namespace
}  // namespace tavrix::archivetest
