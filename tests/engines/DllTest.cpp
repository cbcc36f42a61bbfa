// UNPACK32.DLL and PACK32.DLL loaded by name and called through their exec
// records exactly as the archive component calls them: records zeroed and
// filled field by field, strings in buffers of their own, the component's
// pointer in the caller field, a standard-call callback.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contract/CallBack.h"
#include "contract/EngineRecords.h"
#include "engines/core/Progress.h"
#include "tests/engines/HostileNames.h"
#include "tests/engines/RecordingSink.h"
#include "tests/engines/ZipBuilder.h"

namespace tavrix::ziptest {
namespace {

namespace fs = std::filesystem;
using namespace tavrix::contract;

constexpr RecordAddress kOwnerWindow = 0x00C0FFEE;

using ExecFunction = int(__stdcall*)(void*);
using VersionFunction = int(__stdcall*)();

// GetProcAddress's result cast through the generic function pointer type.
template <typename Function>
Function entryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

RecordAddress address(const void* p) {
    return recordAddress(p);
}

// The component's side of the callback: the caller field leads back to it.
struct Component {
    EventLog log;
    int wrongCaller = 0;
};

BOOL __stdcall engineCallback(EngineCallbackRecord* record) {
    auto* component = recordPointer<Component>(record->caller);
    if (record->window != kOwnerWindow) ++component->wrongCaller;
    return component->log.record({static_cast<EventKind>(record->action), record->size, record->errorCode,
                                  std::string(record->text)})
               ? TRUE
               : FALSE;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

enum class Layout { kOld, kNew };

// Owns the strings of one call, as the component does for its duration.
class Strings {
public:
    RecordAddress add(const std::string& text) {
        buffers_.push_back(std::make_unique<char[]>(text.size() + 1));
        std::memcpy(buffers_.back().get(), text.c_str(), text.size() + 1);
        return address(buffers_.back().get());
    }

private:
    std::vector<std::unique_ptr<char[]>> buffers_;
};

struct UnpackSwitches {
    std::vector<std::string> specs;
    std::string password;
    std::uint16_t codePage = 0;
    bool test = false, verbose = true, update = false, freshen = false, directories = true, overwrite = false;
};

struct PackSwitches {
    std::vector<std::string> specs;
    std::string password;
    std::string tempDir;
    int level = 9;
    bool encrypt = false, hidden = false, separateDirs = true, dirNames = true, recurse = true,
         forceDos = false, move = false, deleteEntries = false, update = false, freshen = false,
         zipTime = false;
};

class Engines : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        unpack_ = ::LoadLibraryA("UNPACK32.DLL");
        pack_ = ::LoadLibraryA("PACK32.DLL");
    }
    static void TearDownTestSuite() {
        ::FreeLibrary(unpack_);
        ::FreeLibrary(pack_);
    }

    void SetUp() override {
        ASSERT_NE(unpack_, nullptr);
        ASSERT_NE(pack_, nullptr);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        home_ = fs::current_path();
        root_ = home_ / "dll-scratch" / name;
        fs::remove_all(root_);
        out_ = root_ / "out";
        fs::create_directories(out_);
    }
    void TearDown() override {
        fs::current_path(home_);
        fs::remove_all(root_);
    }

