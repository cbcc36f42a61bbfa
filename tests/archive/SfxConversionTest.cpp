// The self-extractor conversions of the component, under Wine, with a
// stand-in stub file and the shell's delete answered by a recording seam.
#include "archive/ConversionResults.h"
#include "archive/ShellDelete.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/archive/ComponentTestSupport.h"

#include <filesystem>
#include <fstream>

namespace tavrix::archive::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBlock = 256;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
void spit(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::uint32_t le32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

class Conversion : public ComponentFixture {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        work_ = fs::current_path() / "sfx-work" / info->name();
        fs::remove_all(work_);
        fs::create_directories(work_);
        stub_ = std::string(1000, 'S');  // the stub is copied, never run here
        spit(work_ / "stub.bin", stub_);
        builder.SetSFXPath(path("stub.bin"));
        builder.SetUnattended(true);
        previousDelete_ = setShellDeleteHandler([this](const std::string& name, bool allowUndo) {
            erased.push_back({name, allowUndo});
            return ::DeleteFileA(name.c_str()) ? 0 : 2;
        });
    }
    void TearDown() override {
        setShellDeleteHandler(std::move(previousDelete_));
        fs::remove_all(work_);
    }
    std::string path(const std::string& name) const { return (work_ / name).string(); }
    std::string copyCorpus(const std::string& corpusName, const std::string& as) {
        fs::copy_file(fs::path("corpus/good") / corpusName, work_ / as);
        return path(as);
    }
    std::vector<std::uint32_t> localOffsets() const {
        std::vector<std::uint32_t> out;
        for (const auto& e : builder.DirEntries()) out.push_back(e.header.localHeaderOffset);
        return out;
    }

    struct Erased {
        std::string name;
        bool allowUndo;
        bool operator==(const Erased&) const = default;
    };
    std::vector<Erased> erased;
    fs::path work_;
    std::string stub_;
    ShellDeleteHandler previousDelete_;
};

TEST_F(Conversion, ZipBecomesExeWithEveryOffsetMovedByStubAndBlock) {
    const std::string original = slurp("corpus/good/plain.zip");
    builder.SetZipFileName(copyCorpus("plain.zip", "plain.zip"));
    const auto before = localOffsets();
    ASSERT_EQ(before.size(), 2u);

    EXPECT_EQ(builder.ConvertSFX(), kConvertOk);
    EXPECT_EQ(builder.ZipFileName(), path("plain.exe"));
    EXPECT_FALSE(fs::exists(work_ / "plain.zip"));
    EXPECT_EQ(erased, (std::vector<Erased>{{path("plain.zip"), true}}));
    EXPECT_EQ(builder.Count(), 2);
    const std::uint32_t shift = static_cast<std::uint32_t>(stub_.size() + kBlock);
    EXPECT_EQ(localOffsets(), (std::vector<std::uint32_t>{before[0] + shift, before[1] + shift}));
    EXPECT_EQ(builder.ArchiveDataStart(), static_cast<std::int64_t>(shift));
    EXPECT_FALSE(builder.StructureWarning());

    const std::string exe = slurp(work_ / "plain.exe");
    ASSERT_EQ(exe.size(), original.size() + shift);
    EXPECT_EQ(exe.substr(0, stub_.size()), stub_);
    // The end record: same counts, directory offset moved.
    const std::size_t end = exe.size() - 22;
    EXPECT_EQ(le32(exe, end), 0x06054b50u);
    EXPECT_EQ(le32(exe, end + 16), le32(original, original.size() - 6) + shift);
    // Everything in front of the directory is the archive's own bytes.
    const std::uint32_t directory = le32(original, original.size() - 6);
    EXPECT_EQ(exe.substr(shift, directory), original.substr(0, directory));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Conversion, SettingsBlockByteForByte) {
    builder.SetZipFileName(copyCorpus("plain.zip", "a.ZIP"));
    builder.SetSFXCaption("Cub");
    builder.SetSFXDefaultDir("C:\\FS");
    builder.SetSFXCommandLine("go.exe");
    builder.SetSFXOptions({SFXAskFiles, SFXAutoRun, SFXHideOverWriteBox, SFXAskCmdLine});
    builder.SetSFXOverWriteMode(OvrNever);
    ASSERT_EQ(builder.ConvertSFX(), kConvertOk);
    const std::string block = slurp(work_ / "a.exe").substr(stub_.size(), kBlock);
    const std::string head = std::string("MPU") + char(0x01 | 0x02 | 0x04 | 0x10 | 0x20 | 0x40) + char(3) +
                             char(5) + char(6) + "CubC:\\FSgo.exe";
    EXPECT_EQ(block, head + std::string(kBlock - head.size(), '\0'));
}

