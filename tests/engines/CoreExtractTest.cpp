// Extraction by the portable core: hostile names, damaged data, switches,
// callbacks and cancelling.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>

#include "common/zip/SafeName.h"
#include "engines/core/Progress.h"
#include "engines/core/StagingPool.h"
#include "engines/core/Wildcard.h"
#include "engines/core/ZipArchive.h"
#include "tests/engines/CoreFixture.h"
#include "tests/engines/ForwardingFileSystem.h"
#include "tests/engines/HostileNames.h"
#include "tests/engines/ZipBuilder.h"

namespace tavrix::ziptest {
namespace {

std::string bigText(std::size_t size) {
    std::string s;
    s.reserve(size);
    for (std::size_t i = 0; s.size() < size; ++i) s += "line " + std::to_string(i * 7919 % 100003) + "\n";
    s.resize(size);
    return s;
}

// ---- Hostile names: each one refused with its message, nothing written anywhere.

class HostileNameTest : public CoreTest, public ::testing::WithParamInterface<HostileName> {};

TEST_P(HostileNameTest, IsRefusedAndTheRestExtracts) {
    const HostileName& h = GetParam();
    for (bool directories : {true, false}) {
        log_ = {};
        zip::ExtractOptions options;
        options.directories = directories;
        auto result = extract(buildZip({{h.name, "evil"}, {"ok.txt", "fine"}}), options);
        EXPECT_EQ(result.processed, 1u);
        EXPECT_TRUE(log_.hasMessage(h.code)) << h.name;
        EXPECT_EQ((std::map<std::string, std::string>{{"ok.txt", "fine"}}), treeOf(out_));
        fs::remove_all(out_);
        fs::create_directories(out_);
    }
    // Nothing beside the extraction folder either.
    EXPECT_EQ((std::map<std::string, std::string>{{"in.zip", readFile(root_ / "in.zip")}, {"out/", ""}}),
              treeOf(root_));
}

INSTANTIATE_TEST_SUITE_P(Names, HostileNameTest, ::testing::ValuesIn(kHostileNames),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(NameRules, OrdinaryNamesPass) {
    for (const char* name : {"a.txt", "dir/sub/file.bin", "icon.d/x", "CONSOLE.txt", "com10", "lpt0.txt",
                             "a..b", ".hidden", "dir\\win\\style.txt", "./lead/dot", "a//b"}) {
        EXPECT_EQ(zip::checkEntryName(name).verdict, zip::NameVerdict::kOk) << name;
    }
    EXPECT_EQ(zip::checkEntryName("dir\\win\\style.txt").components,
              (std::vector<std::string>{"dir", "win", "style.txt"}));
    EXPECT_EQ(zip::checkEntryName("./").verdict, zip::NameVerdict::kEmpty);
}

TEST(Wildcards, MatchIgnoringCaseAcrossFolders) {
    EXPECT_TRUE(zip::specMatches("*.TXT", "docs/readme.txt"));
    EXPECT_TRUE(zip::specMatches("docs\\*.txt", "docs/readme.txt"));
    EXPECT_TRUE(zip::specMatches("docs/read?e.*", "DOCS\\README.TXT"));
    EXPECT_TRUE(zip::specMatches("readme.txt", "docs/readme.txt"));  // bare name in any folder
    EXPECT_FALSE(zip::specMatches("other\\readme.txt", "docs/readme.txt"));
    EXPECT_FALSE(zip::specMatches("*.txt", "docs/readme.txt.bak"));
    EXPECT_TRUE(zip::wildcardMatch("?\xC3\xA9.txt", "x\xC3\x89.TXT"));  // one character, any case
    EXPECT_FALSE(zip::wildcardMatch("a?c", "ac"));
    // A trailing ".*" takes names without an extension, as on Windows.
    EXPECT_TRUE(zip::wildcardMatch("*.*", "README"));
    EXPECT_TRUE(zip::specMatches("readme.*", "docs/README"));
    EXPECT_FALSE(zip::wildcardMatch("readme.*", "readme2"));
    EXPECT_FALSE(zip::wildcardMatch("*.txt", "txt"));
}

// A '*' meeting a '*' in the name, and bytes that are not UTF-8 next to
// wildcards, dots and separators: each stands for itself.
TEST(Wildcards, StarsAndStrayBytesKeepTheirMeaning) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
        const char* why;
    };
    const Case cases[] = {
        {"a*", "a*b", true, "a star in the pattern still spans a star in the name"},
        {"*.*", "read?e.*XT", true, "the dot before the name's star is found"},
        {"a*c", "a*bc", true, "the pattern's star goes on past the name's star"},
        {"*.*", "a*b", true, "as on Windows, a name without an extension too"},
        {"a*.*", "b*", false, "but the rest of the pattern still counts"},
        {"*.*", "te\xEAT.q", true, "a lead byte without followers does not swallow the dot"},
        {"\xEA*.txt", "\xEAreadme.txt", true, "nor the pattern's star"},
        {"caf\xC4x*", "CAF\xC4X.txt", true, "an ASCII letter after a stray lead byte keeps its case rule"},
        {"a\xC0\xAA", "abc", false, "an overlong '*' is no wildcard"},
        {"a\xC0\xAA", "a\xC0\xAA", true, "but matches its own bytes"},
        {"\xC3\xA9*", "\xC3\x89t\xC3\xA9.txt", true, "real UTF-8 still folds its case"},
    };
    for (const Case& c : cases) EXPECT_EQ(zip::wildcardMatch(c.pattern, c.name), c.matches) << c.why;

