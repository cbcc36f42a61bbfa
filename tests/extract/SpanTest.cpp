// Spanned sets: cutting Info-ZIP's archives into numbered files and onto
// disks of a floppy drive of Wine's, joining them back, and the prompts,
// cancellations and refusals on the way.
#include "archive/ConversionResults.h"
#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/support/Crc32.h"
#include "common/support/ZeroPadded.h"
#include "common/win32/DiskSpace.h"
#include "common/win32/FormatDriveSeam.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/extract/SpanTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace tavrix::archive {
namespace {

using namespace testing;

constexpr char kMarker[] = "PK\x07\x08";
constexpr char kSpaceText[] = "This disk has not enough free space available";

std::uint16_t le16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                      (static_cast<std::uint8_t>(bytes[at + 1]) << 8));
}

struct StoredEntry {
    std::string name;
    std::string data;
    std::vector<std::uint8_t> localExtra;
};

// A single archive of stored entries as the packing engine writes one: from
// 65,535 entries on, ZIP64 end records in front of a saturated end record.
std::string storedArchive(const std::vector<StoredEntry>& entries) {
    std::vector<std::uint8_t> out, directory;
    for (const StoredEntry& e : entries) {
        const auto size = static_cast<std::uint32_t>(e.data.size());
        TestHeader h{.name = e.name,
                     .crc = crc32(0, e.data.data(), e.data.size()),
                     .compressed = size,
                     .uncompressed = size,
                     .offset = static_cast<std::uint32_t>(out.size()),
                     .extra = e.localExtra};
        appendLocalHeader(out, h);
        out.insert(out.end(), e.data.begin(), e.data.end());
        h.extra.clear();
        appendCentralHeader(directory, h);
    }
    const std::uint64_t directoryAt = out.size();
    out.insert(out.end(), directory.begin(), directory.end());
    const std::uint64_t count = entries.size();
    if (count >= 0xFFFF) {
        const std::uint64_t recordAt = out.size();
        appendLe(out, 0x06064b50, 4);
        appendLe(out, 44, 8);
        appendLe(out, 45, 2);
        appendLe(out, 45, 2);
        appendLe(out, 0, 8);  // this disk, the directory's disk
        appendLe(out, count, 8);
        appendLe(out, count, 8);
        appendLe(out, directory.size(), 8);
        appendLe(out, directoryAt, 8);
        appendLe(out, 0x07064b50, 4);
        appendLe(out, 0, 4);
        appendLe(out, recordAt, 8);
        appendLe(out, 1, 4);
    }
    const auto counted = static_cast<std::uint16_t>(std::min<std::uint64_t>(count, 0xFFFF));
    appendEndRecord(out, {.entriesHere = counted,
                          .entries = counted,
                          .directorySize = static_cast<std::uint32_t>(directory.size()),
                          .directoryOffset = static_cast<std::uint32_t>(directoryAt)});
    return std::string(out.begin(), out.end());
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class Span : public ExtractFixture {
protected:
    Span() {
        builder.SetVerbose(false);
        set = out + "\\set.zip";
    }
    std::string volume(int n) const { return volumeFileName(set, n); }
    int volumeCount() const {
        int n = 0;
        while (fileThere(volume(n + 1))) ++n;
        return n;
    }
    bool sawBatchEnd() const { return !events.empty() && events.back().type == pgBatchEnd; }
    // Extracts the set written under `set` with the real engine into folder
    // `tree`, joining it in folder `temp`.
    void extractSet(const std::string& temp, const std::string& tree) {
        ::CreateDirectoryA(temp.c_str(), nullptr);
        ::CreateDirectoryA(tree.c_str(), nullptr);
        builder.SetTempDir(temp);
        builder.SetDLLDirectory(realEngineDir());
        builder.SetExtrBaseDir(tree);
        useArchive(volume(volumeCount()));
        events.clear();
        builder.Extract();
    }

    std::string set;
};

TEST_F(Span, NumberedVolumesHoldAtMostTheLimitAndJoinBackToTheSameArchive) {
    builder.SetMaxVolumeSize(100000);
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0) << builder.LastMessage();
    const int count = volumeCount();
    ASSERT_GE(count, 4);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_EQ(builder.CompleteVolumes().size(), static_cast<std::size_t>(count));
    long long total = 0;
    for (int n = 1; n <= count; ++n) {
        const long long size = fileSize(volume(n));
        EXPECT_LE(size, 100000) << n;
        EXPECT_GT(size, 0) << n;
        total += size;
    }
    EXPECT_EQ(readBytes(volume(1)).substr(0, 4), std::string(kMarker, 4));
    EXPECT_EQ(total, fileSize(spanData("small.zip")) + 4);
    EXPECT_TRUE(sawBatchEnd());

    // The set lists from its last volume; every local header with its name
    // and extra field lies whole on the volume its directory entry names.
    useArchive(volume(count));
    EXPECT_EQ(builder.LastDiskNumber(), count - 1);
    EXPECT_TRUE(builder.SpannedArchive());
    ASSERT_EQ(builder.Count(), 13);  // 7 files and the 6 folders Info-ZIP stores
    for (const ZipDirEntry& entry : builder.DirEntries()) {
        const std::string bytes = readBytes(volume(entry.header.diskNumberStart + 1));
        const std::size_t at = entry.header.localHeaderOffset;
        ASSERT_LE(at + 30, bytes.size()) << entry.fileName;
        EXPECT_EQ(bytes.substr(at, 4), "PK\x03\x04") << entry.fileName;
        EXPECT_LE(at + 30 + le16(bytes, at + 26) + le16(bytes, at + 28), bytes.size()) << entry.fileName;
    }

    std::string joined = out + "\\joined\\";
    ::CreateDirectoryA(joined.c_str(), nullptr);
    ASSERT_EQ(builder.ReadSpan(volume(count), joined), 0) << builder.LastMessage();
    EXPECT_EQ(joined.substr(joined.size() - 4), ".zip");
    EXPECT_TRUE(readBytes(joined) == readBytes(spanData("small.zip")));
    // Kept for the check with unzip -t that follows this program.
    ::CopyFileA(joined.c_str(), (programDir() + "span\\joined-small.zip").c_str(), FALSE);
}

