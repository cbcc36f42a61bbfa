// The directory reader on the committed corpus and on peers' archives. Runs
// natively (with the sanitizers) and under Wine.
#include "archive/DirectoryReader.h"
#include "archive/MessageIds.h"
#include "archive/OemConversion.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/archive/CorpusCases.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tavrix::archive {
namespace {

using testing::listFile;

std::string good(const char* name) {
    return std::string("corpus/good/") + name + ".zip";
}

std::vector<std::string> names(const DirectoryListing& listing) {
    std::vector<std::string> out;
    for (const auto& e : listing.entries) out.push_back(e.fileName);
    return out;
}

TEST(EndRecordSearch, ArchiveWithoutCommentIsFoundAtTheVeryEnd) {
    auto r = listFile(good("plain"));
    ASSERT_FALSE(r.error) << r.error.id;
    EXPECT_EQ(r.end.endOfCentralOffset, r.bytes.size() - 22);
    EXPECT_EQ(r.end.archiveEnd, r.bytes.size());
    EXPECT_EQ(r.end.fileSize, r.bytes.size());
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(names(r.listing), (std::vector<std::string>{"readme.txt", "docs\\guide.txt"}));
    EXPECT_EQ(r.listing.archiveDataStart, 0);
    EXPECT_EQ(r.listing.centralDirOffset, r.end.end.centralOffset);
}

TEST(EndRecordSearch, TenByteCommentIsFoundByTheScan) {
    auto r = listFile(good("comment10"));
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.end.endOfCentralOffset, r.bytes.size() - 32);
    EXPECT_EQ(r.end.comment, "0123456789");
    EXPECT_EQ(r.listing.entries.size(), 2u);
}

TEST(EndRecordSearch, GarbageAfterTheCommentWarnsAndMovesTheArchiveEnd) {
    auto r = listFile(good("garbage100"));
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.warnings, std::vector<int>{msg::GarbageWarning});
    EXPECT_EQ(r.end.archiveEnd, r.bytes.size() - 100);
    EXPECT_EQ(r.end.comment, "note");
    EXPECT_EQ(r.listing.entries.size(), 2u);
    EXPECT_FALSE(r.listing.structureWarning);
}

TEST(EndRecordSearch, ZeroBlockPaddingIsNotGarbage) {
    auto r = listFile(good("padded4096"));
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.bytes.size(), 4096u);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.end.archiveEnd, 3896u);
    EXPECT_EQ(r.listing.entries.size(), 2u);
    EXPECT_FALSE(r.listing.structureWarning);
}

TEST(EndRecordSearch, SpannedMarkerAndLabelChooseTheMessage) {
    std::vector<std::uint8_t> first = testing::readFile("corpus/bad/spanned_first_volume.zip");
    std::vector<std::uint8_t> plain = testing::readFile("corpus/bad/no_end_record.zip");
    auto search = [](std::vector<std::uint8_t>& bytes, int label) {
        MemoryInput source(bytes);
        EndRecordSearch s;
        s.labelVolume = label;
        ReadError e = findEndRecord(source, s);
        return std::make_pair(e.id, e.number);
    };
    EXPECT_EQ(search(first, 0), std::make_pair(msg::FirstFileOfSet, 0));
    EXPECT_EQ(search(first, 1), std::make_pair(msg::FirstDiskOfSet, 0));
    EXPECT_EQ(search(first, 2), std::make_pair(msg::FirstFileOfSet, 0));
    EXPECT_EQ(search(plain, 3), std::make_pair(msg::NthDiskOfSet, 3));
    EXPECT_EQ(search(plain, 0), std::make_pair(msg::NotAZipArchive, 0));
}

TEST(EndRecordSearch, VolumeNumberComesFromABackupLabel) {
    EXPECT_EQ(volumeNumberFromLabel("PKBACK# 001"), 1);
    EXPECT_EQ(volumeNumberFromLabel("PKBACK# 012"), 12);
    EXPECT_EQ(volumeNumberFromLabel("PKBACK# 1"), 1);
    EXPECT_EQ(volumeNumberFromLabel("PKBACK# x01"), 0);
    EXPECT_EQ(volumeNumberFromLabel("PKBACK#"), 0);
    EXPECT_EQ(volumeNumberFromLabel("DATA"), 0);
    EXPECT_EQ(volumeNumberFromLabel(""), 0);
}