    // Extracts into `dir` (made the current directory, as the component does).
    int unpack(const std::string& archive, const UnpackSwitches& s, Layout layout, const fs::path& dir) {
        Strings strings;
        std::vector<std::uint8_t> raw(layout == Layout::kOld ? sizeof(UnpackExecRecordOld)
                                                             : sizeof(UnpackExecRecordNew));
        UnpackExecCommon c{};
        c.ownerWindow = kOwnerWindow;
        c.caller = address(&component_);
        c.version = kUnpackRecordVersion;
        c.callback = address(reinterpret_cast<const void*>(&engineCallback));
        c.codePage = s.codePage;
        c.password = strings.add(s.password);
        c.test = s.test;
        c.one40 = 1;
        c.verbose = s.verbose;
        c.update = s.update;
        c.freshen = s.freshen && !s.update;
        c.directories = s.directories;
        c.overwrite = s.overwrite;
        c.specCount = static_cast<std::uint32_t>(s.specs.size());
        c.archivePath = strings.add(archive);
        std::vector<UnpackFileSpec> entries(s.specs.size());
        if (layout == Layout::kOld) {
            auto* r = reinterpret_cast<UnpackExecRecordOld*>(raw.data());
            r->common = c;
            r->marker = kRecordMarker;
            for (std::size_t i = 0; i < s.specs.size(); ++i) r->specs[i] = strings.add(s.specs[i]);
        } else {
            auto* r = reinterpret_cast<UnpackExecRecordNew*>(raw.data());
            r->common = c;
            for (std::size_t i = 0; i < s.specs.size(); ++i) entries[i].spec = strings.add(s.specs[i]);
            r->specs = entries.empty() ? 0 : address(entries.data());
            r->marker = kRecordMarker;
        }
        fs::current_path(dir);
        const int count = entryPoint<ExecFunction>(unpack_, "UnpackExec")(raw.data());
        fs::current_path(home_);
        return count;
    }

    int pack(const std::string& archive, const PackSwitches& s, Layout layout, const fs::path& dir) {
        Strings strings;
        std::vector<std::uint8_t> raw(layout == Layout::kOld ? sizeof(PackExecRecordOld)
                                                             : sizeof(PackExecRecordNew));
        PackExecCommon c{};
        c.ownerWindow = kOwnerWindow;
        c.caller = address(&component_);
        c.version = kPackRecordVersion;
        c.callback = address(reinterpret_cast<const void*>(&engineCallback));
        c.password = strings.add(s.password);
        c.encrypt = s.encrypt;
        c.hiddenFiles = s.hidden;
        c.noDirEntries = !s.separateDirs;
        c.verbose = 1;
        c.one56 = 1;
        c.level = static_cast<std::uint32_t>(s.level);
        c.junkDirNames = !s.dirNames;
        c.recurse = s.recurse;
        c.one80 = 1;
        c.forceDos = s.forceDos;
        c.move = s.move;
        c.deleteEntries = s.deleteEntries;
        c.update = s.update;
        c.freshen = s.freshen && !s.update;
        c.zipTime = s.zipTime;
        c.specCount = static_cast<std::uint32_t>(s.specs.size());
        c.archivePath = strings.add(archive);
        std::vector<PackFileSpec> entries(s.specs.size());
        if (layout == Layout::kOld) {
            auto* r = reinterpret_cast<PackExecRecordOld*>(raw.data());
            r->common = c;
            r->marker = kRecordMarker;
            for (std::size_t i = 0; i < s.specs.size(); ++i) r->specs[i] = strings.add(s.specs[i]);
        } else {
            auto* r = reinterpret_cast<PackExecRecordNew*>(raw.data());
            r->common = c;
            r->tempDir = s.tempDir.empty() ? 0 : strings.add(s.tempDir);
            for (std::size_t i = 0; i < s.specs.size(); ++i) entries[i].spec = strings.add(s.specs[i]);
            r->specs = entries.empty() ? 0 : address(entries.data());
            r->marker = kRecordMarker;
        }
        fs::current_path(dir);
        const int count = entryPoint<ExecFunction>(pack_, "PackExec")(raw.data());
        fs::current_path(home_);
        return count;
    }

    // Writes an archive into the scratch folder and returns its full path.
    std::string archive(const std::string& bytes, const std::string& name = "in.zip") {
        const fs::path path = root_ / name;
        writeFile(path, bytes);
        return path.string();
    }

    static inline HMODULE unpack_ = nullptr;
    static inline HMODULE pack_ = nullptr;
    fs::path home_, root_, out_;
    Component component_;
};

// Files below `root`, names in UTF-8 with '/'.
std::map<std::string, std::string> filesOf(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (!item.is_regular_file()) continue;
        const auto name = fs::relative(item.path(), root).generic_u8string();
        files[std::string(name.begin(), name.end())] = readFile(item.path());
    }
    return files;
}

