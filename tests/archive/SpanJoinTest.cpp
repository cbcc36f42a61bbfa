// Joining a set whose last volume lies about its directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ArchiveTestFiles.h"
#include "ByteSource.h"
#include "DirectoryReader.h"
#include "MemoryJoin.h"
#include "MessageIds.h"
#include "SpanJoin.h"

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
int joinFailure(MemoryJoin& io, const archive::EndRecordSearch& end,
                std::vector<archive::SpanEntry>& entries) {
    try {
        archive::joinSpannedSet(io, end, entries);
    } catch (const JoinStopped& stopped) {
        return stopped.id;
    }
    return 0;
}

// The counts are believed only as far as headers are really there: the join
// fails at the first one missing, having held no more than it read. (It
// used to make room for every claimed entry first: gigabytes for a volume
// of 98 bytes.)
TEST(SpanJoin, DirectoryClaimedLargerThanTheSetFailsWithoutReservingIt) {
    const std::vector<std::uint8_t> first(64, 0);
    const std::vector<std::uint8_t> last = lyingLastVolume(std::uint64_t{1} << 34, std::uint64_t{1} << 40);
    archive::MemoryByteSource lastVolume(last);
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
    archive::MemoryByteSource lastVolume(last);
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
    archive::MemoryByteSource lastVolume(set.last);
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

}  // namespace
}  // namespace tavrix::archivetest
