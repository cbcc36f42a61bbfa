// The stub's readings: the settings block byte for byte, its own image's end,
// where its archive starts, and its command line.
#include <gtest/gtest.h>

#include "common/SfxSettingsBlock.h"
#include "common/support/RandomAccessInput.h"
#include "sfx/CommandLine.h"
#include "sfx/Payload.h"
#include "sfx/PeImage.h"
#include "tests/engines/ZipBuilder.h"
#include "tests/sfx/FakeStub.h"

namespace tavrix::sfx {
namespace {

using sfxtest::fakeStub;

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(SettingsBlock, LaysOutHeaderAndStringsByteForByte) {
    SfxSettings s;
    s.options = kOptAskFiles | kOptOverwriteNever | kOptAutoRun;
    s.caption = "Cub";
    s.defaultDir = "C:\\FS";
    s.commandLine = "go.exe";
    const auto block = buildSettingsBlock(s);
    ASSERT_TRUE(block);
    const std::string expectedStart =
        std::string("MPU") + char(0x52) + char(3) + char(5) + char(6) + "CubC:\\FSgo.exe";
    EXPECT_EQ(std::string(block->begin(), block->begin() + expectedStart.size()), expectedStart);
    for (std::size_t i = expectedStart.size(); i < kSettingsBlockSize; ++i) ASSERT_EQ((*block)[i], 0) << i;

    const auto back = parseSettingsBlock(*block);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->options, s.options);
    EXPECT_EQ(back->caption, "Cub");
    EXPECT_EQ(back->defaultDir, "C:\\FS");
    EXPECT_EQ(back->commandLine, "go.exe");
    EXPECT_EQ(back->overwriteMode(), OverwriteMode::kNever);
    EXPECT_TRUE(back->checkSize());
}

TEST(SettingsBlock, StringsFillTheBlockUpTo249Bytes) {
    SfxSettings s;
    s.caption = std::string(200, 'c');
    s.defaultDir = std::string(49, 'd');
    const auto block = buildSettingsBlock(s);
    ASSERT_TRUE(block);
    EXPECT_EQ((*block)[255], 'd');
    const auto back = parseSettingsBlock(*block);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->defaultDir, s.defaultDir);

    s.commandLine = "x";  // 250 together
    EXPECT_FALSE(buildSettingsBlock(s));
}

TEST(SettingsBlock, OptionBitsGiveTheOverwriteModeAndSizeCheck) {
    SfxSettings s;
    EXPECT_EQ(s.overwriteMode(), OverwriteMode::kConfirm);
    s.options = kOptOverwriteAlways;
    EXPECT_EQ(s.overwriteMode(), OverwriteMode::kAlways);
    s.options = kOptOverwriteAlways | kOptOverwriteNever;  // never written; the safer one wins
    EXPECT_EQ(s.overwriteMode(), OverwriteMode::kNever);
    s.options = kOptNoCheckSize;
    EXPECT_FALSE(s.checkSize());
}

TEST(SettingsBlock, RefusesWhatIsNoBlock) {
    SfxSettings s;
    s.caption = "abc";
    const SettingsBlock good = *buildSettingsBlock(s);
    struct Case {
        const char* label;
        std::size_t at;
        std::uint8_t value;
        std::size_t length;
    };
    const Case cases[] = {
        {"wrong signature", 2, 'X', kSettingsBlockSize},
        {"lengths over 249", 6, 250, kSettingsBlockSize},
        {"each length fine, sum too large", 5, 247, kSettingsBlockSize},
        {"one byte short", 0, 'M', kSettingsBlockSize - 1},
        {"nothing", 0, 'M', 0},
    };
    for (const Case& c : cases) {
        SettingsBlock bad = good;
        bad[c.at] = c.value;
        EXPECT_FALSE(parseSettingsBlock(std::span(bad).first(c.length))) << c.label;
    }
}

TEST(PeImage, EndsAtTheLastSectionsRawData) {
    const std::string image = fakeStub({{0x400, 0x200}, {0x1000, 0x300}, {0x600, 0x100}, {0x2000, 0}});
    EXPECT_EQ(peImageEnd(bytesOf(image), image.size() + 1000), 0x1300u);
}

