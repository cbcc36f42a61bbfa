// Adding and deleting with the portable core, and agreement with other ZIP
// tools (Info-ZIP zip/unzip, 7-Zip, Python's zipfile) in both directions.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "engines/core/DeflatePipeline.h"
#include "engines/core/ZipArchive.h"
#include "tests/engines/CoreFixture.h"
#include "tests/engines/ForwardingFileSystem.h"

namespace tavrix::ziptest {
namespace {

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& ch : s) ch = static_cast<char>(rng());
    return s;
}

void makeSampleTree(const fs::path& root) {
    writeFile(root / "readme.txt", "Read me first.\r\n");
    writeFile(root / "empty.dat", "");
    writeFile(root / "noise.bin", randomBytes(150000, 1));
    std::string text;
    for (int i = 0; i < 40000; ++i) text += "gauge " + std::to_string(i % 977) + "\n";
    writeFile(root / "panel/gauges/text.cfg", text);
    writeFile(root / "panel/caf\xC3\xA9.txt", "accent");
    fs::create_directories(root / "panel/empty folder");
}

struct ToolRun {
    int status;
    std::string output;
};

ToolRun run(const std::string& command) {
    ToolRun r{-1, {}};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) r.output.append(buffer, n);
    r.status = ::pclose(pipe);
    return r;
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// Files only: tools differ in whether they recreate empty folders.
std::map<std::string, std::string> filesOf(const fs::path& root) {
    auto tree = treeOf(root);
    std::erase_if(tree, [](const auto& item) { return item.first.back() == '/'; });
    return tree;
}

// A file system that fails to open one chosen file, as a locked file would.
class FaultyFileSystem final : public ForwardingFileSystem {
public:
    FaultyFileSystem(zip::FileSystem& real, std::string failing)
        : ForwardingFileSystem(real), failing_(std::move(failing)) {}
    std::unique_ptr<RandomAccessInput> openRead(const std::string& path) override {
        return path.find(failing_) != std::string::npos ? nullptr : real_.openRead(path);
    }

private:
    std::string failing_;
};

class PackTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        src_ = root_ / "src";
        makeSampleTree(src_);
        archive_ = root_ / "made.zip";
    }
    zip::OperationResult pack(zip::PackOptions options, zip::FileSystem* fs = nullptr) {
        LoggingSink sink(log_);
        return zip::packArchive(fs ? *fs : *fs_, archive_.string(), options, sink);
    }
    zip::PackOptions recursive(int level = 6) {
        zip::PackOptions options;
        options.specs = {src_.string()};
        options.recurse = true;
        options.level = level;
        options.junkDirNames = false;
        return options;
    }
    std::vector<std::string> entryNames() {
        zip::ZipArchive::OpenError error{};
        auto archive = zip::ZipArchive::open(fs_->openRead(archive_.string()), error);
        std::vector<std::string> names;
        if (archive)
            for (const auto& e : archive->entries()) names.emplace_back(e.rawName);
        return names;
    }
    // The archive's entries below the source folder, as unzip sees them.
    fs::path unzipped(const std::string& extra = "") {
        const fs::path dir = root_ / "unzip";
        fs::remove_all(dir);
        const ToolRun r = run("unzip -q " + extra + " -d " + quoted(dir) + " " + quoted(archive_));
        EXPECT_EQ(r.status, 0) << r.output;
        return dir / fs::relative(src_, "/");
    }

    fs::path src_;
    fs::path archive_;
};

TEST_F(PackTest, ArchivePassesOtherToolsAndExtractsIdentically) {
    for (int level : {0, 6, 9}) {
        fs::remove(archive_);
        auto options = recursive(level);
        options.separateDirs = true;
        EXPECT_EQ(pack(options).processed, 5u);
        EXPECT_EQ(log_.orderProblem(), "");
        const ToolRun unzipTest = run("unzip -t " + quoted(archive_));
        EXPECT_EQ(unzipTest.status, 0) << unzipTest.output;
        EXPECT_EQ(unzipTest.output.find("arning"), std::string::npos) << unzipTest.output;
        const ToolRun sevenTest = run("7z t " + quoted(archive_));
        EXPECT_EQ(sevenTest.status, 0) << sevenTest.output;
        EXPECT_NE(sevenTest.output.find("Everything is Ok"), std::string::npos) << sevenTest.output;
        EXPECT_EQ(sevenTest.output.find("arning"), std::string::npos) << sevenTest.output;
        EXPECT_EQ(treeOf(unzipped()), treeOf(src_));
        log_ = {};
    }
}

