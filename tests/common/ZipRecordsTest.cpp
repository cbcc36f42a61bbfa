// The record codec against bytes written by hand from the format, and each
// parse against its own store with every field distinct, so that a field
// stored at another field's place, or read in another order, shows.
#include "common/zip/ZipRecords.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace tavrix::zip {
namespace {

// An end record written out by hand from the format: this disk 0, the
// directory's disk 0, 1 entry here and in all, a directory of 0x4E bytes at
// 0x96, a comment of 3 bytes.
constexpr std::array<std::uint8_t, kEndOfCentralSize> kEndBytes = {
    0x50, 0x4B, 0x05, 0x06, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
    0x00, 0x4E, 0x00, 0x00, 0x00, 0x96, 0x00, 0x00, 0x00, 0x03, 0x00};

TEST(ZipRecords, EndRecordReadsAndWritesTheFormatsBytes) {
    const std::optional<EndRecord> end = parseEndRecord(kEndBytes);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->entriesHere, 1);
    EXPECT_EQ(end->entries, 1);
    EXPECT_EQ(end->directorySize, 0x4Eu);
    EXPECT_EQ(end->directoryOffset, 0x96u);
    EXPECT_EQ(end->commentLength, 3);
    std::array<std::uint8_t, kEndOfCentralSize> stored{};
    storeEndRecord(*end, stored);
    EXPECT_EQ(stored, kEndBytes);
}

TEST(ZipRecords, EveryFieldGoesBackWhereItCameFrom) {
    const LocalHeader local{0x0102,     0x0304,     0x0506, 0x0708090A, 0x0B0C0D0E,
                            0x10111213, 0x14151617, 0x1819, 0x1A1B};
    std::array<std::uint8_t, kLocalHeaderSize> localBytes{};
    storeLocalHeader(local, localBytes);
    const std::optional<LocalHeader> localBack = parseLocalHeader(localBytes);
    ASSERT_TRUE(localBack);
    EXPECT_EQ(localBack->versionNeeded, local.versionNeeded);
    EXPECT_EQ(localBack->flags, local.flags);
    EXPECT_EQ(localBack->method, local.method);
    EXPECT_EQ(localBack->dosDateTime, local.dosDateTime);
    EXPECT_EQ(localBack->crc, local.crc);
    EXPECT_EQ(localBack->compressedSize, local.compressedSize);
    EXPECT_EQ(localBack->size, local.size);
    EXPECT_EQ(localBack->nameLength, local.nameLength);
    EXPECT_EQ(localBack->extraLength, local.extraLength);

    const CentralHeader central{0x0102,     0x0304,     0x0506,     0x0708,     0x090A0B0C,
                                0x0D0E0F10, 0x11121314, 0x15161718, 0x191A,     0x1B1C,
                                0x1D1E,     0x1F20,     0x2122,     0x23242526, 0x27282930};
    std::array<std::uint8_t, kCentralHeaderSize> centralBytes{};
    storeCentralHeader(central, centralBytes);
    const std::optional<CentralHeader> centralBack = parseCentralHeader(centralBytes);
    ASSERT_TRUE(centralBack);
    EXPECT_EQ(centralBack->versionMadeBy, central.versionMadeBy);
    EXPECT_EQ(centralBack->versionNeeded, central.versionNeeded);
    EXPECT_EQ(centralBack->flags, central.flags);
    EXPECT_EQ(centralBack->method, central.method);
    EXPECT_EQ(centralBack->dosDateTime, central.dosDateTime);
    EXPECT_EQ(centralBack->crc, central.crc);
    EXPECT_EQ(centralBack->compressedSize, central.compressedSize);
    EXPECT_EQ(centralBack->size, central.size);
    EXPECT_EQ(centralBack->nameLength, central.nameLength);
    EXPECT_EQ(centralBack->extraLength, central.extraLength);
    EXPECT_EQ(centralBack->commentLength, central.commentLength);
    EXPECT_EQ(centralBack->diskStart, central.diskStart);
    EXPECT_EQ(centralBack->internalAttributes, central.internalAttributes);
    EXPECT_EQ(centralBack->externalAttributes, central.externalAttributes);
    EXPECT_EQ(centralBack->localHeaderOffset, central.localHeaderOffset);

    const Zip64EndRecord zip64{0x0102030405060708,
                               0x090A,
                               0x0B0C,
                               0x0D0E0F10,
                               0x11121314,
                               0x1516171819202122,
                               0x2324252627282930,
                               0x3132333435363738,
                               0x3940414243444546};
    std::array<std::uint8_t, kZip64EndSize> zip64Bytes{};
    storeZip64EndRecord(zip64, zip64Bytes);
    const std::optional<Zip64EndRecord> zip64Back = parseZip64EndRecord(zip64Bytes);
    ASSERT_TRUE(zip64Back);
    EXPECT_EQ(zip64Back->recordSize, zip64.recordSize);
    EXPECT_EQ(zip64Back->versionMadeBy, zip64.versionMadeBy);
    EXPECT_EQ(zip64Back->versionNeeded, zip64.versionNeeded);
    EXPECT_EQ(zip64Back->thisDisk, zip64.thisDisk);
    EXPECT_EQ(zip64Back->directoryDisk, zip64.directoryDisk);
    EXPECT_EQ(zip64Back->entriesHere, zip64.entriesHere);
    EXPECT_EQ(zip64Back->entries, zip64.entries);
    EXPECT_EQ(zip64Back->directorySize, zip64.directorySize);
    EXPECT_EQ(zip64Back->directoryOffset, zip64.directoryOffset);

    const Zip64Locator locator{0x01020304, 0x0506070809101112, 0x13141516};
    std::array<std::uint8_t, kZip64LocatorSize> locatorBytes{};
    storeZip64Locator(locator, locatorBytes);
    const std::optional<Zip64Locator> locatorBack = parseZip64Locator(locatorBytes);
    ASSERT_TRUE(locatorBack);
    EXPECT_EQ(locatorBack->endRecordDisk, locator.endRecordDisk);
    EXPECT_EQ(locatorBack->endRecordOffset, locator.endRecordOffset);
    EXPECT_EQ(locatorBack->totalDisks, locator.totalDisks);

    std::array<std::uint8_t, kDataDescriptorSize> descriptor{};
    storeDataDescriptor({0x01020304, 0x05060708, 0x09101112}, descriptor);
    EXPECT_EQ(descriptor, (std::array<std::uint8_t, kDataDescriptorSize>{0x50, 0x4B, 0x07, 0x08, 0x04, 0x03,
                                                                         0x02, 0x01, 0x08, 0x07, 0x06, 0x05,
                                                                         0x12, 0x11, 0x10, 0x09}));
}

// A record cut short, or one with another record's signature, reads as none.
TEST(ZipRecords, ShortOrForeignBytesGiveNothing) {
    EXPECT_FALSE(parseEndRecord(std::span(kEndBytes).first(kEndOfCentralSize - 1)));
    std::array<std::uint8_t, kCentralHeaderSize> central{};
    storeCentralHeader({}, central);
    EXPECT_FALSE(parseLocalHeader(central));
    EXPECT_FALSE(parseEndRecord(central));
    EXPECT_FALSE(parseCentralHeader(std::span(central).first(kCentralHeaderSize - 1)));
    EXPECT_TRUE(parseCentralHeader(central));
    EXPECT_FALSE(parseZip64Locator(std::vector<std::uint8_t>{}));
}

}  // namespace
}  // namespace tavrix::zip