    EXPECT_TRUE(zip::specMatches("readme.txt", "docs\xC3/readme.txt"))
        << "the folder ends at the separator after a stray lead byte";
    EXPECT_FALSE(zip::specMatches("readme.txt", "docs\xC0\xAFreadme.txt"))
        << "an overlong '/' is no separator";
}

// The matcher folds its patterns once and every name into one buffer: a
// short name after a long one must not see the long one's rest.
TEST(Wildcards, MatcherOverManyNamesAnswersAsEachPatternAlone) {
    const std::vector<std::string> specs = {"*.TXT", "docs\\read?e.*", "noise.bin"};
    zip::SpecMatcher matcher(specs);
    const std::pair<const char*, bool> names[] = {
        {"docs/a-rather-long-folder-name/readme.txt.bak", false},
        {"docs/readme", true},
        {"x.txt", true},
        {"deep/folder/noise.bin", true},
        {"noise.bi", false},
        {"", false},
        {"DOCS\\README.TXT", true},
        {"other/readme", false},
    };
    for (const auto& [text, expected] : names) {
        const std::string_view name = text;
        const bool alone = std::any_of(specs.begin(), specs.end(),
                                       [&](const std::string& spec) { return zip::specMatches(spec, name); });
        EXPECT_EQ(alone, expected) << name;
        EXPECT_EQ(matcher.matches(name), expected) << name;
    }
    EXPECT_TRUE(zip::SpecMatcher({}).empty());
    EXPECT_FALSE(matcher.empty());
}

// ---- Damaged archives: one fixture per kind of damage.

struct Damage {
    const char* label;
    BuildEntry entry;
    std::uint32_t code;
};

// Several advance steps long, so that a stop can fall inside it.
const std::string kPayload = bigText(2 * zip::kAdvanceStep + 100000);
const auto kPayloadSize = static_cast<std::uint32_t>(kPayload.size());

const Damage kDamages[] = {
    {"CrcDeflated", {.name = "bad.txt", .data = kPayload, .damageCrc = true}, 26},
    {"CrcStored", {.name = "bad.txt", .data = kPayload, .method = 0, .damageCrc = true}, 26},
    {"CrcOfManyPieces", {.name = "bad.txt", .data = bigText(5 << 20), .damageCrc = true}, 26},
    {"InflatesPastDeclaredSize", {.name = "bad.txt", .data = kPayload, .declaredSize = 1000}, 24},
    {"StoredLongerThanDeclared", {.name = "bad.txt", .data = kPayload, .method = 0, .declaredSize = 10}, 24},
    {"ShorterThanDeclared", {.name = "bad.txt", .data = kPayload, .declaredSize = kPayloadSize + 1000}, 25},
    {"UnsupportedMethod", {.name = "bad.txt", .data = kPayload, .method = 14}, 20},
    {"WrongPassword", {.name = "bad.txt", .data = kPayload, .password = "other"}, 22},
    {"StrongEncryption", {.name = "bad.txt", .data = kPayload, .extraFlags = 0x41}, 20},
};

class DamageTest : public CoreTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamageTest, EntryIsSkippedWithItsMessageAndNoFileIsLeft) {
    const Damage& d = GetParam();
    zip::ExtractOptions options;
    options.password = "secret";
    auto result = extract(buildZip({{"first.txt", "one"}, d.entry, {"last.txt", "two"}}), options);
    EXPECT_EQ(result.processed, 2u);
    EXPECT_TRUE(log_.hasMessage(d.code)) << ::testing::PrintToString(log_.messageCodes());
    EXPECT_EQ((std::map<std::string, std::string>{{"first.txt", "one"}, {"last.txt", "two"}}), treeOf(out_));
    EXPECT_TRUE(leftovers().empty());
    if (d.code != 20) EXPECT_EQ(log_.orderProblem(), "");  // skipped entries never start
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamageTest, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(CoreTest, OverlappingEntriesAreAllRefused) {
    std::vector<BuildEntry> entries = {{"a.txt", kPayload}, {"b.txt", ""}, {"c.txt", "own"}};
    entries[1].shareDataWith = 0;
    auto result = extract(buildZip(entries));
    EXPECT_EQ(result.processed, 1u);
    EXPECT_EQ(log_.count(EventKind::kMessage), 2u);
    EXPECT_TRUE(log_.hasMessage(14));
    EXPECT_EQ((std::map<std::string, std::string>{{"c.txt", "own"}}), treeOf(out_));
}

TEST_F(CoreTest, DamagedDirectoryIsReportedWithoutProgress) {
    std::string zip = buildZip({{"a.txt", "x"}});
    zip[zip.size() - 10] ^= 0x40;  // directory size
    auto result = extract(zip);
    EXPECT_EQ(result.processed, 0u);
    EXPECT_EQ(log_.messageCodes(), std::vector<std::uint32_t>{2});
    EXPECT_EQ(log_.events.size(), 1u);
}

// A file of `size` zero bytes that ends in an end record claiming a
// directory of `claimed` bytes right in front of it; counts what is read.
class ClaimingInput final : public RandomAccessInput {
public:
    ClaimingInput(std::uint64_t size, std::uint32_t claimed, std::uint64_t& bytesRead)
        : size_(size), bytesRead_(bytesRead) {
        const std::uint64_t offset = size - sizeof end_ - claimed;
        const std::uint8_t record[sizeof end_] = {0x50,
                                                  0x4B,
                                                  0x05,
                                                  0x06,
                                                  0,
                                                  0,
                                                  0,
                                                  0,
                                                  1,
                                                  0,
                                                  1,
                                                  0,
                                                  static_cast<std::uint8_t>(claimed),
                                                  static_cast<std::uint8_t>(claimed >> 8),
                                                  static_cast<std::uint8_t>(claimed >> 16),
                                                  static_cast<std::uint8_t>(claimed >> 24),
                                                  static_cast<std::uint8_t>(offset),
                                                  static_cast<std::uint8_t>(offset >> 8),
                                                  static_cast<std::uint8_t>(offset >> 16),
                                                  static_cast<std::uint8_t>(offset >> 24),
                                                  0,
                                                  0};
        std::memcpy(end_, record, sizeof end_);
    }
    std::uint64_t size() const override { return size_; }
    std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset >= size_) return 0;
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
        auto* out = static_cast<std::uint8_t*>(buffer);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t at = offset + i, endAt = size_ - sizeof end_;
            out[i] = at >= endAt ? end_[at - endAt] : 0;
        }
        bytesRead_ += count;
        return static_cast<std::ptrdiff_t>(count);
    }

