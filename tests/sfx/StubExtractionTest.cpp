// One extraction of a stub's archive, natively on the POSIX file system: the
// tree arrives whole, existing files follow the overwrite mode, a damaged or
// cut-off archive writes nothing, hostile names stay inside the folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "sfx/StubExtraction.h"
#include "tests/engines/HostileNames.h"
#include "tests/engines/ZipBuilder.h"
#include "tests/sfx/FakeStub.h"

namespace tavrix::sfx {
namespace {

namespace fs = std::filesystem;
using ziptest::BuildEntry;
using ziptest::buildZip;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::map<std::string, std::string> treeOf(const fs::path& root) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(root)) return tree;
    for (const auto& item : fs::recursive_directory_iterator(root))
        if (!item.is_directory())
            tree[fs::relative(item.path(), root).generic_string()] = readFile(item.path());
    return tree;
}

class CountingObserver final : public ExtractionObserver {
public:
    bool phase(bool checking, std::uint64_t) override {
        phases.push_back(checking);
        return false;
    }
    bool fileStart(std::string_view name) override {
        started.emplace_back(name);
        return stopAtFile && started.size() >= stopAtFile;
    }
    bool advance(std::uint64_t bytes) override {
        advanced += bytes;
        return false;
    }
    std::vector<bool> phases;
    std::vector<std::string> started;
    std::uint64_t advanced = 0;
    std::size_t stopAtFile = 0;
};

const std::vector<BuildEntry> kTree = {
    {.name = "readme.txt", .data = "Kestrel 200\r\n"},
    {.name = "Aircraft/Kestrel/aircraft.cfg", .data = std::string(5000, 'k')},
    {.name = "Aircraft/Kestrel/panel/", .data = "", .method = 0},
    {.name = "Aircraft/Kestrel/panel/panel.cfg", .data = "[Window00]\r\n", .method = 0},
};

class StubExtractionTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / ("tavrix-sfx-" + std::to_string(::getpid())) / info->name();
        fs::remove_all(root_);
        fs::create_directories(root_);
        out_ = root_ / "out" / "deeper";  // made with its parents
    }
    void TearDown() override { fs::remove_all(root_); }

    // Writes stub + block + archive as one file and opens it like the stub.
    std::unique_ptr<StubArchive> make(const std::string& zip, SfxSettings settings = {},
                                      const std::string& code = {}) {
        std::string file = sfxtest::fakeStub({{0x400, 0x1000}}, 0x400, code);
        const auto block = buildSettingsBlock(settings);
        file += std::string(block->begin(), block->end()) + zip;
        return openBytes(file);
    }
    std::unique_ptr<StubArchive> openBytes(const std::string& bytes) {
        const fs::path exe = root_ / "Setup.exe";
        std::ofstream(exe, std::ios::binary) << bytes;
        error_.clear();
        return StubArchive::open(exe.string(), error_);
    }
    ExtractionOutcome extract(StubArchive& stub, ExtractionRequest request = {}) {
        if (request.folderUtf8.empty()) request.folderUtf8 = out_.string();
        return runExtraction(stub, request, observer_, freeSpace_);
    }
    std::map<std::string, std::string> expectedTree(const std::vector<BuildEntry>& entries) {
        std::map<std::string, std::string> tree;
        for (const BuildEntry& e : entries)
            if (e.name.back() != '/') tree[e.name] = e.data;
        return tree;
    }

    fs::path root_, out_;
    std::string error_;
    CountingObserver observer_;
    FreeSpaceQuery freeSpace_;
};

TEST_F(StubExtractionTest, ExtractsTheWholeTreeIntoANewFolder) {
    auto stub = make(buildZip(kTree));
    ASSERT_TRUE(stub) << error_;
    EXPECT_EQ(stub->fileNames(), (std::vector<std::string>{"readme.txt", "Aircraft/Kestrel/aircraft.cfg",
                                                           "Aircraft/Kestrel/panel/panel.cfg"}));
    const ExtractionOutcome outcome = extract(*stub);
    EXPECT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.extracted, 3u);
    EXPECT_EQ(treeOf(out_), expectedTree(kTree));
    EXPECT_EQ(observer_.phases, (std::vector<bool>{true, false}));  // checked first, then written
    EXPECT_EQ(observer_.advanced, 2 * (13u + 5000u + 12u));
}

