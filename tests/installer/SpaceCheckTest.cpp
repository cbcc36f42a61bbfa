// The free-space check before an extraction: the comparison, the drive as
// the user knows it, and the figures the box shows.
#include <gtest/gtest.h>

#include "installer/SpaceCheck.h"

namespace tavrix::installer {
namespace {

constexpr std::uint64_t kMiB = 1048576;

TEST(SpaceCheck, ComparesInSixtyFourBits) {
    EXPECT_TRUE(roomFor(1000, 1000));
    EXPECT_FALSE(roomFor(1001, 1000));
    EXPECT_TRUE(roomFor(0, 0));
    EXPECT_TRUE(roomFor(5 * 1024 * kMiB, 6 * 1024 * static_cast<std::int64_t>(kMiB)));
    EXPECT_FALSE(roomFor(5 * 1024 * kMiB, 4 * 1024 * static_cast<std::int64_t>(kMiB)))
        << "a 5 GiB package on a drive with 4 GiB free";
    EXPECT_FALSE(roomFor(5 * 1024 * kMiB, static_cast<std::int64_t>(1024 * kMiB)))
        << "a package beyond 4 GiB does not wrap to a small one";
    EXPECT_TRUE(roomFor(1000, -1)) << "the system could not tell: the extraction goes ahead";
}

TEST(SpaceCheck, NamesTheDriveAsTheUserKnowsIt) {
    struct Case {
        const char* folder;
        const char* drive;
    } cases[] = {
        {"C:\\FS2000\\Aircraft\\Cub", "C:"},
        {"d:\\games", "D:"},
        {"Z:", "Z:"},
        {"\\\\server\\share\\FS2000", "\\\\server\\share"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"\\\\server", "\\\\server"},
        {"relative\\folder", "relative\\folder"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(driveOf(c.folder), c.drive) << c.folder;
}

TEST(SpaceCheck, MegabytesNeverMakeAShortageLookLikeEnough) {
    EXPECT_EQ(megabytes(0, true), "0.0 MB");
    EXPECT_EQ(megabytes(kMiB, true), "1.0 MB");
    EXPECT_EQ(megabytes(kMiB + 1, true), "1.1 MB") << "needed: up";
    EXPECT_EQ(megabytes(2 * kMiB - 1, false), "1.9 MB") << "free: down";
    EXPECT_EQ(megabytes(5 * 1024 * kMiB, false), "5120.0 MB");
    EXPECT_EQ(megabytes(UINT64_MAX, false), "17592186044415.9 MB");
}

TEST(SpaceCheck, TheBoxNamesTheDriveAndBothFigures) {
    const std::string text = notEnoughSpaceText("C:", 12 * kMiB + 1, static_cast<std::int64_t>(3 * kMiB));
    EXPECT_EQ(text,
              "There is not enough free space on drive C: to install this add-on.\n\n"
              "Space needed: 12.1 MB\nSpace free: 3.0 MB\n\n"
              "Free some space on the drive and choose Retry, or choose Cancel to pick another folder.");
}

}  // namespace
}  // namespace tavrix::installer