// Several advance steps long, so that a stop can fall inside it.
std::string sampleText() {
    std::string s;
    for (int i = 0; s.size() < 2 * zip::kAdvanceStep + 100000; ++i)
        s += "needle " + std::to_string(i % 733) + "\n";
    return s;
}

TEST_F(Engines, ExportsReportVersionsForTheNewerLayouts) {
    auto unpackVersion = entryPoint<VersionFunction>(unpack_, "GetUnpackVersion");
    auto packVersion = entryPoint<VersionFunction>(pack_, "GetPackVersion");
    ASSERT_NE(unpackVersion, nullptr);
    ASSERT_NE(packVersion, nullptr);
    EXPECT_GT(unpackVersion(), kUnpackNewLayoutAbove);
    EXPECT_GT(packVersion(), kPackNewLayoutAbove);
    EXPECT_NE(::GetProcAddress(unpack_, "UnpackExec"), nullptr);
    EXPECT_NE(::GetProcAddress(pack_, "PackExec"), nullptr);
}

// A record with the marker at neither layout's place, or an older-layout record
// counting more file patterns than it has room for, is refused with a message;
// nothing is extracted and the archive is left as it was.
TEST_F(Engines, RecordsOfNeitherLayoutOrWithTooManyPatternsAreRefused) {
    const std::string zip = archive(buildZip({{"readme.txt", "hello"}}));
    const std::string before = readFile(zip);
    Strings strings;
    const RecordAddress archivePath = strings.add(zip);
    const RecordAddress callback = address(reinterpret_cast<const void*>(&engineCallback));
    // The refusal's message text; empty (and failures) when the call was not refused.
    const auto refusal = [&](HMODULE engine, const char* function, std::vector<std::uint8_t>& raw) {
        component_.log.events.clear();
        fs::current_path(out_);
        const int count = entryPoint<ExecFunction>(engine, function)(raw.data());
        fs::current_path(home_);
        EXPECT_EQ(count, 0) << function;
        EXPECT_EQ(component_.log.messageCodes(), std::vector<std::uint32_t>{50}) << function;
        return component_.log.events.empty() ? std::string() : component_.log.events.back().text;
    };

    // Zeroed and of the older layout's size: no marker where either layout keeps it.
    std::vector<std::uint8_t> unpackRaw(sizeof(UnpackExecRecordOld));
    auto* unpackRecord = reinterpret_cast<UnpackExecRecordOld*>(unpackRaw.data());
    unpackRecord->common.ownerWindow = kOwnerWindow;
    unpackRecord->common.caller = address(&component_);
    unpackRecord->common.version = kUnpackRecordVersion;
    unpackRecord->common.callback = callback;
    unpackRecord->common.one40 = 1;
    unpackRecord->common.archivePath = archivePath;
    EXPECT_EQ(refusal(unpack_, "UnpackExec", unpackRaw), "Parameter record not understood: unknown layout");
    unpackRecord->marker = kRecordMarker;
    unpackRecord->common.specCount = static_cast<std::uint32_t>(kOldLayoutMaxSpecs + 1);
    EXPECT_EQ(refusal(unpack_, "UnpackExec", unpackRaw),
              "Parameter record not understood: too many file specifications");

    std::vector<std::uint8_t> packRaw(sizeof(PackExecRecordOld));
    auto* packRecord = reinterpret_cast<PackExecRecordOld*>(packRaw.data());
    packRecord->common.ownerWindow = kOwnerWindow;
    packRecord->common.caller = address(&component_);
    packRecord->common.version = kPackRecordVersion;
    packRecord->common.callback = callback;
    packRecord->common.one56 = 1;
    packRecord->common.one80 = 1;
    packRecord->common.archivePath = archivePath;
    EXPECT_EQ(refusal(pack_, "PackExec", packRaw), "Parameter record not understood: unknown layout");
    packRecord->marker = kRecordMarker;
    packRecord->common.specCount = static_cast<std::uint32_t>(kOldLayoutMaxSpecs + 1);
    EXPECT_EQ(refusal(pack_, "PackExec", packRaw),
              "Parameter record not understood: too many file specifications");

    EXPECT_TRUE(filesOf(out_).empty());
    EXPECT_EQ(readFile(zip), before);
}