TEST_F(StubExtractionTest, WorksWithoutSettingsBlock) {
    const std::string bytes = sfxtest::fakeStub({{0x400, 0x1000}}) + buildZip(kTree);
    auto stub = openBytes(bytes);
    ASSERT_TRUE(stub) << error_;
    EXPECT_EQ(stub->settings().options, 0);
    EXPECT_TRUE(stub->settings().caption.empty());
    EXPECT_TRUE(extract(*stub).ok);
    EXPECT_EQ(treeOf(out_), expectedTree(kTree));
}

TEST_F(StubExtractionTest, OnlyTheChosenFilesByExactName) {
    // "readme.txt" chosen must not bring "docs/readme.txt" with it.
    auto stub = make(buildZip({{.name = "readme.txt", .data = "top"},
                               {.name = "docs/readme.txt", .data = "inner"},
                               {.name = "b.txt", .data = "b"}}));
    ASSERT_TRUE(stub);
    ExtractionRequest request;
    request.accept = [](std::string_view name) { return name == "readme.txt" || name == "b.txt"; };
    EXPECT_TRUE(extract(*stub, request).ok);
    EXPECT_EQ(treeOf(out_), (std::map<std::string, std::string>{{"readme.txt", "top"}, {"b.txt", "b"}}));
}