private:
    std::uint64_t size_;
    std::uint64_t& bytesRead_;
    std::uint8_t end_[22];
};

// The directory is the one thing an archive's own numbers size: a claim past
// what the engine reads is damage, refused before anything that large is
// read or held (the 32-bit engines would not survive running out of memory).
TEST(ArchiveDirectory, ClaimPastTheLargestReadIsRefusedUnread) {
    constexpr std::uint32_t kClaimed = (64u << 20) + 1;
    std::uint64_t bytesRead = 0;
    zip::ZipArchive::OpenError error{};
    EXPECT_EQ(zip::ZipArchive::open(
                  std::make_unique<ClaimingInput>(std::uint64_t{96} << 20, kClaimed, bytesRead), error),
              nullptr);
    EXPECT_EQ(error, zip::ZipArchive::OpenError::kDamaged);
    EXPECT_LT(bytesRead, 1u << 20);  // the end record's tail, no more
}

TEST_F(CoreTest, SymlinkEntriesAreNeverLinks) {
    BuildEntry link{"link", "/etc/passwd", 0};
    link.versionMadeBy = 0x0314;  // Unix
    link.externalAttributes = 0120777u << 16;
    auto result = extract(buildZip({link, {"ok.txt", "fine"}}));
    EXPECT_EQ(result.processed, 1u);
    EXPECT_TRUE(log_.hasMessage(12));
    EXPECT_FALSE(fs::exists(fs::symlink_status(out_ / "link")));
}

