// The component's published face and its listing of archives.
#include "archive/MessageIds.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/archive/ComponentTestSupport.h"
#include "tests/archive/CorpusCases.h"

#include <filesystem>

namespace tavrix::archive {
namespace {

using namespace testing;

TEST(Properties, ConstructorSetsTheDeclaredDefaults) {
    TArchiveBuilder b;
    EXPECT_FALSE(b.Verbose());
    EXPECT_FALSE(b.Trace());
    EXPECT_EQ(b.AddCompLevel(), 9);
    EXPECT_TRUE(b.AddOptions().empty());
    EXPECT_TRUE(b.ExtrOptions().empty());
    EXPECT_EQ(b.SFXOptions(), SFXOpts{SFXCheckSize});
    EXPECT_EQ(b.SFXOverWriteMode(), OvrConfirm);
    EXPECT_EQ(b.SFXCaption(), "Self-extracting Archive");
    EXPECT_EQ(b.MinFreeVolumeSize(), 65536);
    EXPECT_EQ(b.MaxVolumeSize(), 0);
    EXPECT_EQ(b.KeepFreeOnDisk1(), 0);
    EXPECT_TRUE(b.ConfirmErase());
    EXPECT_FALSE(b.Unattended());
    EXPECT_EQ(b.CodePage(), cpAUTO);
    EXPECT_EQ(b.HowToDelete(), htdAllowUndo);
    EXPECT_EQ(b.VersionInfo(), "1.52 M");
    EXPECT_TRUE(b.ZipFileName().empty() && b.DLLDirectory().empty() && b.TempDir().empty());
    EXPECT_EQ(b.Count(), 0);
    EXPECT_FALSE(b.Designing());
    EXPECT_EQ(b.UnpackDllHandle(), nullptr);
    EXPECT_EQ(b.PackDllHandle(), nullptr);
    EXPECT_EQ(b.LastErrCode(), 0);
}

TEST(Properties, SettersKeepTheirRules) {
    TArchiveBuilder b;
    b.SetVersionInfo("2.0");
    EXPECT_EQ(b.VersionInfo(), "1.52 M");
    b.SetMaxVolumeSize(100000);
    b.SetMaxVolumeSize(-1);
    EXPECT_EQ(b.MaxVolumeSize(), 100000);
    b.SetMinFreeVolumeSize(0);
    b.SetMinFreeVolumeSize(-3);
    EXPECT_EQ(b.MinFreeVolumeSize(), 65536);
    b.SetKeepFreeOnDisk1(-5);
    EXPECT_EQ(b.KeepFreeOnDisk1(), 0);
    b.SetKeepFreeOnDisk1(0);
    EXPECT_EQ(b.KeepFreeOnDisk1(), 0);
    b.SetDLLDirectory("C:\\engines\\\\");
    EXPECT_EQ(b.DLLDirectory(), "C:\\engines\\");  // one backslash only
    b.SetDLLDirectory("C:\\engines");
    EXPECT_EQ(b.DLLDirectory(), "C:\\engines");

    std::vector<std::string> specs{"a.txt", "b.txt"};
    b.SetFSpecArgs(specs);
    specs[0] = "changed";
    EXPECT_EQ(b.FSpecArgs()[0], "a.txt");
}

TEST(Properties, OptionSetsUseOneBitPerMemberInDeclarationOrder) {
    EXPECT_EQ((AddOpts{AddDirNames, AddDiskSpanErase}.bits()), 0x801);
    EXPECT_EQ((ExtrOpts{ExtrTest}.bits()), 0x10);
    EXPECT_EQ((SFXOpts{SFXAskCmdLine, SFXCheckSize}.bits()), 0x11);
    AddOpts set{AddMove};
    EXPECT_TRUE(set.include(AddEncrypt).has(AddEncrypt));
    EXPECT_FALSE(set.exclude(AddMove).has(AddMove));
}

TEST(Properties, EventsBindMethodsWithTheSenderFirst) {
    struct Page {
        TArchiveBuilder* seen = nullptr;
        void ArchiveBuilder1DirUpdate(TArchiveBuilder* sender) { seen = sender; }
    } page;
    TArchiveBuilder b;
    b.OnDirUpdate = BindEvent(&Page::ArchiveBuilder1DirUpdate, &page);
    b.SetZipFileName("no-such-archive.zip");
    EXPECT_EQ(page.seen, &b);
}

class Listing : public ComponentFixture {
protected:
    Listing() {
        builder.OnDirUpdate = [this](TArchiveBuilder* sender) {
            EXPECT_EQ(sender, &builder);
            ++dirUpdates;
        };
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : builder.DirEntries()) out.push_back(e.fileName);
        return out;
    }
    int dirUpdates = 0;
};

TEST_F(Listing, AssigningTheFileNameListsAtOnce) {
    builder.SetZipFileName("corpus\\good\\plain.zip");
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_EQ(builder.Count(), 2);
    EXPECT_EQ(names(), (std::vector<std::string>{"readme.txt", "docs\\guide.txt"}));
    const auto size = std::filesystem::file_size("corpus/good/plain.zip");
    EXPECT_EQ(builder.ArchiveFileSize(), size);
    EXPECT_EQ(builder.ArchiveEnd(), size);
    EXPECT_EQ(builder.EndOfCentralOffset(), size - 22);
    EXPECT_EQ(builder.ArchiveDataStart(), 0);
    EXPECT_EQ(builder.LastDiskNumber(), 0);
    EXPECT_FALSE(builder.SpannedArchive());
    EXPECT_EQ(builder.DriveRoot().size(), 3u);
    EXPECT_EQ(builder.DriveRoot().substr(1), ":\\");
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Listing, MissingFileGivesAnEmptyListAndNoMessage) {
    builder.SetZipFileName("corpus\\good\\plain.zip");
    builder.SetZipFileName("corpus\\good\\absent.zip");
    EXPECT_EQ(dirUpdates, 2);
    EXPECT_EQ(builder.Count(), 0);
    EXPECT_TRUE(builder.DirEntries().empty());
    EXPECT_TRUE(messages.empty());
    builder.SetZipFileName("");
    EXPECT_EQ(builder.Count(), 0);
}

TEST_F(Listing, WarningsAreShownAndTheListingGoesOn) {
    builder.SetZipFileName("corpus\\good\\garbage100.zip");
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Warning - Garbage at the end of the zipfile!"});
    EXPECT_EQ(builder.Count(), 2);
    EXPECT_EQ(builder.ArchiveEnd(), builder.ArchiveFileSize() - 100);
    EXPECT_EQ(dirUpdates, 1);

    builder.SetZipFileName("corpus\\good\\stub20.zip");
    EXPECT_EQ(boxes.texts.back(), "Warning - Error in zip structure!");
    EXPECT_TRUE(builder.StructureWarning());
    EXPECT_EQ(builder.ArchiveDataStart(), 20);
    EXPECT_EQ(builder.Count(), 2);
    EXPECT_EQ(builder.LastErrCode(), msg::StructureWarning);
}

TEST_F(Listing, EmptyArchiveAndCommentedArchive) {
    builder.SetZipFileName("corpus\\good\\empty.zip");
    EXPECT_EQ(builder.Count(), 0);
    EXPECT_EQ(builder.ArchiveDataStart(), 0);
    EXPECT_EQ(dirUpdates, 1);
    builder.SetZipFileName("corpus\\good\\comment10.zip");
    EXPECT_EQ(builder.ZipComment(), "0123456789");
    EXPECT_EQ(builder.EndOfCentralOffset(), builder.ArchiveFileSize() - 32);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Listing, OemNamesAreConvertedBySystemOnlyForTheirHosts) {
    builder.SetZipFileName("corpus\\good\\fat_oem.zip");
    EXPECT_EQ(names(), std::vector<std::string>{"M\xFCller\\\xF6l.txt"});
    char text[] = "\x81-\x94";
    builder.ConvertOem2Iso(text);  // last header came from a FAT host
    EXPECT_STREQ(text, "\xFC-\xF6");
    builder.SetZipFileName("corpus\\good\\unix_high.zip");
    EXPECT_EQ(names(), std::vector<std::string>{"M\x81ller\\\x94l.txt"});
    char unchanged[] = "\x81";
    builder.ConvertOem2Iso(unchanged);
    EXPECT_STREQ(unchanged, "\x81");
}

TEST_F(Listing, DirectoryOnAnotherDiskIsReportedWithoutAsking) {
    builder.SetUnattended(true);
    builder.SetZipFileName("corpus\\bad\\directory_on_other_disk.zip");
    EXPECT_EQ(builder.LastErrCode(), msg::InsertVolume);
    EXPECT_EQ(builder.LastMessage(), "Please insert disk volume 1");
    EXPECT_EQ(builder.LastDiskNumber(), 2);
    EXPECT_TRUE(builder.SpannedArchive());
    EXPECT_EQ(dirUpdates, 0);
}

TEST_F(Listing, EndRecordSearchWithoutRaisingReportsAnUnopenableFile) {
    builder.SetZipFileName("corpus\\good\\absent.zip");
    ZipEndOfCentral end{};
    EXPECT_FALSE(builder.CheckIfLastDisk(end, false));
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Zip file could not be opened"});
}

class DamagedArchiveListing : public Listing, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedArchiveListing, EndsWithItsMessageKeepsWhatWasReadAndReturns) {
    const auto& c = GetParam();
    builder.SetUnattended(true);
    builder.SetZipFileName(std::string("corpus\\bad\\") + c.file + ".zip");
    EXPECT_EQ(builder.LastErrCode(), c.errorId != 0 ? c.errorId : c.warningId);
    EXPECT_EQ(builder.DirEntries().size(), c.entriesKept);
    EXPECT_EQ(dirUpdates, c.errorId == 0 ? 1 : 0);
    EXPECT_EQ(messages.size(), (c.errorId != 0) + (c.warningId != 0) + 0u);
    EXPECT_TRUE(boxes.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedArchiveListing, ::testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return damageTestName(info.param); });

TEST_F(Listing, PeerArchivesListLikeZipinfo) {
    std::size_t checked = 0;
    for (const auto& item : std::filesystem::directory_iterator("real")) {
        if (item.path().extension() != ".zip") continue;
        SCOPED_TRACE(item.path().filename().string());
        auto peer =
            readPeerListing(std::filesystem::path(item.path()).replace_extension(".expected").string());
        builder.SetZipFileName("real\\" + item.path().filename().string());
        ASSERT_EQ(builder.Count(), static_cast<int>(peer.count));
        EXPECT_EQ(builder.ZipComment(), peer.comment);
        for (std::size_t i = 0; i < peer.count; ++i) {
            std::string name = peer.entries[i].name;
            std::replace(name.begin(), name.end(), '/', '\\');
            EXPECT_EQ(builder.DirEntries()[i].fileName, name);
            EXPECT_EQ(builder.DirEntries()[i].header.compressedSize, peer.entries[i].compressed);
        }
        ++checked;
    }
    EXPECT_EQ(checked, 7u);
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace tavrix::archive