TEST_F(StubExtractionTest, ExistingFilesFollowTheOverwriteMode) {
    auto stub = make(buildZip({{.name = "a.txt", .data = "new a"},
                               {.name = "b.txt", .data = "new b"},
                               {.name = "c.txt", .data = "new c"}}));
    ASSERT_TRUE(stub);
    auto prepare = [&] {
        fs::remove_all(out_);
        fs::create_directories(out_);
        std::ofstream(out_ / "a.txt") << "old a";
        std::ofstream(out_ / "b.txt") << "old b";
    };
    ExtractionRequest request;

    prepare();
    request.mode = OverwriteMode::kNever;
    EXPECT_TRUE(extract(*stub, request).ok);
    EXPECT_EQ(treeOf(out_), (std::map<std::string, std::string>{
                                {"a.txt", "old a"}, {"b.txt", "old b"}, {"c.txt", "new c"}}));

    prepare();
    request.mode = OverwriteMode::kAlways;
    EXPECT_TRUE(extract(*stub, request).ok);
    EXPECT_EQ(treeOf(out_), (std::map<std::string, std::string>{
                                {"a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}}));

    prepare();
    request.mode = OverwriteMode::kConfirm;
    std::vector<std::string> asked;
    request.confirm = [&](std::string_view name) {
        asked.emplace_back(name);
        return name == "a.txt" ? zip::ExistingFile::kReplace : zip::ExistingFile::kKeep;
    };
    EXPECT_TRUE(extract(*stub, request).ok);
    EXPECT_EQ(asked, (std::vector<std::string>{"a.txt", "b.txt"}));  // never for a new file
    EXPECT_EQ(treeOf(out_), (std::map<std::string, std::string>{
                                {"a.txt", "new a"}, {"b.txt", "old b"}, {"c.txt", "new c"}}));

    prepare();
    request.confirm = [](std::string_view) { return zip::ExistingFile::kStop; };
    const ExtractionOutcome stopped = extract(*stub, request);
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(treeOf(out_), (std::map<std::string, std::string>{{"a.txt", "old a"}, {"b.txt", "old b"}}));
}

TEST_F(StubExtractionTest, DamagedArchiveWritesNothing) {
    // The second entry's data does not match its CRC: found while checking,
    // before the first file is written.
    auto stub = make(buildZip({{.name = "good.txt", .data = "fine"},
                               {.name = "bad.txt", .data = std::string(2000, 'x'), .damageCrc = true}}));
    ASSERT_TRUE(stub);
    const ExtractionOutcome outcome = extract(*stub);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.error.find("damaged"), std::string::npos) << outcome.error;
    EXPECT_NE(outcome.error.find("bad.txt"), std::string::npos) << outcome.error;
    EXPECT_FALSE(fs::exists(out_));
}

TEST_F(StubExtractionTest, CutOffFileIsRefusedAtOpening) {
    const std::string zip = buildZip(kTree);
    std::string file = sfxtest::fakeStub({{0x400, 0x1000}});
    const auto block = buildSettingsBlock({});
    file += std::string(block->begin(), block->end()) + zip;
    for (std::size_t cut : {std::size_t{1}, std::size_t{22}, zip.size() / 2, zip.size()}) {
        EXPECT_FALSE(openBytes(file.substr(0, file.size() - cut))) << cut;
        EXPECT_NE(error_.find("incomplete"), std::string::npos) << error_;
    }
}

TEST_F(StubExtractionTest, ProgramBytesNeverPassForTheArchive) {
    // The program's code holds a whole archive of its own (as a stub's code
    // holds record signatures); with the real archive cut off, that one must
    // not be found and extracted.
    const std::string decoy = buildZip({{.name = "decoy.txt", .data = "from the program"}});
    const std::string real = buildZip(kTree);
    std::string file = sfxtest::fakeStub({{0x400, 0x1000}}, 0x400, decoy);
    const auto block = buildSettingsBlock({});
    file += std::string(block->begin(), block->end()) + real.substr(0, 40);
    EXPECT_FALSE(openBytes(file));
}

TEST_F(StubExtractionTest, HostileNamesStayInsideTheFolder) {
    std::vector<BuildEntry> entries = {{.name = "good.txt", .data = "good"}};
    for (const auto& hostile : ziptest::kHostileNames)
        entries.push_back({.name = hostile.name, .data = "evil"});
    auto stub = make(buildZip(entries));
    ASSERT_TRUE(stub);
    const ExtractionOutcome outcome = extract(*stub);
    EXPECT_FALSE(outcome.ok);  // the refused names are reported
    EXPECT_NE(outcome.error.find("../evil.txt"), std::string::npos) << outcome.error;
    EXPECT_EQ(treeOf(out_), (std::map<std::string, std::string>{{"good.txt", "good"}}));
    // Nothing beside the folder or above it.
    std::size_t filesUnderRoot = 0;
    for (const auto& item : fs::recursive_directory_iterator(root_)) filesUnderRoot += !item.is_directory();
    EXPECT_EQ(filesUnderRoot, 2u);  // Setup.exe and good.txt
    EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
}

TEST_F(StubExtractionTest, FreeSpaceIsCheckedUnlessSwitchedOff) {
    auto stub = make(buildZip(kTree));
    ASSERT_TRUE(stub);
    std::string askedFor;
    freeSpace_ = [&](const std::string& folder) -> std::optional<std::uint64_t> {
        askedFor = folder;
        return 100;  // less than the 5025 bytes the files need
    };
    ExtractionRequest request;
    ExtractionOutcome outcome = extract(*stub, request);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.error.find("not enough free space"), std::string::npos) << outcome.error;
    EXPECT_EQ(askedFor, out_.string());
    EXPECT_TRUE(treeOf(out_).empty());

    request.checkFreeSpace = false;
    outcome = extract(*stub, request);
    EXPECT_TRUE(outcome.ok) << outcome.error;
}

TEST_F(StubExtractionTest, StopFromTheWindowLeavesOnlyWholeFiles) {
    auto stub = make(buildZip(kTree));
    ASSERT_TRUE(stub);
    observer_.stopAtFile = 3 + 2;  // all three checked, then two written
    const ExtractionOutcome outcome = extract(*stub);
    EXPECT_TRUE(outcome.cancelled);
    const auto tree = treeOf(out_);
    EXPECT_EQ(tree.size(), 1u);
    for (const auto& [name, data] : tree) EXPECT_EQ(data, expectedTree(kTree)[name]) << name;
}

TEST_F(StubExtractionTest, FolderTreeIsMadeWithItsParents) {
    auto fsys = zip::makePlatformFileSystem();
    EXPECT_TRUE(makeFolderTree(*fsys, (root_ / "x" / "y" / "z").string() + "/"));
    EXPECT_TRUE(fs::is_directory(root_ / "x" / "y" / "z"));
    EXPECT_TRUE(makeFolderTree(*fsys, (root_ / "x").string()));  // exists already
    std::ofstream(root_ / "file") << "f";
    EXPECT_FALSE(makeFolderTree(*fsys, (root_ / "file" / "sub").string()));
    EXPECT_FALSE(makeFolderTree(*fsys, ""));
}

}  // namespace
}  // namespace tavrix::sfx