TEST_F(CoreTest, FolderThatIsALinkIsNotFollowed) {
    fs::create_directories(root_ / "outside");
    fs::create_directory_symlink(root_ / "outside", out_ / "evil");
    auto result = extract(buildZip({{"evil/planted.txt", "x"}, {"evil/deeper/planted.txt", "y"}}));
    EXPECT_EQ(result.processed, 0u);
    EXPECT_TRUE(log_.hasMessage(13));
    EXPECT_TRUE(fs::is_empty(root_ / "outside"));
}

// ---- Switches.

TEST_F(CoreTest, ExistingFileIsKeptWhenOverwriteIsOff) {
    writeFile(out_ / "a.txt", "mine");
    zip::ExtractOptions options;
    options.verbose = true;
    auto result = extract(buildZip({{"a.txt", "theirs"}, {"b.txt", "new"}}), options);
    EXPECT_EQ(result.processed, 1u);
    EXPECT_EQ(readFile(out_ / "a.txt"), "mine");
    EXPECT_TRUE(log_.hasMessage(32));
    EXPECT_EQ(log_.orderProblem(), "");

    log_ = {};
    options.overwrite = true;
    result = extract(buildZip({{"a.txt", "theirs"}}), options);
    EXPECT_EQ(readFile(out_ / "a.txt"), "theirs");
}