TEST_F(PackTest, EncryptedArchiveOpensWithThePasswordElsewhere) {
    auto options = recursive();
    options.encrypt = true;
    options.password = "Tavrix-42";
    EXPECT_EQ(pack(options).processed, 5u);
    EXPECT_EQ(filesOf(unzipped("-P Tavrix-42")), filesOf(src_));
    const ToolRun sevenTest = run("7z t -pTavrix-42 " + quoted(archive_));
    EXPECT_NE(sevenTest.output.find("Everything is Ok"), std::string::npos) << sevenTest.output;
    EXPECT_NE(run("unzip -t -P wrong " + quoted(archive_)).status, 0);
}

TEST_F(PackTest, DeleteRemovesMatchingEntriesOnly) {
    EXPECT_EQ(pack(recursive()).processed, 5u);
    zip::PackOptions del;
    del.deleteEntries = true;
    del.specs = {"*.TXT"};
    log_ = {};
    EXPECT_EQ(pack(del).processed, 2u);
    EXPECT_EQ(log_.orderProblem(), "");
    auto files = filesOf(unzipped());
    EXPECT_EQ(files.size(), 3u);
    EXPECT_EQ(files.count("readme.txt"), 0u);
    EXPECT_EQ(files["noise.bin"], readFile(src_ / "noise.bin"));

    const std::string before = readFile(archive_);
    del.specs = {"nothing*"};
    EXPECT_EQ(pack(del).processed, 0u);
    EXPECT_EQ(readFile(archive_), before);
}

TEST_F(PackTest, DeleteFromMoreEntriesThanTheEndRecordCounts) {
    // Made by Python's zipfile, which gives it the ZIP64 end records; what
    // is left keeps them and stays readable by the core, unzip and 7z.
    constexpr int kEntries = 66000;
    const ToolRun made =
        run("python3 -c 'import sys, zipfile\n"
            "with zipfile.ZipFile(sys.argv[1], \"w\") as z:\n"
            "    for i in range(" +
            std::to_string(kEntries) +
            "):\n"
            "        z.writestr(\"d%d/f%d\" % (i // 1000, i), str(i))' " +
            quoted(archive_));
    ASSERT_EQ(made.status, 0) << made.output;
    zip::PackOptions del;
    del.deleteEntries = true;
    del.specs = {"d7/f7001"};
    EXPECT_EQ(pack(del).processed, 1u);
    const std::vector<std::string> names = entryNames();
    EXPECT_EQ(names.size(), kEntries - 1u);
    EXPECT_EQ(std::count(names.begin(), names.end(), "d7/f7001"), 0);
    const ToolRun listed = run("unzip -Z1 " + quoted(archive_) + " | wc -l");
    EXPECT_EQ(std::stoi(listed.output), kEntries - 1) << listed.output;
    const ToolRun sevenTest = run("7z t " + quoted(archive_));
    EXPECT_NE(sevenTest.output.find("Everything is Ok"), std::string::npos)
        << sevenTest.output.substr(0, 2000);
}