TEST_F(Span, NoVolumeOfASetIsMadeSelfExtractingAndEachIsLeftAsItWas) {
    builder.SetMaxVolumeSize(100000);
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0) << builder.LastMessage();
    const int count = volumeCount();
    ASSERT_GE(count, 2);
    const std::string stub = out + "\\stub.bin";
    std::FILE* file = std::fopen(stub.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("a stand-in stub", file);
    std::fclose(file);
    builder.SetSFXPath(stub);
    builder.SetUnattended(true);
    for (int n : {count, 1}) {
        SCOPED_TRACE(n);
        const std::string bytes = readBytes(volume(n));
        useArchive(volume(n));
        EXPECT_EQ(builder.ConvertSFX(), kConvertRefused);
        EXPECT_EQ(builder.LastErrCode(), msg::SfxNotSpannable);
        EXPECT_EQ(readBytes(volume(n)), bytes);
        const std::string exe = volume(n).substr(0, volume(n).size() - 4) + ".exe";
        EXPECT_FALSE(fileThere(exe));
    }
}

TEST_F(Span, KeepFreeOnDisk1ShrinksOnlyTheFirstVolume) {
    builder.SetMaxVolumeSize(100000);
    builder.SetKeepFreeOnDisk1(40000);
    builder.SetMinFreeVolumeSize(50000);
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0) << builder.LastMessage();
    ASSERT_GE(volumeCount(), 4);
    EXPECT_LE(fileSize(volume(1)), 60000);
    EXPECT_GT(fileSize(volume(2)), 60000);
    EXPECT_GT(fileSize(volume(3)), 60000);
}

TEST_F(Span, EntriesWithDataDescriptorsAreCopiedWhole) {
    builder.SetMaxVolumeSize(70000);
    ASSERT_EQ(builder.WriteSpan(spanData("described.zip"), set), 0) << builder.LastMessage();
    std::string joined = out + "\\joined.zip";
    ASSERT_EQ(builder.ReadSpan(volume(volumeCount()), joined), 0) << builder.LastMessage();
    EXPECT_TRUE(readBytes(joined) == readBytes(spanData("described.zip")));
}