TEST(CentralDirectory, PrefixedStubWarnsAndShiftsTheDataStart) {
    auto r = listFile(good("stub20"));
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.warnings, std::vector<int>{msg::StructureWarning});
    EXPECT_TRUE(r.listing.structureWarning);
    EXPECT_EQ(r.listing.archiveDataStart, 20);
    EXPECT_EQ(r.listing.centralDirOffset, r.end.end.centralOffset + 20u);
    EXPECT_EQ(r.listing.entries.size(), 2u);

    auto adjusted = listFile(good("stub20shifted"));
    ASSERT_FALSE(adjusted.error);
    EXPECT_TRUE(adjusted.warnings.empty());
    EXPECT_EQ(adjusted.listing.archiveDataStart, 20);
}

TEST(CentralDirectory, ArchiveOfOnlyAnEndRecordHasNoEntries) {
    auto r = listFile(good("empty"));
    ASSERT_FALSE(r.error);
    EXPECT_TRUE(r.listing.entries.empty());
    EXPECT_EQ(r.listing.archiveDataStart, 0);
    EXPECT_EQ(r.end.endOfCentralOffset, 0u);
}

TEST(CentralDirectory, EmptyArchiveBehindAStubStartsWhereTheStubEnds) {
    // What a self-extractor made to be added to looks like: no entries, the
    // directory (of size 0) right behind 1000 bytes of program.
    std::vector<std::uint8_t> bytes(1000, 'S');
    const std::uint8_t end[22] = {'P', 'K', 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE8, 0x03, 0, 0, 0, 0};
    bytes.insert(bytes.end(), std::begin(end), std::end(end));
    MemoryInput source(bytes);
    EndRecordSearch search;
    DirectoryListing listing;
    ASSERT_FALSE(listArchive(source, {}, search, listing));
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_FALSE(listing.structureWarning);
    EXPECT_EQ(listing.archiveDataStart, 1000);
}

TEST(CentralDirectory, HeaderFieldsAndCommentsAreKept) {
    auto r = listFile(good("entry_comment"));
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.listing.entries.size(), 2u);
    const auto& a = r.listing.entries[0];
    EXPECT_EQ(a.fileName, "a.txt");
    EXPECT_EQ(a.fileComment, "first file");
    EXPECT_EQ(a.header.hostSystem, 3);
    EXPECT_EQ(a.header.madeByVersion, 30);
    EXPECT_EQ(a.header.uncompressedSize, 1u);
    EXPECT_EQ(a.header.fileCommentLength, 10);
    const auto& b = r.listing.entries[1];
    EXPECT_EQ(b.fileName, "b.txt");  // the extra field before it was skipped whole
    EXPECT_EQ(b.header.extraFieldLength, 9);
    EXPECT_GT(b.header.localHeaderOffset, 0u);
}

TEST(CentralDirectory, Zip64EndRecordCountsWhatTheClassicRecordCannot) {
    auto r = listFile(good("zip64_end"));
    ASSERT_FALSE(r.error) << r.error.id;
    EXPECT_TRUE(r.end.zip64);
    EXPECT_EQ(r.end.end.totalEntries, 0xFFFF);
    EXPECT_EQ(r.end.totalEntries, 3u);
    EXPECT_EQ(r.listing.entries.size(), 3u);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.listing.centralDirOffset, r.end.centralOffset);

    auto stub = listFile(good("zip64_end_stub"));
    ASSERT_FALSE(stub.error) << stub.error.id;
    EXPECT_EQ(stub.listing.entries.size(), 2u);
    EXPECT_EQ(stub.warnings, std::vector<int>{msg::StructureWarning});
    EXPECT_EQ(stub.listing.archiveDataStart, 20);
}

TEST(CentralDirectory, NameEndsAtItsFirstNul) {
    auto r = listFile(good("nul_in_name"));
    ASSERT_FALSE(r.error);
    ASSERT_EQ(r.listing.entries.size(), 1u);
    EXPECT_EQ(r.listing.entries[0].fileName, "cut");
}

