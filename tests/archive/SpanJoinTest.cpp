// Joining a set whose last volume lies about its directory.
#include <gtest/gtest.h>

#include <cstdint>
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
    le(v, 0x06054b50, 4);  // classic end record, every count saturated
    le(v, 1, 2);
    le(v, 0, 2);
    le(v, 0xFFFF, 2);
    le(v, 0xFFFF, 2);
    le(v, 0xFFFFFFFF, 4);
    le(v, 0xFFFFFFFF, 4);
    le(v, 0, 2);
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

}  // namespace
}  // namespace tavrix::archivetest