TEST_F(CoreTest, FreshenAndUpdateCompareTimes) {
    // Archive entries dated 2025-04-12; one file older, one newer than that.
    writeFile(out_ / "old.txt", "old");
    writeFile(out_ / "new.txt", "new");
    fs::last_write_time(out_ / "old.txt",
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10));
    const std::string zip = buildZip({{"old.txt", "A"}, {"new.txt", "A"}, {"absent.txt", "A"}});

    zip::ExtractOptions freshen;
    freshen.freshen = true;
    EXPECT_EQ(extract(zip, freshen).processed, 1u);
    EXPECT_EQ((std::map<std::string, std::string>{{"old.txt", "A"}, {"new.txt", "new"}}), treeOf(out_));

    fs::last_write_time(out_ / "old.txt",
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10));
    writeFile(out_ / "old.txt", "old");
    fs::last_write_time(out_ / "old.txt",
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10));
    zip::ExtractOptions update;
    update.update = true;
    EXPECT_EQ(extract(zip, update).processed, 2u);
    EXPECT_EQ((std::map<std::string, std::string>{{"old.txt", "A"}, {"new.txt", "new"}, {"absent.txt", "A"}}),
              treeOf(out_));
}

TEST_F(CoreTest, TestModeWritesNothingAndCountsGoodEntries) {
    zip::ExtractOptions options;
    options.test = true;
    std::vector<BuildEntry> entries = {{"d/a.txt", kPayload}, {"b.txt", "x"}, {"c.txt", "y"}};
    entries[2].damageCrc = true;
    EXPECT_EQ(extract(buildZip(entries), options).processed, 2u);
    EXPECT_TRUE(log_.hasMessage(26));
    EXPECT_TRUE(fs::is_empty(out_));
    EXPECT_EQ(log_.orderProblem(), "");
}

TEST_F(CoreTest, FolderNamesRecreatedOrFlattenedAndPatternsSelect) {
    const std::string zip =
        buildZip({{"Docs/", ""}, {"Docs/Read.TXT", "r"}, {"Docs/img/p.bmp", "p"}, {"top.txt", "t"}});
    zip::ExtractOptions options;
    options.specs = {"docs\\*.txt"};
    EXPECT_EQ(extract(zip, options).processed, 1u);
    EXPECT_EQ((std::map<std::string, std::string>{{"Docs/", ""}, {"Docs/Read.TXT", "r"}}), treeOf(out_));

    fs::remove_all(out_);
    fs::create_directories(out_);
    options.specs = {"*.bmp", "top.txt"};
    options.directories = false;
    EXPECT_EQ(extract(zip, options).processed, 2u);
    EXPECT_EQ((std::map<std::string, std::string>{{"p.bmp", "p"}, {"top.txt", "t"}}), treeOf(out_));
}

TEST_F(CoreTest, PasswordAndDataDescriptorsAndTimes) {
    BuildEntry secret{"s.txt", kPayload};
    secret.password = "pw";
    BuildEntry streamed{"d.txt", kPayload, 8};
    streamed.dataDescriptor = true;
    streamed.password = "pw";
    zip::ExtractOptions options;
    options.password = "pw";
    EXPECT_EQ(extract(buildZip({secret, streamed}), options).processed, 2u);
    EXPECT_EQ(readFile(out_ / "s.txt"), kPayload);
    EXPECT_EQ(readFile(out_ / "d.txt"), kPayload);
    struct stat st {};
    ASSERT_EQ(::stat((out_ / "s.txt").c_str(), &st), 0);
    struct tm* t = ::localtime(&st.st_mtime);
    EXPECT_EQ(t->tm_year + 1900, 2025);
    EXPECT_EQ(t->tm_hour, 12);

    log_ = {};
    fs::remove_all(out_);
    fs::create_directories(out_);
    EXPECT_EQ(extract(buildZip({secret})).processed, 0u);  // no password given
    EXPECT_TRUE(log_.hasMessage(21));
}

TEST_F(CoreTest, OemNamesAreConverted) {
    BuildEntry dos{"caf\x82.txt", "x"};  // 0x82 is e-acute in the OEM set
    zip::ExtractOptions options;
    EXPECT_EQ(extract(buildZip({dos}), options).processed, 1u);
    EXPECT_TRUE(fs::exists(out_ / "caf\xC3\xA9.txt"));
    options.codePage = zip::NameCodePage::kNone;  // Windows-1252: 0x82 is a low quotation mark
    EXPECT_EQ(extract(buildZip({dos}), options).processed, 1u);
    EXPECT_TRUE(fs::exists(out_ / "caf\xE2\x80\x9A.txt"));
}