TEST(NameConversion, FatHostNamesAreOemAndUnixNamesAreNot) {
    auto fat = listFile(good("fat_oem"));
    ASSERT_FALSE(fat.error);
    EXPECT_EQ(fat.listing.entries[0].fileName, "M\xFCller\\\xF6l.txt");
    EXPECT_EQ(fat.listing.lastHost, 0);

    auto unix = listFile(good("unix_high"));
    ASSERT_FALSE(unix.error);
    EXPECT_EQ(unix.listing.entries[0].fileName, "M\x81ller\\\x94l.txt");

    auto forced = listFile(good("unix_high"), cpOEM);
    EXPECT_EQ(forced.listing.entries[0].fileName, "M\xFCller\\\xF6l.txt");
    auto never = listFile(good("fat_oem"), cpNone);
    EXPECT_EQ(never.listing.entries[0].fileName, "M\x81ller\\\x94l.txt");
}

TEST(NameConversion, NtfsNamesAreOemOnlyFromVersion50) {
    auto r = listFile(good("ntfs50"));
    ASSERT_FALSE(r.error);
    EXPECT_EQ(r.listing.entries[0].fileName, "\xFC.txt");
    EXPECT_EQ(r.listing.entries[1].fileName, "\x81.txt");
    EXPECT_TRUE(namesAreOem(cpAUTO, 6, 20));
    EXPECT_FALSE(namesAreOem(cpAUTO, 3, 50));
}

TEST(NameConversion, TableKeepsAsciiAndMapsLettersToTheirAnsiForms) {
    for (int c = 0; c < 0x80; ++c) EXPECT_EQ(oemToAnsiByTable(static_cast<unsigned char>(c)), c);
    EXPECT_EQ(oemToAnsiByTable(0x80), 0xC7);  // C cedilla
    EXPECT_EQ(oemToAnsiByTable(0x9A), 0xDC);  // U umlaut
    EXPECT_EQ(oemToAnsiByTable(0xE1), 0xDF);  // sharp s
    EXPECT_EQ(oemToAnsiByTable(0xFF), 0xA0);  // no-break space
    for (int c = 0x80; c < 0x100; ++c) EXPECT_NE(oemToAnsiByTable(static_cast<unsigned char>(c)), 0) << c;
}

class DamagedArchive : public ::testing::TestWithParam<testing::DamageCase> {};