TEST_F(Conversion, OptionByteOfDefaultsAndOfEmptyOptionsAndOverwriteModes) {
    struct Case {
        const char* label;
        SFXOpts options;
        OvrOpts mode;
        std::uint8_t byte;
    };
    const Case cases[] = {
        {"defaults", SFXOpts{SFXCheckSize}, OvrConfirm, 0x00},
        {"empty", SFXOpts{}, OvrConfirm, 0x20},
        {"always", SFXOpts{SFXCheckSize}, OvrAlways, 0x08},
        {"never", SFXOpts{SFXCheckSize}, OvrNever, 0x10},
    };
    for (const Case& c : cases) {
        builder.SetZipFileName(copyCorpus("plain.zip", std::string(c.label) + ".zip"));
        builder.SetSFXOptions(c.options);
        builder.SetSFXOverWriteMode(c.mode);
        ASSERT_EQ(builder.ConvertSFX(), kConvertOk) << c.label;
        const std::string exe = slurp(work_ / (std::string(c.label) + ".exe"));
        EXPECT_EQ(exe.substr(stub_.size(), 3), "MPU") << c.label;
        EXPECT_EQ(static_cast<std::uint8_t>(exe[stub_.size() + 3]), c.byte) << c.label;
    }
}

TEST_F(Conversion, StringsOf249BytesFitAnd250AreRefused) {
    builder.SetZipFileName(copyCorpus("plain.zip", "s.zip"));
    builder.SetSFXCaption(std::string(200, 'c'));
    builder.SetSFXDefaultDir(std::string(49, 'd'));
    builder.SetSFXCommandLine("x");
    EXPECT_EQ(builder.ConvertSFX(), kConvertRefused);
    EXPECT_EQ(builder.LastErrCode(), 10801);
    EXPECT_EQ(builder.LastMessage(),
              "Error - On or more of the 4 property strings mentioned below exceeds 255 characters!"
              "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine = 250");
    EXPECT_FALSE(fs::exists(work_ / "s.exe"));
    EXPECT_TRUE(fs::exists(work_ / "s.zip"));

    builder.SetSFXCommandLine("");
    ASSERT_EQ(builder.ConvertSFX(), kConvertOk);
    const std::string block = slurp(work_ / "s.exe").substr(stub_.size(), kBlock);
    EXPECT_EQ(static_cast<std::uint8_t>(block[4]), 200);
    EXPECT_EQ(static_cast<std::uint8_t>(block[5]), 49);
    EXPECT_EQ(block.substr(7), std::string(200, 'c') + std::string(49, 'd'));
}

TEST_F(Conversion, PreconditionsOfTheConversionForm) {
    builder.SetZipFileName(path("missing.zip"));
    EXPECT_EQ(builder.ConvertSFX(), kConvertRefused);
    EXPECT_EQ(builder.LastErrCode(), 10102);

    builder.SetZipFileName(copyCorpus("plain.zip", "plain.qzp"));
    EXPECT_EQ(builder.ConvertSFX(), kConvertRefused);
    EXPECT_EQ(builder.LastErrCode(), 10803);
    EXPECT_EQ(builder.LastMessage(), "Error: input file is not a zip file");
    EXPECT_FALSE(fs::exists(work_ / "plain.exe"));
    EXPECT_TRUE(erased.empty());
}