TEST_F(Span, CancelDeletesThePartlyWrittenVolumeAndNamesTheCompleteOnes) {
    builder.SetMaxVolumeSize(100000);
    onEvent = [this](const Event& e) {
        // The next file starts on a volume that is already partly written.
        if (e.type == pgFileStart && builder.CurrentDisk() >= 1) builder.SetCancel(true);
    };
    EXPECT_EQ(builder.WriteSpan(spanData("small.zip"), set), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::UserCanceled);
    EXPECT_TRUE(boxes.texts.empty());  // a cancel is not an error to show
    EXPECT_TRUE(sawBatchEnd());
    const std::size_t complete = builder.CompleteVolumes().size();
    ASSERT_GE(complete, 1u);
    std::string names;
    for (std::size_t n = 1; n <= complete; ++n) {
        EXPECT_EQ(builder.CompleteVolumes()[n - 1], volume(static_cast<int>(n)));
        EXPECT_EQ(fileSize(volume(static_cast<int>(n))), 100000) << n;
        names += (n == 1 ? "" : ", ") + volume(static_cast<int>(n));
    }
    EXPECT_FALSE(fileThere(volume(static_cast<int>(complete) + 1)));
    EXPECT_EQ(messages.back(), (SeenMessage{0, "Volumes written completely: " + names}));
    EXPECT_FALSE(builder.PackEngineBusy());
}

// Each call starts clean: a cancelled WriteSpan leaves no failure, no
// entries and no disk of its own on the component, and the next call on it
// writes the whole set and joins it back.
TEST_F(Span, ACallAfterACancelledOneStartsCleanAndWritesTheWholeSet) {
    builder.SetMaxVolumeSize(100000);
    onEvent = [this](const Event& e) {
        if (e.type == pgFileStart && builder.CurrentDisk() >= 1) builder.SetCancel(true);
    };
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), -7);
    EXPECT_FALSE(builder.failed());
    EXPECT_TRUE(builder.SpanEntries().empty());
    EXPECT_EQ(builder.CurrentDisk(), 0);

    onEvent = nullptr;
    builder.SetCancel(false);    // WriteSpan leaves Cancel to the program
    set = out + "\\second.zip";  // the first call's complete volumes stay
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0) << builder.LastMessage();
    EXPECT_EQ(builder.CompleteVolumes().size(), static_cast<std::size_t>(volumeCount()));
    std::string joined = out + "\\again.zip";
    ASSERT_EQ(builder.ReadSpan(volume(volumeCount()), joined), 0) << builder.LastMessage();
    EXPECT_TRUE(readBytes(joined) == readBytes(spanData("small.zip")));
    EXPECT_FALSE(builder.Joining());
}

// Fails the write that carries an end record: on the set, the last
// volume's final one.
bool failTheEndRecord(const void* data, std::size_t length) {
    const std::string_view bytes(static_cast<const char*>(data), length);
    return bytes.find("PK\x05\x06") == std::string_view::npos;
}

class FailingEndRecord {
public:
    FailingEndRecord() : previous_(setWriteCheck(failTheEndRecord)) {}
    ~FailingEndRecord() { setWriteCheck(previous_); }

private:
    WriteCheck previous_;
};

TEST_F(Span, TheLastVolumesFinalWriteFailingIsAFailureThatLeavesNoShortVolume) {
    builder.SetMaxVolumeSize(100000);
    {
        FailingEndRecord failing;
        EXPECT_EQ(builder.WriteSpan(spanData("small.zip"), set), -7);
    }
    EXPECT_EQ(builder.LastErrCode(), msg::WriteError);
    EXPECT_FALSE(builder.PackEngineBusy());
    EXPECT_TRUE(sawBatchEnd());
    const std::size_t complete = builder.CompleteVolumes().size();
    ASSERT_GE(complete, 3u);
    EXPECT_EQ(volumeCount(), static_cast<int>(complete));  // the short last one is gone

    // Add cuts its temporary archive the same way, and takes it away after
    // the failure too.
    const std::string temp = out + "\\temp";
    ::CreateDirectoryA(temp.c_str(), nullptr);
    builder.SetTempDir(temp);
    builder.SetAddOptions({AddDirNames, AddRecurseDirs, AddDiskSpan});
    builder.SetDLLDirectory(realEngineDir());
    builder.SetZipFileName(out + "\\added.zip");
    ASSERT_TRUE(::SetCurrentDirectoryA(spanData("tree").c_str()));
    builder.FSpecArgs() = {"*.*"};
    {
        FailingEndRecord failing;
        builder.Add();
    }
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_EQ(builder.LastErrCode(), msg::WriteError);
    EXPECT_FALSE(builder.PackEngineBusy());
    EXPECT_TRUE(readTree(temp).files.empty());
}