TEST(PeImage, RefusesDamagedHeaders) {
    const std::string good = fakeStub({{0x400, 0x200}});
    struct Case {
        const char* label;
        std::size_t at;
        char value;
        std::uint64_t fileSize;
    };
    const Case cases[] = {
        {"no MZ", 0, 'X', good.size()},
        {"no PE signature", 0x81, 'X', good.size()},
        {"new header offset outside", 0x3F, 0x7F, good.size()},
        {"no sections", 0x86, 0, good.size()},
        {"section beyond the file", 0x80 + 24 + 224 + 19, 0x10, good.size()},
        {"file shorter than the image", 0, 'M', good.size() - 1},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        bad[c.at] = c.value;
        EXPECT_FALSE(peImageEnd(bytesOf(bad), c.fileSize)) << c.label;
    }
    EXPECT_FALSE(peImageEnd(bytesOf(good.substr(0, 0x100)), good.size())) << "section table cut off";
}

TEST(Payload, SettingsBlockRightAfterTheImageAndArchiveAfterIt) {
    SfxSettings s;
    s.caption = "Kestrel";
    const auto block = buildSettingsBlock(s);
    const std::string stub = fakeStub({{0x400, 0x800}});
    const std::string zip = ziptest::buildZip({{.name = "a.txt", .data = "hello"}});
    const std::string image = stub + std::string(block->begin(), block->end()) + zip;
    MemoryInput file(bytesOf(image));
    const auto payload = locatePayload(file);
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->imageEnd, 0xC00u);
    ASSERT_TRUE(payload->settings);
    EXPECT_EQ(payload->settings->caption, "Kestrel");
    EXPECT_EQ(payload->archiveStart, 0xC00u + 256);
}

TEST(Payload, WithoutBlockTheArchiveFollowsTheImage) {
    const std::string stub = fakeStub({{0x400, 0x800}});
    const std::string image = stub + ziptest::buildZip({{.name = "a.txt", .data = std::string(300, 'a')}});
    MemoryInput withArchive(bytesOf(image));
    auto payload = locatePayload(withArchive);
    ASSERT_TRUE(payload);
    EXPECT_FALSE(payload->settings);
    EXPECT_EQ(payload->archiveStart, 0xC00u);

    MemoryInput bare(bytesOf(stub));
    payload = locatePayload(bare);
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->archiveStart, stub.size());

    MemoryInput cut(bytesOf(stub).first(0xB00));  // the image itself is incomplete
    EXPECT_FALSE(locatePayload(cut));
}

TEST(StubCommandLine, Switches) {
    using Kind = StubCommand::Kind;
    struct Case {
        const char* line;
        Kind kind;
        const char* folder;
    };
    const Case cases[] = {
        {"", Kind::kDialog, ""},
        {"   ", Kind::kDialog, ""},
        {"/?", Kind::kUsage, ""},
        {"-?", Kind::kUsage, ""},
        {"/auto C:\\Out", Kind::kAuto, "C:\\Out"},
        {"/AUTO   C:\\Out  ", Kind::kAuto, "C:\\Out"},
        {"-auto \"C:\\My Add-ons\\Cub\"", Kind::kAuto, "C:\\My Add-ons\\Cub"},
        {"/auto C:\\My Add-ons\\Cub", Kind::kAuto, "C:\\My Add-ons\\Cub"},
        {"/auto", Kind::kInvalid, ""},
        {"/auto \"\"", Kind::kInvalid, ""},
        {"/auto \"C:\\a\" extra", Kind::kInvalid, ""},
        {"/automatic C:\\x", Kind::kInvalid, ""},
        {"C:\\x", Kind::kInvalid, ""},
    };
    for (const Case& c : cases) {
        const StubCommand command = parseStubCommandLine(c.line);
        EXPECT_EQ(command.kind, c.kind) << c.line;
        EXPECT_EQ(command.folder, c.folder) << c.line;
    }
}

TEST(StubCommandLine, CommandAfterExtractionRunsFromTheFolderWhenFoundThere) {
    const auto inFolder = [](const std::string& name) { return name == "setup.exe"; };
    RunCommand run = resolveRunCommand("setup.exe /quiet", "C:\\Out", inFolder);
    EXPECT_EQ(run.program, "C:\\Out\\setup.exe");
    EXPECT_EQ(run.commandLine, "\"C:\\Out\\setup.exe\" /quiet");

    run = resolveRunCommand("notepad.exe readme.txt", "C:\\Out\\", inFolder);
    EXPECT_EQ(run.program, "notepad.exe");  // left to the system's search
    EXPECT_EQ(run.commandLine, "\"notepad.exe\" readme.txt");

    run = resolveRunCommand("\"D:\\Tools\\setup.exe\"", "C:\\Out", inFolder);
    EXPECT_EQ(run.program, "D:\\Tools\\setup.exe");
    EXPECT_EQ(run.commandLine, "\"D:\\Tools\\setup.exe\"");

    EXPECT_TRUE(resolveRunCommand("   ", "C:\\Out", inFolder).program.empty());
}

}  // namespace
}  // namespace tavrix::sfx