TEST_F(PackTest, FailedAddLeavesTheArchiveByteForByte) {
    EXPECT_EQ(pack(recursive()).processed, 5u);
    const std::string before = readFile(archive_);
    writeFile(src_ / "zz-new.txt", "new");
    writeFile(src_ / "readme.txt", "changed");
    FaultyFileSystem faulty(*fs_, "zz-new.txt");
    log_ = {};
    EXPECT_EQ(pack(recursive(), &faulty).processed, 0u);
    EXPECT_TRUE(log_.hasMessage(40));
    EXPECT_EQ(readFile(archive_), before);
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(PackTest, CancelledAddLeavesTheArchiveByteForByte) {
    EXPECT_EQ(pack(recursive()).processed, 5u);
    const std::string before = readFile(archive_);
    writeFile(src_ / "readme.txt", "changed");
    for (std::size_t advances : {1u, 3u}) {
        log_ = {};
        log_.stopWhen = [advances](const Event& e, const EventLog& log) {
            return e.kind == EventKind::kAdvance && log.count(EventKind::kAdvance) == advances;
        };
        auto result = pack(recursive());
        EXPECT_TRUE(result.cancelled);
        EXPECT_EQ(readFile(archive_), before);
        EXPECT_TRUE(leftovers().empty());
    }
}

TEST_F(PackTest, FreshenUpdateAndMove) {
    writeFile(root_ / "w/a.txt", "a1");
    writeFile(root_ / "w/b.txt", "b1");
    zip::PackOptions options;
    options.specs = {(root_ / "w/a.txt").string()};
    options.junkDirNames = true;
    EXPECT_EQ(pack(options).processed, 1u);

    const auto later = fs::last_write_time(root_ / "w/a.txt") + std::chrono::seconds(10);
    writeFile(root_ / "w/a.txt", "a2");
    fs::last_write_time(root_ / "w/a.txt", later);
    options.specs = {(root_ / "w/*.txt").string()};
    options.freshen = true;
    EXPECT_EQ(pack(options).processed, 1u);  // a.txt replaced, b.txt not added
    EXPECT_EQ(entryNames(), std::vector<std::string>{"a.txt"});

    options.freshen = false;
    options.update = true;
    EXPECT_EQ(pack(options).processed, 1u);  // only b.txt is new
    EXPECT_EQ(entryNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(pack(options).processed, 0u);  // nothing newer

    writeFile(root_ / "w/c.txt", "c");
    options.update = false;
    options.move = true;
    options.specs = {(root_ / "w/c.txt").string()};
    EXPECT_EQ(pack(options).processed, 1u);
    EXPECT_FALSE(fs::exists(root_ / "w/c.txt"));
    unzipped();  // junked names: at the top of the archive
    EXPECT_EQ(readFile(root_ / "unzip/a.txt"), "a2");
    EXPECT_EQ(readFile(root_ / "unzip/c.txt"), "c");
}

TEST_F(PackTest, NamesHiddenFilesDosNamesAndArchiveTime) {
    writeFile(root_ / "h/.hidden", "h");
    writeFile(root_ / "h/Long Name File.text", "l");
    fs::last_write_time(root_ / "h/Long Name File.text",
                        fs::file_time_type::clock::now() - std::chrono::hours(500));
    ::chdir(root_.c_str());
    zip::PackOptions options;
    options.specs = {"h"};
    options.recurse = true;
    options.forceDos = true;
    options.zipTime = true;
    EXPECT_EQ(pack(options).processed, 1u);
    EXPECT_EQ(entryNames(), std::vector<std::string>{"H/LONGNAME.TEX"});
    struct stat archiveStat {
    }, fileStat{};
    ::stat(archive_.c_str(), &archiveStat);
    ::stat((root_ / "h/Long Name File.text").c_str(), &fileStat);
    EXPECT_EQ(archiveStat.st_mtime, fileStat.st_mtime);

    fs::remove(archive_);
    options.forceDos = false;
    options.hiddenFiles = true;
    options.separateDirs = true;
    EXPECT_EQ(pack(options).processed, 2u);
    EXPECT_EQ(entryNames(), (std::vector<std::string>{"h/", "h/.hidden", "h/Long Name File.text"}));
    ::chdir("/");
}

// ---- Compressing on two threads writes what one thread writes.

class TwoThreadPackTest : public PackTest {
protected:
    void SetUp() override {
        PackTest::SetUp();
        // Hundreds of small files around the writer's buffer, some that do
        // not shrink, empty ones, a folder, and one too big to be compressed
        // in memory, in the middle of the others.
        for (int i = 0; i < 300; ++i) {
            const fs::path dir = src_ / ("d" + std::to_string(i / 50));
            std::string text;
            for (int line = 0; line < i * 7 % 400; ++line)
                text += "needle " + std::to_string(line * i) + "\n";
            writeFile(dir / ("t" + std::to_string(i) + ".txt"), text);
            if (i % 9 == 0) writeFile(dir / ("r" + std::to_string(i) + ".bin"), randomBytes(i * 997, i));
            if (i % 60 == 0) writeFile(dir / ("e" + std::to_string(i)), "");
        }
        std::string big = randomBytes(3 << 20, 7);
        while (big.size() <= zip::DeflatePipeline::kMaxWholeSize) big += big.substr(0, 1 << 20);
        writeFile(src_ / "d3/big.bin", big);
    }
    void TearDown() override {
        ::chdir("/");
        PackTest::TearDown();
    }
    // Names from the folder that holds the archive and the sources: the
    // folders above it change their times as archives come and go.
    zip::PackOptions withThreads(unsigned threads) {
        ::chdir(root_.c_str());
        auto options = recursive();
        options.specs = {"src"};
        options.separateDirs = true;
        options.threads = threads;
        return options;
    }
};

TEST_F(TwoThreadPackTest, ArchiveAndReportsAreTheSameAsOneThreads) {
    ASSERT_EQ(pack(withThreads(1)).processed, 345u);
    const std::string one = readFile(archive_);
    const std::vector<Event> oneReports = log_.events;
    EXPECT_EQ(log_.orderProblem(), "");
    for (int run = 0; run < 3; ++run) {
        fs::remove(archive_);
        log_ = {};
        ASSERT_EQ(pack(withThreads(2)).processed, 345u);
        // (Compared whole: a failure message of two archives would be too long.)
        ASSERT_TRUE(readFile(archive_) == one) << "run " << run;
        ASSERT_EQ(log_.events.size(), oneReports.size());
        for (std::size_t i = 0; i < oneReports.size(); ++i) {
            EXPECT_EQ(log_.events[i].kind, oneReports[i].kind) << i;
            EXPECT_EQ(log_.events[i].text, oneReports[i].text) << i;
        }
    }
    // Files that do not shrink are stored, wherever they fall in the writer's buffer.
    zip::ZipArchive::OpenError error{};
    auto archive = zip::ZipArchive::open(fs_->openRead(archive_.string()), error);
    ASSERT_TRUE(archive);
    for (const auto& e : archive->entries()) {
        const bool noise = e.rawName.ends_with(".bin") && e.rawName.find("/r") != std::string::npos;
        if (noise || e.size == 0) EXPECT_EQ(e.method, 0) << e.rawName;
        if (e.rawName.ends_with(".txt") && e.size > 1000) EXPECT_EQ(e.method, 8) << e.rawName;
    }
    const fs::path unzipped = root_ / "unzip";
    const ToolRun r = run("unzip -q -d " + quoted(unzipped) + " " + quoted(archive_));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(treeOf(unzipped / "src"), treeOf(src_));
}

TEST_F(TwoThreadPackTest, CancelAndUnreadableFileEndTheAddCleanly) {
    // A stop asked at any of these points, while the worker holds files
    // read ahead, and a file that cannot be opened behind other ones: the
    // worker is stopped and joined, nothing is left (ASan sees any leak).
    for (std::size_t advances : {1u, 40u, 200u}) {
        log_ = {};
        log_.stopWhen = [advances](const Event& e, const EventLog& log) {
            return e.kind == EventKind::kAdvance && log.count(EventKind::kAdvance) == advances;
        };
        EXPECT_TRUE(pack(withThreads(2)).cancelled) << advances;
        EXPECT_FALSE(fs::exists(archive_));
        EXPECT_TRUE(leftovers().empty());
    }
    // Within the big file, whose blocks are compressed apart.
    log_ = {};
    log_.stopWhen = [](const Event& e, const EventLog& log) {
        const auto start = std::find_if(log.events.rbegin(), log.events.rend(),
                                        [](const Event& s) { return s.kind == EventKind::kFileStart; });
        return e.kind == EventKind::kAdvance && start != log.events.rend() &&
               start->text.ends_with("big.bin") && start - log.events.rbegin() == 3;
    };
    EXPECT_TRUE(pack(withThreads(2)).cancelled);
    EXPECT_TRUE(log_.events.back().kind == EventKind::kMessage && log_.events.back().code == 33u);
    EXPECT_FALSE(fs::exists(archive_));
    EXPECT_TRUE(leftovers().empty());
    log_ = {};
    FaultyFileSystem faulty(*fs_, "t151.txt");
    EXPECT_EQ(pack(withThreads(2), &faulty).processed, 0u);
    EXPECT_FALSE(fs::exists(archive_));
    EXPECT_TRUE(leftovers().empty());
    // The failure is told in its file's turn, after the files before it.
    const auto& events = log_.events;
    const auto failure = std::find_if(events.begin(), events.end(),
                                      [](const Event& e) { return e.kind == EventKind::kMessage; });
    ASSERT_NE(failure, events.end());
    EXPECT_EQ(failure->code, 40u);
    ASSERT_NE(failure, events.begin());
    EXPECT_EQ(std::prev(failure)->kind, EventKind::kFileStart);
    EXPECT_NE(std::prev(failure)->text.find("t151.txt"), std::string::npos);
}

// ---- Archives made by other tools extract to the same tree.

struct Maker {
    const char* label;
    const char* command;  // run in the source folder; $Z is the archive
};

const Maker kMakers[] = {
    {"ZipStored", "zip -q -r -0 $Z ."},
    {"ZipDeflated", "zip -q -r -9 $Z ."},
    {"ZipEncrypted", "zip -q -r -P Tavrix-42 $Z ."},
    {"ZipDescriptors", "zip -q -r -fd $Z ."},
    {"ZipComment", "zip -q -r $Z . && echo 'a comment' | zip -q -z $Z"},
    {"ZipStreamed", "find . -type f | sort | zip -q -fd -@ $Z"},
    {"PythonZipfile",
     "python3 -c \"import os,sys,zipfile\nz=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\nfor "
     "d,_,fs in "
     "os.walk('.'):\n  [z.write(os.path.join(d,f)) for f in fs]\nz.close()\" $Z"},
    {"PythonStored",
     "python3 -c \"import os,sys,zipfile\nz=zipfile.ZipFile(sys.argv[1],'w')\nfor d,_,fs in "
     "os.walk('.'):\n  [z.write(os.path.join(d,f)) for f in fs]\nz.close()\" $Z"},
};

class InteropTest : public CoreTest, public ::testing::WithParamInterface<Maker> {};

TEST_P(InteropTest, ExtractsToTheSameFiles) {
    const fs::path src = root_ / "src";
    makeSampleTree(src);
    std::string command = GetParam().command;
    const std::string zipPath = (root_ / "made.zip").string();
    for (std::size_t at; (at = command.find("$Z")) != std::string::npos;) command.replace(at, 2, zipPath);
    const ToolRun made = run("cd " + quoted(src) + " && " + command);
    ASSERT_EQ(made.status, 0) << made.output;
    zip::ExtractOptions options;
    options.baseDir = out_.string();
    options.password = "Tavrix-42";
    LoggingSink sink(log_);
    auto result = zip::extractArchive(*fs_, zipPath, options, sink);
    EXPECT_EQ(result.processed, 5u);
    EXPECT_EQ(log_.messageCodes(), std::vector<std::uint32_t>{});
    EXPECT_EQ(filesOf(out_), filesOf(src));
}

TEST_F(CoreTest, ZipFedThroughAPipeExtracts) {
    const std::string data = randomBytes(100000, 7) + std::string(100000, 'z');
    writeFile(root_ / "data.bin", data);
    const fs::path zipPath = root_ / "piped.zip";
    const ToolRun made = run("cat " + quoted(root_ / "data.bin") + " | zip -q " + quoted(zipPath) + " -");
    ASSERT_EQ(made.status, 0) << made.output;
    zip::ExtractOptions options;
    options.baseDir = out_.string();
    LoggingSink sink(log_);
    EXPECT_EQ(zip::extractArchive(*fs_, zipPath.string(), options, sink).processed, 1u);
    EXPECT_EQ(readFile(out_ / "-"), data);
}

INSTANTIATE_TEST_SUITE_P(Makers, InteropTest, ::testing::ValuesIn(kMakers),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace tavrix::ziptest