TEST_P(DamagedArchive, EndsWithItsMessageAndKeepsWhatWasRead) {
    const auto& c = GetParam();
    auto r = listFile(std::string("corpus/bad/") + c.file + ".zip");
    ASSERT_FALSE(r.bytes.empty());
    EXPECT_EQ(r.error.id, c.errorId);
    EXPECT_EQ(r.listing.entries.size(), c.entriesKept);
    if (c.warningId != 0)
        EXPECT_EQ(r.warnings, std::vector<int>{c.warningId});
    else
        EXPECT_TRUE(r.warnings.empty());
    // Never more room for entries than the file could hold.
    EXPECT_LE(r.listing.entries.capacity(), std::max<std::size_t>(1, r.bytes.size() / 46));
    EXPECT_GE(r.listing.archiveDataStart, 0);
    EXPECT_LE(static_cast<std::uint64_t>(r.listing.archiveDataStart), r.bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedArchive, ::testing::ValuesIn(testing::kDamageCases),
                         [](const auto& info) { return testing::damageTestName(info.param); });

TEST(DamagedArchive, DirectoryOnAnotherDiskNamesThatDisk) {
    auto r = listFile("corpus/bad/directory_on_other_disk.zip");
    EXPECT_EQ(r.error.id, msg::InsertVolume);
    EXPECT_EQ(r.error.number, 1);
    EXPECT_EQ(r.listing.lastDiskNumber, 2);
}

TEST(DamagedArchive, ShortReadOfTheSearchWindowIsAnError) {
    // A file whose reads stop short of its declared size.
    struct Truncating : RandomAccessInput {
        std::vector<std::uint8_t> bytes = testing::readFile("corpus/good/comment10.zip");
        std::uint64_t size() const override { return bytes.size() + 100; }
        std::ptrdiff_t readAt(std::uint64_t offset, void* out, std::size_t count) override {
            return MemoryInput(bytes).readAt(offset, out, count);
        }
    } file;
    EndRecordSearch s;
    EXPECT_EQ(findEndRecord(file, s).id, msg::EndRecordReadError);
}

// A directory that goes on from one volume of a set to the next: the reader
// moves on where a volume ends, but a read that fails is reported as the
// read error it is. (Taken for the volume's end, it had the next volume's
// headers read in place of the lost ones and the end record as a damaged
// header.)
TEST(DamagedArchive, FailedReadOfAVolumeIsNoEndOfIt) {
    struct FailingFrom final : RandomAccessInput {
        std::span<const std::uint8_t> bytes;
        std::uint64_t failAt;
        std::uint64_t size() const override { return bytes.size(); }
        std::ptrdiff_t readAt(std::uint64_t offset, void* out, std::size_t count) override {
            return offset + count > failAt ? -1 : MemoryInput(bytes).readAt(offset, out, count);
        }
    };
    std::vector<std::uint8_t> first, last;
    testing::appendCentralHeader(first, {.name = "a.txt", .extra = {}});
    testing::appendCentralHeader(last, {.name = "b.txt", .disk = 1, .extra = {}});
    const auto directorySize = static_cast<std::uint32_t>(first.size() + last.size());
    testing::appendEndRecord(last,
                             {.thisDisk = 1, .entriesHere = 1, .entries = 2, .directorySize = directorySize});
    MemoryInput lastVolume(last);
    EndRecordSearch end;
    ASSERT_FALSE(findEndRecord(lastVolume, end));

    for (const std::uint64_t failAt : {std::uint64_t{first.size()}, std::uint64_t{10}}) {
        const bool fails = failAt < first.size();
        SCOPED_TRACE(fails ? "a read fails" : "every read succeeds");
        FailingFrom firstVolume;
        firstVolume.bytes = first;
        firstVolume.failAt = failAt;
        std::vector<int> opened;
        DirectoryOptions options;
        options.openVolume = [&](int disk) -> RandomAccessInput* {
            opened.push_back(disk);
            return disk == 0   ? &firstVolume
                   : disk == 1 ? static_cast<RandomAccessInput*>(&lastVolume)
                               : nullptr;
        };
        DirectoryListing listing;
        const ReadError error = readDirectory(lastVolume, end, options, listing);
        if (fails) {
            EXPECT_EQ(error.id, msg::CentralHeaderReadError);
            EXPECT_EQ(opened, std::vector<int>{0});
            EXPECT_TRUE(listing.entries.empty());
        } else {
            ASSERT_FALSE(error) << error.id;
            EXPECT_EQ(opened, (std::vector<int>{0, 1}));
            ASSERT_EQ(listing.entries.size(), 2u);
            EXPECT_EQ(listing.entries[1].fileName, "b.txt");
        }
    }
}

// Archives made by Info-ZIP zip, 7z and Python's zipfile list as zipinfo lists them.
TEST(PeerArchives, ListLikeZipinfo) {
    std::size_t checked = 0;
    for (const auto& item : std::filesystem::directory_iterator("real")) {
        if (item.path().extension() != ".zip") continue;
        SCOPED_TRACE(item.path().filename().string());
        auto peer = testing::readPeerListing(
            std::filesystem::path(item.path()).replace_extension(".expected").string());
        auto r = listFile(item.path().string());
        ASSERT_FALSE(r.error) << r.error.id;
        EXPECT_TRUE(r.warnings.empty());
        EXPECT_EQ(r.end.comment, peer.comment);
        ASSERT_EQ(r.listing.entries.size(), peer.count);
        ASSERT_EQ(peer.entries.size(), peer.count);
        for (std::size_t i = 0; i < peer.count; ++i) {
            std::string name = peer.entries[i].name;
            std::replace(name.begin(), name.end(), '/', '\\');
            EXPECT_EQ(r.listing.entries[i].fileName, name);
            EXPECT_EQ(r.listing.entries[i].header.uncompressedSize, peer.entries[i].uncompressed);
            EXPECT_EQ(r.listing.entries[i].header.compressedSize, peer.entries[i].compressed);
        }
        ++checked;
    }
    EXPECT_EQ(checked, 7u);
}

// ---- ZIP64 extra fields of central headers ----

namespace zip64 {

constexpr auto le = testing::appendLe;

struct Header {
    std::uint32_t compressed, uncompressed, offset;
    std::uint16_t disk;
};

// Ten bytes where the data would be, then one central header with `extra`
// and the end record.
std::vector<std::uint8_t> archiveWith(const Header& h, const std::vector<std::uint8_t>& extra) {
    std::vector<std::uint8_t> a(10, 0);
    testing::appendCentralHeader(a, {.name = "big.bin",
                                     .madeBy = 45,
                                     .needed = 45,
                                     .method = 8,
                                     .crc = 0x12345678,
                                     .compressed = h.compressed,
                                     .uncompressed = h.uncompressed,
                                     .disk = h.disk,
                                     .offset = h.offset,
                                     .extra = extra});
    const auto directorySize = static_cast<std::uint32_t>(a.size() - 10);
    testing::appendEndRecord(
        a, {.entriesHere = 1, .entries = 1, .directorySize = directorySize, .directoryOffset = 10});
    return a;
}

// A block of the extra data: id, length, then the values.
std::vector<std::uint8_t> block(std::uint16_t id, std::vector<std::pair<std::uint64_t, int>> values,
                                int lengthAdjust = 0) {
    std::vector<std::uint8_t> body;
    for (auto [v, width] : values) le(body, v, width);
    std::vector<std::uint8_t> out;
    le(out, id, 2);
    le(out, body.size() + lengthAdjust, 2);
    for (std::uint8_t b : body) out.push_back(b);
    return out;
}

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    for (std::uint8_t byte : b) a.push_back(byte);
    return a;
}

}  // namespace zip64