TEST_F(Conversion, StubIsSearchedInOrderAndRemembered) {
    builder.SetZipFileName(copyCorpus("plain.zip", "p.zip"));
    builder.SetSFXPath(path("nowhere.bin"));
    EXPECT_EQ(builder.ConvertSFX(), kConvertRefused);
    EXPECT_EQ(builder.LastErrCode(), 10802);
    EXPECT_EQ(builder.LastMessage(), "Error - PACKSFX.BIN not found!");

    // DLLDirectory is the last place looked at...
    fs::create_directories(work_ / "engines");
    spit(work_ / "engines" / "PACKSFX.BIN", "from DLLDirectory");
    builder.SetDLLDirectory(path("engines") + "\\");
    ASSERT_EQ(builder.ConvertSFX(), kConvertOk);
    EXPECT_EQ(builder.SFXPath(), path("engines") + "\\PACKSFX.BIN");
    EXPECT_EQ(slurp(work_ / "p.exe").substr(0, 17), "from DLLDirectory");

    // ...the current folder the first.
    builder.SetZipFileName(copyCorpus("plain.zip", "q.zip"));
    builder.SetSFXPath("");
    const fs::path previous = fs::current_path();
    spit(work_ / "PACKSFX.BIN", "from the current folder");
    fs::current_path(work_);
    const int result = builder.ConvertSFX();
    fs::current_path(previous);
    ASSERT_EQ(result, kConvertOk);
    EXPECT_EQ(builder.SFXPath(), "PACKSFX.BIN");
    EXPECT_EQ(slurp(work_ / "q.exe").substr(0, 23), "from the current folder");
}

TEST_F(Conversion, ArchiveWithAPrefixAlreadyIsAppendedUnchanged) {
    // Its offsets do not count the 20 bytes in front (structure warning).
    const std::string original = slurp("corpus/good/stub20.zip");
    builder.SetZipFileName(copyCorpus("stub20.zip", "stub20.zip"));
    ASSERT_TRUE(builder.StructureWarning());
    ASSERT_EQ(builder.ConvertSFX(), kConvertOk);
    const std::string exe = slurp(work_ / "stub20.exe");
    EXPECT_EQ(exe.substr(stub_.size() + kBlock), original);
}

TEST_F(Conversion, RoundTripGivesTheSameArchiveBack) {
    for (const char* name : {"plain.zip", "comment10.zip", "entry_comment.zip", "empty.zip"}) {
        const std::string original = slurp(fs::path("corpus/good") / name);
        builder.SetZipFileName(copyCorpus(name, name));
        const auto entries = builder.Count();
        const auto offsets = localOffsets();
        ASSERT_EQ(builder.ConvertSFX(), kConvertOk) << name;
        ASSERT_EQ(builder.ConvertZIP(), kConvertOk) << name;
        EXPECT_EQ(builder.ZipFileName(), path(name)) << name;
        EXPECT_EQ(slurp(work_ / name), original) << name;
        EXPECT_EQ(builder.Count(), entries) << name;
        EXPECT_EQ(localOffsets(), offsets) << name;
        EXPECT_FALSE(fs::exists(fs::path(builder.ZipFileName()).replace_extension(".exe"))) << name;
    }
}

TEST_F(Conversion, ConvertZipRefusesAnExeWithoutPrefixAndWritesNothing) {
    builder.SetZipFileName(copyCorpus("plain.zip", "plain.exe"));
    ASSERT_EQ(builder.ArchiveDataStart(), 0);
    EXPECT_EQ(builder.ConvertZIP(), kConvertRefused);
    EXPECT_EQ(builder.LastErrCode(), 10903);
    EXPECT_EQ(builder.LastMessage(), "Error determining the type of SFX archive");
    EXPECT_FALSE(fs::exists(work_ / "plain.zip"));
    EXPECT_TRUE(fs::exists(work_ / "plain.exe"));

    builder.SetZipFileName(path("gone.exe"));
    EXPECT_EQ(builder.ConvertZIP(), kConvertReadFailed);
    EXPECT_EQ(builder.LastErrCode(), 10901);
    builder.SetZipFileName(copyCorpus("plain.zip", "plain.zip"));
    EXPECT_EQ(builder.ConvertZIP(), kConvertReadFailed);
    EXPECT_EQ(builder.LastErrCode(), 10902);
    EXPECT_TRUE(erased.empty());
}