// ---- Callbacks and cancelling.

TEST_F(CoreTest, CallbacksComeInOrderAndAddUp) {
    const std::string zip =
        buildZip({{"dir/", ""}, {"dir/big.txt", kPayload}, {"empty.txt", ""}, {"s.txt", kPayload, 0}});
    EXPECT_EQ(extract(zip).processed, 3u);
    EXPECT_EQ(log_.orderProblem(), "");
    EXPECT_EQ(log_.events[0].size, 3u);
    EXPECT_EQ(log_.events[1].size, 2 * kPayload.size());
    EXPECT_GE(log_.count(EventKind::kAdvance), 2 * kPayload.size() / zip::kAdvanceStep);
}

struct CancelPoint {
    const char* label;
    std::function<bool(const Event&, const EventLog&)> when;
    std::size_t filesLeft;
};

class CancelTest : public CoreTest, public ::testing::WithParamInterface<CancelPoint> {};

TEST_P(CancelTest, StopsWithoutPartialFiles) {
    log_.stopWhen = GetParam().when;
    auto result = extract(buildZip({{"a.txt", "first"}, {"big.txt", kPayload}, {"c.txt", "last"}}));
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(log_.count(EventKind::kBatchEnd), 0u);
    EXPECT_EQ(treeOf(out_).size(), GetParam().filesLeft);
    EXPECT_FALSE(fs::exists(out_ / "big.txt"));
    EXPECT_TRUE(leftovers().empty());
}

INSTANTIATE_TEST_SUITE_P(Points, CancelTest,
                         ::testing::Values(CancelPoint{"AtFileCount",
                                                       [](const Event& e, const EventLog&) {
                                                           return e.kind == EventKind::kFileCount;
                                                       },
                                                       0},
                                           CancelPoint{"AtSecondFileStart",
                                                       [](const Event& e, const EventLog& log) {
                                                           return e.kind == EventKind::kFileStart &&
                                                                  log.count(EventKind::kFileStart) == 2;
                                                       },
                                                       1},
                                           CancelPoint{"InsideBigFile",
                                                       [](const Event& e, const EventLog& log) {
                                                           return e.kind == EventKind::kAdvance &&
                                                                  log.count(EventKind::kAdvance) == 3;
                                                       },
                                                       1}),
                         [](const auto& info) { return std::string(info.param.label); });

// ---- Two threads: the same files, reports and messages as one.

struct ThreadRun {
    zip::OperationResult result;
    std::vector<std::string> reports;  // every event, in order
    std::map<std::string, std::string> tree;
    std::string orderProblem;
};

class ThreadsTest : public CoreTest {
protected:
    ThreadRun run(const std::string& zipBytes, unsigned threads,
                  std::function<bool(const Event&, const EventLog&)> stopWhen = {},
                  zip::FileSystem* fs = nullptr) {
        const fs::path dir = root_ / ("threads" + std::to_string(threads));
        fs::create_directories(dir);
        writeFile(root_ / "in.zip", zipBytes);
        zip::ExtractOptions options;
        options.baseDir = dir.string();
        options.threads = threads;
        options.stagedFiles = &zip::StagingPool::make;
        EventLog log;
        log.stopWhen = std::move(stopWhen);
        LoggingSink sink(log);
        ThreadRun r;
        r.result = zip::extractArchive(fs ? *fs : *fs_, (root_ / "in.zip").string(), options, sink);
        for (const Event& e : log.events)
            r.reports.push_back(std::to_string(static_cast<int>(e.kind)) + " " + std::to_string(e.size) +
                                " " + std::to_string(e.code) + " " + e.text);
        r.tree = treeOf(dir);
        r.orderProblem = log.orderProblem(!r.result.cancelled);
        return r;
    }
};