TEST(CentralDirectory, Zip64ExtraFieldGivesTheSaturatedValuesInFull) {
    using namespace zip64;
    constexpr std::uint32_t kSat = 0xFFFFFFFF;
    constexpr std::uint64_t kFive = 5ull << 30, kSix = 6ull << 30, kSeven = 7ull << 30;
    const std::vector<std::uint8_t> timestamp = block(0x5455, {{1, 1}, {0x5F000000, 4}});
    struct Case {
        const char* what;
        Header header;
        std::vector<std::uint8_t> extra;
        std::uint64_t uncompressed, compressed, offset;
        std::uint32_t disk;
    };
    const Case cases[] = {
        {"all four",
         {kSat, kSat, kSat, 0xFFFF},
         block(1, {{kSix, 8}, {kFive, 8}, {kSeven, 8}, {3, 4}}),
         kSix,
         kFive,
         kSeven,
         3},
        {"only the compressed size", {kSat, 100, 0, 0}, block(1, {{kFive, 8}}), 100, kFive, 0, 0},
        {"only the offset, after another field",
         {10, 20, kSat, 0},
         timestamp + block(1, {{kSeven, 8}}),
         20,
         10,
         kSeven,
         0},
        {"offset zero in the field", {10, 20, kSat, 0}, block(1, {{0, 8}}), 20, 10, 0, 0},
        {"nothing saturated: the field is not read",
         {10, 20, 0, 0},
         block(1, {{kSix, 8}, {kFive, 8}}),
         20,
         10,
         0,
         0},
        {"field too short for what is saturated",
         {kSat, kSat, 0, 0},
         block(1, {{kSix, 8}}),
         kSat,
         kSat,
         0,
         0},
        {"no ZIP64 field", {kSat, kSat, 0, 0}, timestamp, kSat, kSat, 0, 0},
        {"block longer than the extra data",
         {kSat, kSat, 0, 0},
         block(1, {{kSix, 8}, {kFive, 8}}, 4),
         kSat,
         kSat,
         0,
         0},
        {"a stray byte after the last block",
         {kSat, 10, 0, 0},
         block(1, {{kSix, 8}}) + std::vector<std::uint8_t>{7},
         10,
         kSix,
         0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::uint8_t> bytes = archiveWith(c.header, c.extra);
        MemoryInput source(bytes);
        EndRecordSearch end;
        DirectoryListing listing;
        ASSERT_FALSE(listArchive(source, {}, end, listing));
        ASSERT_EQ(listing.entries.size(), 1u);
        const ZipDirEntry& e = listing.entries[0];
        EXPECT_EQ(e.fileName, "big.bin");
        EXPECT_EQ(e.uncompressedSize, c.uncompressed);
        EXPECT_EQ(e.compressedSize, c.compressed);
        EXPECT_EQ(e.localHeaderOffset, c.offset);
        EXPECT_EQ(e.diskNumberStart, c.disk);
        // The header keeps the bytes of the file.
        EXPECT_EQ(e.header.compressedSize, c.header.compressed);
        EXPECT_EQ(e.header.localHeaderOffset, c.header.offset);
        // The first local header is found by the full offset.
        EXPECT_EQ(static_cast<std::uint64_t>(listing.archiveDataStart),
                  std::min<std::uint64_t>(c.offset, bytes.size()));
    }
}

}  // namespace
}  // namespace tavrix::archive