// The smallest volume takes the largest piece that must stay whole (here a
// local header with a long extra field) and the set's marker: one byte less
// is refused before any volume is written, that size itself works.
TEST_F(Span, VolumesTooSmallForTheLargestHeaderAreRefusedBeforeAnythingIsWritten) {
    std::vector<std::uint8_t> extra;
    appendLe(extra, 0xCAFE, 2);
    appendLe(extra, 296, 2);
    extra.resize(300);
    const std::string archive = out + "\\long-extra.zip";
    const std::string bytes = storedArchive({{"readme.txt", std::string(700, 'r'), {}},
                                             {"aircraft/panel.cfg", std::string(900, 'p'), extra},
                                             {"docs/empty.txt", "", {}}});
    writeBytes(archive, bytes);
    const long smallest = 4 + 30 + 18 + 300;

    builder.SetMaxVolumeSize(smallest - 1);
    EXPECT_EQ(builder.WriteSpan(archive, set), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::VolumesTooSmall);
    EXPECT_EQ(builder.LastMessage(), "The volumes are too small for this archive: each must take at least " +
                                         std::to_string(smallest) + " bytes");
    EXPECT_EQ(volumeCount(), 0);
    EXPECT_FALSE(builder.PackEngineBusy());
    // The room kept free on the first volume comes on top.
    builder.SetKeepFreeOnDisk1(50);
    builder.SetMaxVolumeSize(smallest + 49);
    EXPECT_EQ(builder.WriteSpan(archive, set), -7);
    EXPECT_NE(builder.LastMessage().find(std::to_string(smallest + 50)), std::string::npos);
    EXPECT_EQ(volumeCount(), 0);

    builder.SetKeepFreeOnDisk1(0);
    builder.SetMaxVolumeSize(smallest);
    builder.SetMinFreeVolumeSize(smallest);
    ASSERT_EQ(builder.WriteSpan(archive, set), 0) << builder.LastMessage();
    const int count = volumeCount();
    ASSERT_GE(count, 5);
    for (int n = 1; n <= count; ++n) EXPECT_LE(fileSize(volume(n)), smallest) << n;
    std::string joined = out + "\\joined.zip";
    ASSERT_EQ(builder.ReadSpan(volume(count), joined), 0) << builder.LastMessage();
    EXPECT_TRUE(readBytes(joined) == bytes);
}

// From 65,535 entries on the counts live in the ZIP64 end record: the set
// keeps it (and its locator) on its last volume, the join writes it again.
TEST_F(Span, ASetOfSeventyThousandEntriesKeepsItsZip64RecordsAndJoinsBackWhole) {
    std::vector<StoredEntry> entries(70000);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].name = "f" + zeroPadded(static_cast<unsigned>(i), 5);
        entries[i].data = std::string(1, static_cast<char>('a' + i % 26));
    }
    const std::string archive = out + "\\many.zip";
    const std::string bytes = storedArchive(entries);
    writeBytes(archive, bytes);
    builder.SetMaxVolumeSize(1000000);
    ASSERT_EQ(builder.WriteSpan(archive, set), 0) << builder.LastMessage();
    const int count = volumeCount();
    ASSERT_GE(count, 6);

    useArchive(volume(count));
    EXPECT_EQ(builder.Count(), 70000);
    EXPECT_TRUE(messages.empty()) << messages.front().text;
    EXPECT_EQ(builder.DirEntries().back().fileName, "f69999");

    std::string joined = out + "\\joined.zip";
    ASSERT_EQ(builder.ReadSpan(volume(count), joined), 0) << builder.LastMessage();
    EXPECT_TRUE(readBytes(joined) == bytes);
}

// A disk that does not keep what it was given: the first volume changes
// after it was written, and the set is not reported as written.
TEST_F(Span, ASetThatDoesNotReadBackAsWrittenIsAFailure) {
    builder.SetMaxVolumeSize(100000);
    onEvent = [this](const Event& e) {
        if (e.type != pgFileStart || e.name != "Central directory") return;
        std::fstream first(volume(1), std::ios::in | std::ios::out | std::ios::binary);
        first.seekp(4);
        first.write("lost", 4);
    };
    EXPECT_EQ(builder.WriteSpan(spanData("small.zip"), set), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::SetDoesNotReadBack);
    EXPECT_EQ(builder.LastMessage(), "Volume " + volume(1) + " does not read back as it was written");
    EXPECT_FALSE(builder.PackEngineBusy());
    EXPECT_TRUE(sawBatchEnd());
}

bool failLargeWrites(const void*, std::size_t length) {
    return length < 64 * 1024;
}