class EnginesByLayout : public Engines, public ::testing::WithParamInterface<Layout> {};

TEST_P(EnginesByLayout, ExtractsEverythingWithOrderedCallbacks) {
    const std::string text = sampleText();
    const std::string zip = archive(buildZip({{"Scenery/", ""},
                                              {"Scenery/big.txt", text},
                                              {"Scenery/tex/a.bmp", "bmp", 0},
                                              {"readme.txt", "hello"},
                                              {"zero.txt", ""}}));
    EXPECT_EQ(unpack(zip, {}, GetParam(), out_), 4);
    EXPECT_EQ(component_.log.orderProblem(), "");
    EXPECT_EQ(component_.wrongCaller, 0);
    EXPECT_EQ(component_.log.events[0].size, 4u);
    EXPECT_EQ(component_.log.events[1].size, text.size() + 8);
    EXPECT_EQ((std::map<std::string, std::string>{{"Scenery/big.txt", text},
                                                  {"Scenery/tex/a.bmp", "bmp"},
                                                  {"readme.txt", "hello"},
                                                  {"zero.txt", ""}}),
              filesOf(out_));
}

TEST_P(EnginesByLayout, FilePatternsSelectAndFolderNamesFlatten) {
    const std::string zip = archive(
        buildZip({{"Docs/Read.TXT", "r"}, {"Docs/img/p.bmp", "p"}, {"top.txt", "t"}, {"x.dat", "x"}}));
    UnpackSwitches s;
    s.specs = {"docs\\*.txt", "*.BMP"};
    EXPECT_EQ(unpack(zip, s, GetParam(), out_), 2);
    EXPECT_EQ((std::map<std::string, std::string>{{"Docs/Read.TXT", "r"}, {"Docs/img/p.bmp", "p"}}),
              filesOf(out_));
    s.directories = false;
    s.specs = {"*.txt"};
    fs::remove_all(out_);
    fs::create_directories(out_);
    EXPECT_EQ(unpack(zip, s, GetParam(), out_), 2);
    EXPECT_EQ((std::map<std::string, std::string>{{"Read.TXT", "r"}, {"top.txt", "t"}}), filesOf(out_));
}