TEST_F(Conversion, ConvertZipOfAnUnmovedPrefixCopiesFromTheDataOn) {
    builder.SetZipFileName(copyCorpus("stub20.zip", "old.exe"));
    ASSERT_EQ(builder.ArchiveDataStart(), 20);
    ASSERT_EQ(builder.ConvertZIP(), kConvertOk);
    EXPECT_EQ(slurp(work_ / "old.zip"), slurp("corpus/good/stub20.zip").substr(20));
}

TEST_F(Conversion, CreationFormWritesStubBlockAndAnEmptyArchive) {
    builder.SetZipFileName(path("New.EXE"));
    ASSERT_EQ(builder.ConvertSFX(true), kConvertOk);
    const std::string exe = slurp(work_ / "New.EXE");
    ASSERT_EQ(exe.size(), stub_.size() + kBlock + 22);
    EXPECT_EQ(le32(exe, stub_.size() + kBlock), 0x06054b50u);
    EXPECT_EQ(exe.substr(stub_.size() + kBlock + 4, 12), std::string(12, '\0'));  // no entries, no directory
    EXPECT_EQ(le32(exe, stub_.size() + kBlock + 16), stub_.size() + kBlock);
    builder.SetZipFileName(path("New.EXE"));
    EXPECT_EQ(builder.Count(), 0);
    EXPECT_EQ(builder.LastErrCode(), 0);

    // A stub that cannot be read leaves no output behind.
    builder.SetSFXPath(path("New.EXE"));  // held open for writing below
    const HANDLE busy =
        ::CreateFileA(path("New.EXE").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    builder.SetZipFileName(path("Other.exe"));
    EXPECT_EQ(builder.ConvertSFX(true), kConvertReadFailed);
    ::CloseHandle(busy);
    EXPECT_FALSE(fs::exists(work_ / "Other.exe"));
}

TEST_F(Conversion, FailedConversionLeavesTheSourceAndNoOutput) {
    // A directory that claims more entries than it holds: the copy fails.
    std::string damaged = slurp("corpus/good/plain.zip");
    damaged[damaged.size() - 12] = 3;  // total entries
    damaged[damaged.size() - 14] = 3;  // entries on this disk
    spit(work_ / "bad.zip", damaged);
    builder.SetZipFileName(path("bad.zip"));
    const int result = builder.ConvertSFX();
    EXPECT_LT(result, 0);
    EXPECT_FALSE(fs::exists(work_ / "bad.exe"));
    EXPECT_EQ(slurp(work_ / "bad.zip"), damaged);
    EXPECT_TRUE(erased.empty());
}

TEST_F(Conversion, EraseFileGoesThroughTheShell) {
    spit(work_ / "x.txt", "x");
    EXPECT_EQ(builder.EraseFile(path("missing.txt"), htdFinal), -1);
    EXPECT_EQ(builder.EraseFile(path("x.txt"), htdFinal), 0);
    EXPECT_EQ(erased, (std::vector<Erased>{{path("x.txt"), false}}));
    EXPECT_FALSE(fs::exists(work_ / "x.txt"));
}

TEST_F(Conversion, CopyFileCopiesBytesAndDate) {
    spit(work_ / "src.bin", std::string(20000, 'q'));
    spit(work_ / "dst.bin", "older and shorter");
    const auto stamp = fs::last_write_time(work_ / "src.bin") - std::chrono::hours(48);
    fs::last_write_time(work_ / "src.bin", stamp);
    EXPECT_EQ(builder.CopyFileA(path("src.bin"), path("dst.bin")), kCopyOk);
    EXPECT_EQ(slurp(work_ / "dst.bin"), std::string(20000, 'q'));
    EXPECT_EQ(fs::last_write_time(work_ / "dst.bin"), stamp);
    EXPECT_EQ(erased, (std::vector<Erased>{{path("dst.bin"), true}}));

    EXPECT_EQ(builder.CopyFileA(path("none.bin"), path("dst2.bin")), kCopySourceNotOpened);
    EXPECT_EQ(builder.CopyFileA(path("src.bin"), path("no\\such\\dst.bin")), kCopyNotCreated);
    EXPECT_FALSE(fs::exists(work_ / "dst2.bin"));
}

}  // namespace
}  // namespace tavrix::archive::testing