// A joined archive that cannot be written (a full temporary folder) is a
// write error, not "Error while reading zipped data"; nothing is left.
TEST_F(Span, AJoinThatCannotWriteReportsAWriteErrorAndLeavesNothing) {
    builder.SetMaxVolumeSize(1000000);
    ASSERT_EQ(builder.WriteSpan(spanData("big.zip"), set), 0) << builder.LastMessage();
    const std::string folder = out + "\\joined\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    std::string joined = folder;
    const WriteCheck previous = setWriteCheck(failLargeWrites);
    const int result = builder.ReadSpan(volume(volumeCount()), joined);
    setWriteCheck(previous);
    EXPECT_EQ(result, -7);
    EXPECT_EQ(builder.LastErrCode(), msg::WriteError);
    EXPECT_EQ(builder.LastMessage(), "Write error in output file");
    EXPECT_TRUE(joined.empty());
    EXPECT_TRUE(readTree(folder).files.empty());
}

// A temporary folder without room for the joined archive fails the join
// before anything is copied, and leaves nothing; the other drives' figures
// are the system's.
TEST_F(Span, AJoinIntoAFolderWithoutRoomFailsBeforeCopying) {
    builder.SetMaxVolumeSize(100000);
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0) << builder.LastMessage();
    const std::string folder = out + "\\full\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<std::string> asked;
    const win32::DiskSpaceHandler previous = win32::setDiskSpaceHandler([&](const std::string& where) {
        asked.push_back(where);
        return win32::DiskSpace{where == folder ? 1000 : -1, -1};
    });
    events.clear();
    std::string joined = folder;
    const int result = builder.ReadSpan(volume(volumeCount()), joined);
    win32::setDiskSpaceHandler(previous);
    EXPECT_EQ(result, -7);
    EXPECT_EQ(builder.LastErrCode(), msg::NotEnoughFreeSpace);
    EXPECT_NE(std::find(asked.begin(), asked.end(), folder), asked.end());
    EXPECT_EQ(countOf(pgFileStart), 0u);
    EXPECT_TRUE(sawBatchEnd());
    EXPECT_TRUE(joined.empty());
    EXPECT_TRUE(readTree(folder).files.empty());
}

// An entry that claims 2.25 GiB: its size reaches OnProgress as the largest
// long, never negative (its data is not there, so the copy then fails).
TEST_F(Span, SizesOfTwoGibibytesAndMoreNeverReachOnProgressNegative) {
    std::vector<std::uint8_t> bytes, directory;
    TestHeader huge{.name = "huge.bin", .compressed = 0x90000000, .uncompressed = 0x90000000, .extra = {}};
    appendLocalHeader(bytes, huge);
    bytes.resize(bytes.size() + 10);
    appendCentralHeader(directory, huge);
    const auto directoryAt = static_cast<std::uint32_t>(bytes.size());
    bytes.insert(bytes.end(), directory.begin(), directory.end());
    appendEndRecord(bytes, {.entriesHere = 1,
                            .entries = 1,
                            .directorySize = static_cast<std::uint32_t>(directory.size()),
                            .directoryOffset = directoryAt});
    const std::string archive = out + "\\huge.zip";
    writeBytes(archive, std::string(bytes.begin(), bytes.end()));
    builder.SetMaxVolumeSize(100000);
    EXPECT_EQ(builder.WriteSpan(archive, set), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::ZippedDataReadError);
    ASSERT_FALSE(events.empty());
    for (const Event& e : events) EXPECT_GE(e.size, 0) << ::testing::PrintToString(e);
    EXPECT_NE(std::find(events.begin(), events.end(), Event{pgFileStart, "huge.bin", 0x7FFFFFFF}),
              events.end());
}

// Cancel during a join stops it at the next write without a box, and
// nothing of the joined archive is left; through Extract as well, which
// then extracts nothing.
TEST_F(Span, CancelStopsAJoinWithoutABoxAndLeavesNothing) {
    builder.SetMaxVolumeSize(100000);
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0) << builder.LastMessage();
    const std::string temp = out + "\\temp\\";
    ::CreateDirectoryA(temp.c_str(), nullptr);
    onEvent = [this](const Event& e) {
        if (e.type == pgFileStart) builder.SetCancel(true);
    };
    events.clear();
    std::string joined = temp;
    EXPECT_EQ(builder.ReadSpan(volume(volumeCount()), joined), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::UserCanceled);
    EXPECT_EQ(countOf(pgFileStart), 1u);
    EXPECT_TRUE(sawBatchEnd());
    EXPECT_TRUE(joined.empty());
    EXPECT_FALSE(builder.UnpackEngineBusy());

    const std::string tree = out + "\\tree";
    extractSet(temp, tree);
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_EQ(builder.LastErrCode(), msg::UserCanceled);
    EXPECT_EQ(countOf(pgFileStart), 1u);
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(readTree(temp).files.empty());
    EXPECT_TRUE(readTree(tree).files.empty());
}