// Small entries, incompressible and empty ones, and big ones that take
// several pieces in and out (zeros inflate to a thousand times their size).
std::vector<BuildEntry> mixedEntries() {
    std::vector<BuildEntry> entries;
    std::mt19937 random(29);
    const auto noise = [&](std::size_t size) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        return bytes;
    };
    for (int i = 0; i < 30; ++i) {
        const std::string n = std::to_string(i);
        entries.push_back({"small/t" + n + ".txt", bigText(200 + i * 1500)});
        entries.push_back(
            {"small/n" + n + ".bin", noise(100 + i * 900), static_cast<std::uint16_t>(i % 2 ? 0 : 8)});
        if (i % 10 == 0) entries.push_back({"small/e" + n, ""});
    }
    entries.push_back({"big/text.txt", bigText(6 << 20)});
    entries.push_back({"big/noise.bin", noise(3 << 20)});
    entries.push_back({"big/zeros.bin", std::string(9 << 20, '\0')});
    entries.push_back({"big/stored.bin", noise(2 << 20), 0});
    entries.push_back({"last.txt", "last"});
    return entries;
}

TEST_F(ThreadsTest, TwoGiveTheTreeAndReportsOfOne) {
    const std::vector<BuildEntry> entries = mixedEntries();
    const std::string zip = buildZip(entries);
    const ThreadRun one = run(zip, 1), two = run(zip, 2);
    std::map<std::string, std::string> expected{{"big/", ""}, {"small/", ""}};
    for (const BuildEntry& e : entries) expected[e.name] = e.data;
    EXPECT_TRUE(one.tree == expected);
    EXPECT_TRUE(two.tree == expected);
    EXPECT_EQ(two.result.processed, entries.size());
    EXPECT_EQ(two.reports, one.reports);
    EXPECT_EQ(two.orderProblem, "");
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(ThreadsTest, CancelLeavesOnlyWholeFilesAndStopsAtOnce) {
    const std::vector<BuildEntry> entries = mixedEntries();
    const std::string zip = buildZip(entries);
    std::map<std::string, std::string> expected{{"big/", ""}, {"small/", ""}};
    for (const BuildEntry& e : entries) expected[e.name] = e.data;
    const std::size_t bigText = entries.size() - 4;  // its turn
    const std::pair<const char*, std::function<bool(const Event&, const EventLog&)>> points[] = {
        {"between small files",
         [](const Event& e, const EventLog& log) {
             return e.kind == EventKind::kFileStart && log.count(EventKind::kFileStart) == 20;
         }},
        {"inside the big text",
         [bigText](const Event& e, const EventLog& log) {
             return e.kind == EventKind::kAdvance && log.count(EventKind::kFileStart) == bigText &&
                    log.events[log.events.size() - 2].kind == EventKind::kAdvance;
         }},
    };
    for (const auto& [label, when] : points) {
        const ThreadRun one = run(zip, 1, when), two = run(zip, 2, when);
        EXPECT_TRUE(two.result.cancelled) << label;
        EXPECT_EQ(two.reports, one.reports) << label;
        EXPECT_EQ(two.reports.back().rfind("4 ", 0), 0u) << label << ": the cancel message ends it";
        for (const auto& [name, content] : two.tree)
            EXPECT_TRUE(content == expected[name]) << label << ": " << name;
        EXPECT_EQ(two.tree.count("big/text.txt"), 0u) << label;
        EXPECT_TRUE(leftovers().empty()) << label;
        fs::remove_all(root_ / "threads1");
        fs::remove_all(root_ / "threads2");
    }
}

TEST_F(ThreadsTest, DamagedEntriesReportAsOnOneThread) {
    for (const Damage& d : kDamages) {
        BuildEntry big{"big.txt", bigText(3 << 20)};
        const std::string zip = buildZip({{"first.txt", "one"}, d.entry, big, {"last.txt", "two"}});
        const ThreadRun one = run(zip, 1), two = run(zip, 2);
        EXPECT_EQ(two.reports, one.reports) << d.label;
        EXPECT_TRUE(two.tree == one.tree) << d.label;
        EXPECT_EQ(two.tree.count("bad.txt"), 0u) << d.label;
        EXPECT_EQ(two.result.processed, 3u) << d.label;
        fs::remove_all(root_ / "threads1");
        fs::remove_all(root_ / "threads2");
    }
    EXPECT_TRUE(leftovers().empty());
}

// A disk that fills after a number of new files, whichever thread makes them.
class FillingFileSystem final : public ForwardingFileSystem {
public:
    FillingFileSystem(zip::FileSystem& real, int room) : ForwardingFileSystem(real), room_(room) {}
    std::unique_ptr<zip::OutputFile> createNew(const std::string& path) override {
        return room_.fetch_sub(1) > 0 ? real_.createNew(path) : nullptr;
    }

private:
    std::atomic<int> room_;
};

// Files are made ahead on the second thread, or by the extraction when none
// is ready: a file made is used once, a file that got none is reported as
// not written, and nothing made is left. Which file gets the last room on
// the disk depends on which thread asked first, and the worker may still
// hold the last file it made when the extraction has gone past every file:
// that one is removed unused.
TEST_F(ThreadsTest, EveryFileMadeAheadIsUsedOnceAndNoneIsLeftWhenTheDiskFills) {
    std::vector<BuildEntry> entries;
    std::map<std::string, std::string> expected;
    for (int i = 0; i < 100; ++i) {
        entries.push_back({"many/f" + std::to_string(i) + ".txt", "file " + std::to_string(i)});
        expected[entries.back().name] = entries.back().data;
    }
    const std::string zip = buildZip(entries);
    const std::string failure = std::to_string(static_cast<int>(EventKind::kMessage)) + " ";
    for (const int room : {0, 1, 17, 40, 1000}) {
        FillingFileSystem filling(*fs_, room);
        const ThreadRun two = run(zip, 2, {}, &filling);
        const std::size_t fitting = std::min<std::size_t>(room, entries.size());
        const std::size_t whole = two.result.processed;
        EXPECT_LE(whole, fitting) << room;
        EXPECT_GE(whole + 1, fitting) << room;
        if (room == 0 || room >= 1000) EXPECT_EQ(whole, fitting);
        EXPECT_EQ(std::count_if(two.reports.begin(), two.reports.end(),
                                [&](const std::string& r) { return r.starts_with(failure); }),
                  static_cast<std::ptrdiff_t>(entries.size() - whole))
            << room;
        EXPECT_EQ(two.tree.size(), whole + 1) << room;  // and the folder
        for (const auto& [name, content] : two.tree)
            EXPECT_TRUE(name == "many/" || content == expected[name]) << room << ": " << name;
        EXPECT_EQ(two.orderProblem, "") << room;
        EXPECT_TRUE(leftovers().empty()) << room;
        fs::remove_all(root_ / "threads2");
    }
}

// A cancel while files wait ready: they go with the staging folder.
TEST_F(ThreadsTest, CancelRemovesFilesMadeAhead) {
    std::vector<BuildEntry> entries;
    for (int i = 0; i < 200; ++i) entries.push_back({"f" + std::to_string(i), std::string(i, 'x')});
    const ThreadRun two = run(buildZip(entries), 2, [](const Event& e, const EventLog& log) {
        return e.kind == EventKind::kFileStart && log.count(EventKind::kFileStart) == 50;
    });
    EXPECT_TRUE(two.result.cancelled);
    EXPECT_EQ(two.result.processed, 49u);
    EXPECT_EQ(two.tree.size(), 49u);
    EXPECT_TRUE(leftovers().empty());
}

}  // namespace
}  // namespace tavrix::ziptest
