#include "common/ByteCursor.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

namespace {

using tavrix::ByteCursor;

constexpr std::array<std::uint8_t, 8> kBytes{0x50, 0x4B, 0x05, 0x06, 0xFF, 0xFE, 0x01, 0x80};

TEST(ByteCursor, ReadsLittleEndianInOrder) {
    ByteCursor c(kBytes);
    EXPECT_EQ(c.u32(), 0x06054B50u);
    EXPECT_EQ(c.u16(), 0xFEFFu);
    EXPECT_EQ(c.u8(), 0x01u);
    EXPECT_EQ(c.u8(), 0x80u);
    EXPECT_TRUE(c.ok());
    EXPECT_TRUE(c.atEnd());

    // The same bytes as one 64-bit field, and at an odd position.
    ByteCursor whole(kBytes);
    EXPECT_EQ(whole.u64(), 0x8001FEFF06054B50u);
    ByteCursor odd(kBytes);
    odd.skip(1);
    EXPECT_EQ(odd.u32(), 0xFF06054Bu);
    EXPECT_EQ(odd.u16(), 0x01FEu);
    EXPECT_EQ(odd.u64(), 0u);  // one byte left
    EXPECT_TRUE(odd.failed());
}

TEST(ByteCursor, ShortReadFailsAndTheFailureSticks) {
    ByteCursor c(kBytes);
    c.skip(6);
    EXPECT_EQ(c.u32(), 0u);  // only two bytes left
    EXPECT_TRUE(c.failed());
    EXPECT_EQ(c.position(), 6u);  // a failed read does not move
    EXPECT_EQ(c.u8(), 0u);        // later reads that would fit still fail
    EXPECT_TRUE(c.failed());
}

TEST(ByteCursor, SeekAndSkipRefusePastTheEnd) {
    ByteCursor c(kBytes);
    EXPECT_TRUE(c.seek(8));
    EXPECT_TRUE(c.atEnd());
    EXPECT_FALSE(c.seek(9));
    EXPECT_TRUE(c.failed());

    ByteCursor d(kBytes);
    EXPECT_FALSE(d.skip(std::numeric_limits<std::size_t>::max()));
    EXPECT_TRUE(d.failed());
}

TEST(ByteCursor, SubCursorIsBoundedAndAdvancesTheParent) {
    ByteCursor c(kBytes);
    ByteCursor record = c.sub(4);
    EXPECT_EQ(c.position(), 4u);
    EXPECT_EQ(record.u32(), 0x06054B50u);
    EXPECT_EQ(record.u8(), 0u);
    EXPECT_TRUE(record.failed());
    EXPECT_TRUE(c.ok());

    ByteCursor tooLong = c.sub(5);
    EXPECT_TRUE(c.failed());
    EXPECT_TRUE(tooLong.failed());
}

TEST(ByteCursor, CharsGivesAViewOfTheNextBytes) {
    const std::array<std::uint8_t, 3> name{'a', '/', 'b'};
    ByteCursor c(name);
    EXPECT_EQ(c.chars(3), "a/b");
    EXPECT_TRUE(c.chars(1).empty());
    EXPECT_TRUE(c.failed());
}

TEST(AddWithin, RejectsWrapAndOverflowOfTheLimit) {
    std::uint64_t sum = 0;
    EXPECT_TRUE(tavrix::addWithin(10, 20, 30, sum));
    EXPECT_EQ(sum, 30u);
    EXPECT_FALSE(tavrix::addWithin(10, 21, 30, sum));
    EXPECT_FALSE(tavrix::addWithin(1, std::numeric_limits<std::uint64_t>::max(),
                                   std::numeric_limits<std::uint64_t>::max(), sum));
    EXPECT_FALSE(tavrix::addWithin(0, 31, 30, sum));
}

}  // namespace