TEST_F(Span, UnattendedWithTooLittleRoomFailsWithoutAsking) {
    builder.SetMaxVolumeSize(100000);
    builder.SetMinFreeVolumeSize(200000);
    builder.SetUnattended(true);
    EXPECT_EQ(builder.WriteSpan(spanData("small.zip"), set), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::UnattendedSpanning);
    EXPECT_EQ(builder.LastMessage(), "Unattended disk spanning not implemented");
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_FALSE(fileThere(volume(1)));
}

TEST_F(Span, AnExistingVolumeIsOverwrittenOnlyWhenTheUserSaysYes) {
    builder.SetMaxVolumeSize(100000);
    std::ofstream(volume(1)) << "older";
    AnsweredBoxes answers([](const std::string&, UINT) { return IDCANCEL; });
    EXPECT_EQ(builder.WriteSpan(spanData("small.zip"), set), -7);
    ASSERT_EQ(answers.seen.size(), 1u);
    EXPECT_EQ(answers.seen[0].text,
              "There is already a file " + volume(1) + "\nDo you want to overwrite this file");
    EXPECT_EQ(answers.seen[0].type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2));
    EXPECT_EQ(readBytes(volume(1)), "older");

    AnsweredBoxes yes([](const std::string&, UINT) { return IDYES; });
    EXPECT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0);
    EXPECT_EQ(readBytes(volume(1)).substr(0, 4), std::string(kMarker, 4));
}

// Which volume was named tells the user which one to choose instead.
TEST_F(Span, JoiningFromAnotherThanTheLastVolumeIsRefusedAndLeavesNothing) {
    builder.SetMaxVolumeSize(100000);
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0);
    const std::string folder = out + "\\joined\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    std::string joined = folder;
    EXPECT_EQ(builder.ReadSpan(volume(1), joined), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::FirstDiskOfSet);
    EXPECT_TRUE(joined.empty());
    joined = folder;
    EXPECT_EQ(builder.ReadSpan(volume(2), joined), -7);
    EXPECT_EQ(builder.LastMessage(),
              "This is the 2th disk in a backup set,\nplease insert the last disk of this set");
    EXPECT_TRUE(readTree(folder).files.empty());
    EXPECT_FALSE(builder.UnpackEngineBusy());

    useArchive(volume(1));
    EXPECT_EQ(builder.LastErrCode(), msg::FirstFileOfSet);
}

TEST_F(Span, ExtractJoinsTheSetAndLeavesNoTemporaryArchive) {
    builder.SetMaxVolumeSize(100000);
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0);
    const std::string temp = out + "\\temp";
    const std::string tree = out + "\\tree";
    extractSet(temp, tree);
    EXPECT_EQ(builder.ProcessedCount(), 7) << builder.LastMessage();
    EXPECT_TRUE(readTree(tree) == readTree(spanData("tree")))
        << ::testing::PrintToString(fileNames(readTree(tree)));
    EXPECT_TRUE(readTree(temp).files.empty());
    EXPECT_EQ(countOf(pgBatchEnd), 2u);  // the join's batch, then the engine's
}

TEST_F(Span, AddWritesASpannedSetThatExtractsToTheSameTree) {
    builder.SetMaxVolumeSize(100000);
    builder.SetAddOptions({AddDirNames, AddRecurseDirs, AddDiskSpan});
    builder.SetDLLDirectory(realEngineDir());
    builder.SetTempDir(out);
    builder.SetZipFileName(set);
    ASSERT_TRUE(::SetCurrentDirectoryA(spanData("tree").c_str()));
    builder.FSpecArgs() = {"*.*"};
    builder.Add();
    EXPECT_EQ(builder.ProcessedCount(), 7) << builder.LastMessage();
    const int count = volumeCount();
    ASSERT_GE(count, 3);
    const std::string tree = out + "\\tree";
    ::CreateDirectoryA(tree.c_str(), nullptr);
    builder.SetExtrBaseDir(tree);
    useArchive(volume(count));
    builder.Extract();
    EXPECT_EQ(builder.ProcessedCount(), 7) << builder.LastMessage();
    EXPECT_TRUE(readTree(tree) == readTree(spanData("tree")))
        << ::testing::PrintToString(fileNames(readTree(tree)));
    // Only the volumes and what was extracted: no temporary archive left.
    std::vector<std::string> left;
    for (const auto& [name, bytes] : readTree(out).files)
        if (name.find('\\') == std::string::npos) left.push_back(name);
    EXPECT_EQ(left.size(), static_cast<std::size_t>(count)) << ::testing::PrintToString(left);
}