TEST_P(EnginesByLayout, PacksAndDeletes) {
    fs::create_directories(root_ / "src/sub");
    writeFile(root_ / "src/a.txt", sampleText());
    writeFile(root_ / "src/sub/b.txt", "b");
    PackSwitches s;
    s.specs = {"src"};
    EXPECT_EQ(pack("made.zip", s, GetParam(), root_), 2);
    EXPECT_EQ(component_.log.orderProblem(), "");
    EXPECT_EQ(unpack((root_ / "made.zip").string(), {}, GetParam(), out_), 2);
    EXPECT_EQ(filesOf(out_),
              (std::map<std::string, std::string>{{"src/a.txt", sampleText()}, {"src/sub/b.txt", "b"}}));
    PackSwitches del;
    del.deleteEntries = true;
    del.specs = {"src\\sub\\*"};
    component_.log = {};
    EXPECT_EQ(pack("made.zip", del, GetParam(), root_), 2);  // the folder entry and its file
    fs::remove_all(out_);
    fs::create_directories(out_);
    EXPECT_EQ(unpack((root_ / "made.zip").string(), {}, GetParam(), out_), 1);
    EXPECT_EQ(filesOf(out_).count("src/sub/b.txt"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Layouts, EnginesByLayout, ::testing::Values(Layout::kOld, Layout::kNew),
                         [](const auto& info) { return info.param == Layout::kOld ? "Older" : "Newer"; });

TEST_F(Engines, ExistingFilesFollowOverwriteFreshenUpdateAndTest) {
    const std::string zip = archive(buildZip({{"a.txt", "theirs"}, {"b.txt", "new"}}));
    writeFile(out_ / "a.txt", "mine");
    EXPECT_EQ(unpack(zip, {}, Layout::kNew, out_), 1);
    EXPECT_EQ(readFile(out_ / "a.txt"), "mine");
    EXPECT_TRUE(component_.log.hasMessage(32));

    UnpackSwitches test;
    test.test = true;
    fs::remove(out_ / "b.txt");
    EXPECT_EQ(unpack(zip, test, Layout::kNew, out_), 2);
    EXPECT_FALSE(fs::exists(out_ / "b.txt"));

    UnpackSwitches freshen;  // a.txt is younger than the entry (2025): kept; b.txt absent: not made
    freshen.freshen = true;
    EXPECT_EQ(unpack(zip, freshen, Layout::kNew, out_), 0);
    fs::last_write_time(out_ / "a.txt",
                        fs::last_write_time(out_ / "a.txt") - std::chrono::hours(24 * 365 * 5));
    EXPECT_EQ(unpack(zip, freshen, Layout::kNew, out_), 1);
    EXPECT_EQ(readFile(out_ / "a.txt"), "theirs");
    EXPECT_FALSE(fs::exists(out_ / "b.txt"));

    UnpackSwitches update;
    update.update = true;
    EXPECT_EQ(unpack(zip, update, Layout::kNew, out_), 1);  // b.txt only
    EXPECT_EQ(readFile(out_ / "b.txt"), "new");

    UnpackSwitches overwrite;
    overwrite.overwrite = true;
    writeFile(out_ / "a.txt", "mine again");
    EXPECT_EQ(unpack(zip, overwrite, Layout::kNew, out_), 2);
    EXPECT_EQ(readFile(out_ / "a.txt"), "theirs");
}

// From the second file in a row that goes to one folder, files are renamed
// relative to a handle on that folder: what is there already is kept, or
// replaced when asked, as by a rename of the full path, a read-only file too.
TEST_F(Engines, FilesInOneFolderKeepOrReplaceWhatIsThere) {
    const std::string zip = archive(buildZip(
        {{"Gauges/a.gau", "a1"}, {"Gauges/b.gau", "b1"}, {"Gauges/c.gau", "c1"}, {"Gauges/d.gau", "d1"}}));
    fs::create_directories(out_ / "Gauges");
    writeFile(out_ / "Gauges/b.gau", "mine");
    writeFile(out_ / "Gauges/d.gau", "mine too");
    EXPECT_EQ(unpack(zip, {}, Layout::kNew, out_), 2);
    EXPECT_TRUE(component_.log.hasMessage(32));
    EXPECT_EQ((std::map<std::string, std::string>{{"Gauges/a.gau", "a1"},
                                                  {"Gauges/b.gau", "mine"},
                                                  {"Gauges/c.gau", "c1"},
                                                  {"Gauges/d.gau", "mine too"}}),
              filesOf(out_));

    const std::string readOnly = (out_ / "Gauges/d.gau").string();
    ASSERT_TRUE(::SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    UnpackSwitches overwrite;
    overwrite.overwrite = true;
    EXPECT_EQ(unpack(zip, overwrite, Layout::kNew, out_), 4);
    EXPECT_EQ(
        (std::map<std::string, std::string>{
            {"Gauges/a.gau", "a1"}, {"Gauges/b.gau", "b1"}, {"Gauges/c.gau", "c1"}, {"Gauges/d.gau", "d1"}}),
        filesOf(out_));
}

TEST_F(Engines, PasswordsDamageAndMethods) {
    const std::string text = sampleText();
    BuildEntry secret{"secret.txt", text};
    secret.password = "Tavrix-42";
    BuildEntry damaged{"damaged.txt", text};
    damaged.damageCrc = true;
    BuildEntry unknown{"unknown.txt", text, 12};  // bzip2
    const std::string zip = archive(buildZip({secret, damaged, unknown, {"plain.txt", "p"}}));
    UnpackSwitches s;
    s.password = "Tavrix-42";
    EXPECT_EQ(unpack(zip, s, Layout::kNew, out_), 2);
    EXPECT_EQ((std::map<std::string, std::string>{{"secret.txt", text}, {"plain.txt", "p"}}), filesOf(out_));
    EXPECT_TRUE(component_.log.hasMessage(26));
    EXPECT_TRUE(component_.log.hasMessage(20));
    EXPECT_EQ(component_.log.orderProblem(), "");

    fs::remove_all(out_);
    fs::create_directories(out_);
    component_.log = {};
    s.password = "wrong";
    EXPECT_EQ(unpack(zip, s, Layout::kOld, out_), 1);
    EXPECT_TRUE(component_.log.hasMessage(22));
    EXPECT_EQ((std::map<std::string, std::string>{{"plain.txt", "p"}}), filesOf(out_));
}

TEST_F(Engines, CodePageFieldChoosesHowNamesAreRead) {
    const std::string zip = archive(buildZip({{"caf\x82.txt", "x"}}));
    EXPECT_EQ(unpack(zip, {}, Layout::kNew, out_), 1);  // automatic: DOS entries are OEM
    UnpackSwitches none;
    none.codePage = 1;
    EXPECT_EQ(unpack(zip, none, Layout::kNew, out_), 1);
    EXPECT_EQ(filesOf(out_).count("caf\xC3\xA9.txt"), 1u);
    EXPECT_EQ(filesOf(out_).count("caf\xE2\x80\x9A.txt"), 1u);
}

// Names reach the callback in the system's code page, and one longer than
// the record's text is cut to it rather than lost.
TEST_F(Engines, CallbackTextIsInTheCodePageAndCutToTheRecord) {
    const std::string longName =
        std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(200, 'c') + ".txt";
    const std::string zip = archive(buildZip(
        {{.name = "caf\xC3\xA9.txt", .data = "x", .extraFlags = 0x0800}, {.name = longName, .data = "y"}}));
    UnpackSwitches test;
    test.test = true;
    EXPECT_EQ(unpack(zip, test, Layout::kNew, out_), 2);
    std::vector<std::string> started;
    for (const Event& event : component_.log.events)
        if (event.kind == EventKind::kFileStart) started.push_back(event.text);
    ASSERT_EQ(started.size(), 2u);
    char ansi[16] = {};
    ASSERT_GT(::WideCharToMultiByte(CP_ACP, 0, L"caf\u00E9.txt", -1, ansi, sizeof ansi, nullptr, nullptr), 0);
    EXPECT_EQ(started[0], ansi);
    EXPECT_EQ(started[1], longName.substr(0, kCallbackTextCapacity - 1));
}

class HostileThroughDll : public Engines, public ::testing::WithParamInterface<HostileName> {};

TEST_P(HostileThroughDll, IsRefusedAndNothingLeavesTheFolder) {
    const std::string zip = archive(buildZip({{GetParam().name, "evil"}, {"ok.txt", "fine"}}));
    EXPECT_EQ(unpack(zip, {}, Layout::kNew, out_), 1);
    EXPECT_TRUE(component_.log.hasMessage(GetParam().code)) << GetParam().name;
    EXPECT_EQ((std::map<std::string, std::string>{{"ok.txt", "fine"}}), filesOf(out_));
    EXPECT_EQ(filesOf(root_).size(), 2u);  // in.zip and out/ok.txt
}

INSTANTIATE_TEST_SUITE_P(Names, HostileThroughDll, ::testing::ValuesIn(kHostileNames),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(Engines, CancelStopsAtSeveralPointsWithoutPartialFiles) {
    const std::string text = sampleText();
    const std::string zip = archive(buildZip({{"a.txt", "first"}, {"big.txt", text}, {"c.txt", "last"}}));
    struct Point {
        EventKind kind;
        std::size_t nth;
        std::size_t filesLeft;  // a.txt, then big.txt
    };
    for (const Point& point : {Point{EventKind::kByteCount, 1, 0}, Point{EventKind::kFileStart, 2, 1},
                               Point{EventKind::kAdvance, 3, 1}, Point{EventKind::kFileStart, 3, 2}}) {
        component_.log = {};
        component_.log.stopWhen = [point](const Event& e, const EventLog& log) {
            return e.kind == point.kind && log.count(point.kind) == point.nth;
        };
        unpack(zip, {}, Layout::kNew, out_);
        EXPECT_EQ(component_.log.count(EventKind::kBatchEnd), 0u);
        EXPECT_EQ(filesOf(out_).size(), point.filesLeft);
        EXPECT_EQ(fs::exists(out_ / "big.txt"), point.filesLeft == 2);
        for (const auto& item : fs::directory_iterator(out_))
            EXPECT_NE(item.path().filename().string().rfind("~tvx", 0), 0u) << item.path();
        fs::remove_all(out_);
        fs::create_directories(out_);
    }
}

TEST_F(Engines, FailedOrCancelledAddLeavesTheArchiveByteForByte) {
    fs::create_directories(root_ / "src");
    writeFile(root_ / "src/a.txt", sampleText());
    PackSwitches s;
    s.specs = {"src"};
    ASSERT_EQ(pack("made.zip", s, Layout::kNew, root_), 1);
    const std::string before = readFile(root_ / "made.zip");

    writeFile(root_ / "src/b.txt", "locked");
    HANDLE locked = ::CreateFileW((root_ / "src/b.txt").wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    component_.log = {};
    EXPECT_EQ(pack("made.zip", s, Layout::kNew, root_), 0);
    ::CloseHandle(locked);
    EXPECT_TRUE(component_.log.hasMessage(40));
    EXPECT_EQ(readFile(root_ / "made.zip"), before);

    component_.log = {};
    component_.log.stopWhen = [](const Event& e, const EventLog&) { return e.kind == EventKind::kAdvance; };
    EXPECT_EQ(pack("made.zip", s, Layout::kOld, root_), 0);
    EXPECT_EQ(readFile(root_ / "made.zip"), before);
    for (const auto& item : fs::directory_iterator(root_))
        EXPECT_NE(item.path().filename().string().rfind("~tvx", 0), 0u) << item.path();
}

// The component names archives with backslashes, often outside the current
// folder (QzpPack's -C). The new archive is made beside the old one: made in
// the current folder, it could not be moved into place from another drive.
TEST_F(Engines, AnArchiveElsewhereIsMadeBesideItselfNotInTheCurrentFolder) {
    fs::create_directories(root_ / "src");
    fs::create_directories(root_ / "elsewhere");
    writeFile(root_ / "src/a.txt", sampleText());
    const auto staging = [](const fs::path& folder) {
        for (const auto& item : fs::directory_iterator(folder))
            if (item.path().filename().string().rfind("~tvx", 0) == 0) return true;
        return false;
    };
    bool besideArchive = false, inCurrentFolder = false;
    component_.log.stopWhen = [&](const Event& e, const EventLog&) {
        if (e.kind == EventKind::kAdvance) {
            besideArchive = besideArchive || staging(root_ / "elsewhere");
            inCurrentFolder = inCurrentFolder || staging(root_ / "src");
        }
        return false;
    };
    PackSwitches s;
    s.specs = {"a.txt"};
    const std::string archive = (root_ / "elsewhere" / "made.zip").string();
    ASSERT_NE(archive.find('\\'), std::string::npos);
    EXPECT_EQ(pack(archive, s, Layout::kNew, root_ / "src"), 1);
    EXPECT_TRUE(besideArchive);
    EXPECT_FALSE(inCurrentFolder);
    EXPECT_TRUE(fs::exists(root_ / "elsewhere" / "made.zip"));
}

TEST_F(Engines, PackSwitchesThroughTheRecord) {
    fs::create_directories(root_ / "src/deep");
    fs::create_directories(root_ / "tmp");
    writeFile(root_ / "src/Long Name.text", "l");
    writeFile(root_ / "src/deep/h.txt", "h");
    ::SetFileAttributesW((root_ / "src/deep/h.txt").wstring().c_str(), FILE_ATTRIBUTE_HIDDEN);

    PackSwitches dos;
    dos.specs = {"src\\*.*"};
    dos.forceDos = true;
    dos.separateDirs = false;
    dos.zipTime = true;
    dos.tempDir = (root_ / "tmp").string();
    EXPECT_EQ(pack("dos.zip", dos, Layout::kNew, root_), 1);  // hidden file left out
    EXPECT_TRUE(fs::is_empty(root_ / "tmp"));
    EXPECT_EQ(unpack((root_ / "dos.zip").string(), {}, Layout::kNew, out_), 1);
    EXPECT_EQ(filesOf(out_), (std::map<std::string, std::string>{{"SRC/LONGNAME.TEX", "l"}}));
    const auto archiveTime = fs::last_write_time(root_ / "dos.zip");
    const auto fileTime = fs::last_write_time(root_ / "src/Long Name.text");
    EXPECT_LT(std::chrono::abs(archiveTime - fileTime), std::chrono::seconds(2));

    PackSwitches moved;
    moved.specs = {"src\\*.txt"};
    moved.hidden = true;
    moved.dirNames = false;
    moved.move = true;
    moved.level = 0;
    EXPECT_EQ(pack("moved.zip", moved, Layout::kOld, root_), 1);
    EXPECT_FALSE(fs::exists(root_ / "src/deep/h.txt"));
    fs::remove_all(out_);
    fs::create_directories(out_);
    EXPECT_EQ(unpack((root_ / "moved.zip").string(), {}, Layout::kOld, out_), 1);
    EXPECT_EQ(filesOf(out_), (std::map<std::string, std::string>{{"h.txt", "h"}}));
}

// Archives that Info-ZIP zip and Python's zipfile made (by the setup script)
// extract to the very tree they were made from.
class InteropThroughDll : public Engines, public ::testing::WithParamInterface<const char*> {};

TEST_P(InteropThroughDll, ExtractsToTheSameTree) {
    const fs::path interop = home_ / "interop";
    ASSERT_TRUE(fs::exists(interop / GetParam()));
    UnpackSwitches s;
    s.password = "Tavrix-42";
    const bool piped = std::string(GetParam()) == "zip-piped.zip";
    EXPECT_EQ(unpack((interop / GetParam()).string(), s, Layout::kNew, out_), piped ? 1 : 5);
    EXPECT_EQ(component_.log.messageCodes(), std::vector<std::uint32_t>{});
    EXPECT_EQ(filesOf(out_), filesOf(interop / (piped ? "piped" : "tree")));
}

INSTANTIATE_TEST_SUITE_P(Makers, InteropThroughDll,
                         ::testing::Values("zip-stored.zip", "zip-deflated.zip", "zip-encrypted.zip",
                                           "zip-descriptors.zip", "zip-comment.zip", "zip-piped.zip",
                                           "python-deflated.zip", "python-stored.zip"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// Archives of the sample tree for the check with unzip and 7z after this
// program has run (they stay in "packed").
TEST_F(Engines, MakesArchivesForOtherToolsToCheck) {
    const fs::path packed = home_ / "packed";
    fs::remove_all(packed);
    fs::create_directories(packed);
    struct Variant {
        const char* name;
        int level;
        bool encrypt;
        Layout layout;
    };
    for (const Variant& v :
         {Variant{"level0.zip", 0, false, Layout::kNew}, Variant{"level6.zip", 6, false, Layout::kOld},
          Variant{"level9.zip", 9, false, Layout::kNew}, Variant{"encrypted.zip", 6, true, Layout::kNew}}) {
        PackSwitches s;
        s.specs = {"interop\\tree"};
        s.level = v.level;
        s.encrypt = v.encrypt;
        s.password = v.encrypt ? "Tavrix-42" : "";
        s.hidden = true;
        component_.log = {};
        EXPECT_EQ(pack((packed / v.name).string(), s, v.layout, home_), 5) << v.name;
        EXPECT_EQ(component_.log.orderProblem(), "") << v.name;
    }
}

}  // namespace
}  // namespace tavrix::ziptest