// ---- A floppy drive of Wine's, its disks folders (tmpfs where possible) ----

class FloppySpan : public Span {
protected:
    void SetUp() override {
        drive.wipe();
        if (!drive.insert(1)) GTEST_SKIP() << "Wine's mount manager did not define drive A:";
        if (!drive.tmpfs()) {
            std::printf("disks are plain folders (%s): MaxVolumeSize limits them instead\n",
                        drive.mode().c_str());
            builder.SetMaxVolumeSize(1400000);
        }
        ASSERT_EQ(::GetDriveTypeA("A:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    }
    void TearDown() override { drive.wipe(); }

    // "Please insert disk volume 2 of 3..." → 2; 0 for other texts.
    static int askedVolume(const std::string& text) {
        int volume = 0;
        return std::sscanf(text.c_str(), "Please insert disk volume %d", &volume) == 1 ? volume : 0;
    }

    // Writes big.zip onto the disks, each prompt answered with its disk.
    int writeBigSet() {
        AnsweredBoxes answers([this](const std::string& text, UINT) {
            if (int n = askedVolume(text)) drive.insert(n);
            return IDOK;
        });
        return builder.WriteSpan(spanData("big.zip"), "A:\\big.zip");
    }

    FloppyDrive drive{disksFolder()};
};

TEST_F(FloppySpan, WritesThreeDisksAndJoinsThemAskingForTheLastFirstAndAWrongDiskAgain) {
    {
        AnsweredBoxes answers([this](const std::string& text, UINT) {
            if (int n = askedVolume(text)) drive.insert(n);
            return IDOK;
        });
        ASSERT_EQ(builder.WriteSpan(spanData("big.zip"), "A:\\big.zip"), 0) << builder.LastMessage();
        EXPECT_EQ(answers.texts(),
                  (std::vector<std::string>{"Please insert disk volume 1 of 3\nin drive: A",
                                            "Please insert disk volume 2 of 3\nin drive: A",
                                            "Please insert disk volume 3 of 3\nin drive: A"}));
    }
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(drive.label(n), spanVolumeLabel(n));
        EXPECT_GT(fileSize(drive.folder(n) + "\\big.zip"), 0);
    }
    EXPECT_FALSE(fileThere(drive.folder(4) + "\\big.zip"));

    drive.insert(1);
    int wrongDisks = 0;
    AnsweredBoxes answers([&](const std::string& text, UINT) {
        if (text.starts_with("Please insert last disk")) drive.insert(3);
        if (int n = askedVolume(text)) drive.insert(n == 1 && wrongDisks++ == 0 ? 2 : n);
        return IDOK;
    });
    std::string joined = out + "\\";
    ASSERT_EQ(builder.ReadSpan("A:\\big.zip", joined), 0) << builder.LastMessage();
    EXPECT_EQ(answers.texts(), (std::vector<std::string>{"Please insert last disk\nin drive: A",
                                                         "Please insert disk volume 1 of 3\nin drive: A",
                                                         "Please insert disk volume 1 of 3\nin drive: A",
                                                         "Please insert disk volume 2 of 3\nin drive: A",
                                                         "Please insert disk volume 3 of 3\nin drive: A"}));
    EXPECT_EQ(answers.seen[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_TRUE(readBytes(joined) == readBytes(spanData("big.zip")));
}

// A CD, a USB stick or a RAM disk holding a set's numbered files: each
// volume is found as a file there, nobody is asked for a disk by its label.
TEST_F(FloppySpan, NumberedVolumesOnARemovableDriveAreFoundAsFiles) {
    builder.SetMaxVolumeSize(100000);
    ASSERT_EQ(builder.WriteSpan(spanData("small.zip"), set), 0) << builder.LastMessage();
    const int count = volumeCount();
    ASSERT_GE(count, 3);
    for (int n = 1; n <= count; ++n)
        ASSERT_TRUE(::CopyFileA(volume(n).c_str(), volumeFileName("A:\\set.zip", n).c_str(), FALSE)) << n;
    AnsweredBoxes answers([](const std::string&, UINT) { return IDCANCEL; });
    const std::string last = volumeFileName("A:\\set.zip", count);
    std::string joined = out + "\\joined.zip";
    ASSERT_EQ(builder.ReadSpan(last, joined), 0) << builder.LastMessage();
    EXPECT_TRUE(readBytes(joined) == readBytes(spanData("small.zip")));
    useArchive(last);
    EXPECT_EQ(builder.Count(), 13);
    // The first volume named: the set's last file is asked for by name.
    useArchive(volumeFileName("A:\\set.zip", 1));
    EXPECT_EQ(builder.LastErrCode(), msg::FirstFileOfSet);
    // That error shown, and nothing asked.
    for (const SeenBox& box : answers.seen)
        EXPECT_EQ(box.type & MB_TYPEMASK, static_cast<UINT>(MB_OK)) << box.text;
}

TEST_F(FloppySpan, CancelAtAPromptKeepsTheCompleteDiskAndReportsTheBatchEnd) {
    AnsweredBoxes answers([this](const std::string& text, UINT) {
        const int n = askedVolume(text);
        if (n == 1) drive.insert(1);
        return n == 1 ? IDOK : IDCANCEL;
    });
    EXPECT_EQ(builder.WriteSpan(spanData("big.zip"), "A:\\big.zip"), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::UserCanceled);
    EXPECT_EQ(answers.seen.size(), 2u);  // the two prompts, no error box
    EXPECT_TRUE(sawBatchEnd());
    EXPECT_EQ(builder.CompleteVolumes(), std::vector<std::string>{"A:\\big.zip"});
    EXPECT_GT(fileSize(drive.folder(1) + "\\big.zip"), 1000000);
    EXPECT_FALSE(fileThere(drive.folder(2) + "\\big.zip"));
}

TEST_F(FloppySpan, UnattendedNeverPrompts) {
    builder.SetUnattended(true);
    AnsweredBoxes answers([](const std::string&, UINT) { return IDOK; });
    EXPECT_EQ(builder.WriteSpan(spanData("big.zip"), "A:\\big.zip"), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::UnattendedSpanning);
    EXPECT_TRUE(answers.seen.empty());
    EXPECT_FALSE(fileThere(drive.folder(1) + "\\big.zip"));
    EXPECT_TRUE(sawBatchEnd());
}

TEST_F(FloppySpan, ADiskWithTooLittleRoomIsRefusedUntilTheUserGivesUp) {
    builder.SetMinFreeVolumeSize(2000000);
    int refusals = 0;
    AnsweredBoxes answers([&](const std::string& text, UINT) {
        if (text != kSpaceText) return IDOK;
        return ++refusals < 2 ? IDRETRY : IDCANCEL;
    });
    EXPECT_EQ(builder.WriteSpan(spanData("big.zip"), "A:\\big.zip"), -7);
    EXPECT_EQ(refusals, 2);
    EXPECT_EQ(builder.LastErrCode(), msg::UserCanceled);
    EXPECT_FALSE(fileThere(drive.folder(1) + "\\big.zip"));
    for (const SeenBox& box : answers.seen)
        if (box.text == kSpaceText) {
            EXPECT_EQ(box.type, static_cast<UINT>(MB_RETRYCANCEL | MB_ICONERROR));
        }
}

TEST_F(FloppySpan, FormattingGoesThroughTheShellAndItsCancelStopsTheSpanning) {
    builder.SetAddOptions({AddDiskSpanErase});
    std::vector<UINT> drives;
    DWORD answer = win32::kFormatCancelled;
    auto previous = win32::setFormatDriveHandler([&](const win32::FormatDriveRequest& r) {
        drives.push_back(r.drive);
        EXPECT_EQ(builder.VolumeLabel(), spanVolumeLabel(static_cast<int>(drives.size())));
        return answer;
    });
    EXPECT_EQ(writeBigSet(), -7);
    EXPECT_EQ(builder.LastErrCode(), msg::UserCanceled);
    EXPECT_EQ(drives, std::vector<UINT>{0});

    answer = win32::kFormatFailed;
    drives.clear();
    EXPECT_EQ(writeBigSet(), -7);
    EXPECT_EQ(builder.LastMessage(), "User canceled operation");

    drives.clear();
    answer = win32::kFormatNotDone;  // what Wine's shell answers: nothing formatted, go on
    EXPECT_EQ(writeBigSet(), 0) << builder.LastMessage();
    EXPECT_EQ(drives, (std::vector<UINT>{0, 0, 0}));
    win32::setFormatDriveHandler(std::move(previous));
}

}  // namespace
}  // namespace tavrix::archive
