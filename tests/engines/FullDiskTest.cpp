// Extraction onto a disk that fills up, in a file system held in memory: the
// file that no longer fits is reported and leaves nothing behind, the files
// before and after it are whole, and the report's sums still add up.
#include <gtest/gtest.h>

#include <random>

#include "tests/engines/CoreFixture.h"
#include "tests/engines/MemoryFileSystem.h"
#include "tests/engines/ZipBuilder.h"

namespace tavrix::ziptest {
namespace {

using zip::MessageId;

std::string noise(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

struct FullDisk {
    const char* what;
    std::uint64_t capacity;  // bytes the destination may hold
    std::vector<std::string> whole;
    std::vector<std::string> missing;
};

const std::string kSmall(1000, 's');
const std::string kLarge = noise(300 * 1024);  // does not compress, so it fills the disk
const std::string kLast(100, 'l');

const FullDisk kFullDisks[] = {
    {"room for all", 1 << 20, {"a.txt", "sub/b.bin", "c.txt"}, {}},
    {"the large file does not fit", 64 * 1024, {"a.txt", "c.txt"}, {"sub/b.bin"}},
    {"nothing fits", 50, {}, {"a.txt", "sub/b.bin", "c.txt"}},
};

void PrintTo(const FullDisk& disk, std::ostream* out) {
    *out << disk.what;
}

class FullDiskTest : public ::testing::TestWithParam<FullDisk> {};

TEST_P(FullDiskTest, FilesThatFitAreWholeAndTheRestLeaveNothing) {
    const FullDisk& disk = GetParam();
    MemoryFileSystem fs;
    fs.putFile("/in.zip", [] {
        const std::string zip = buildZip({{"a.txt", kSmall}, {"sub/b.bin", kLarge}, {"c.txt", kLast, 0}});
        return std::vector<std::uint8_t>(zip.begin(), zip.end());
    }());
    fs.putDirectory("/dest");
    fs.setCapacity(fs.used() + disk.capacity);

    EventLog log;
    LoggingSink sink(log);
    zip::ExtractOptions options;
    options.baseDir = "/dest";
    const zip::OperationResult result = zip::extractArchive(fs, "/in.zip", options, sink);

    EXPECT_EQ(result.processed, disk.whole.size());
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(log.orderProblem(), "");
    EXPECT_EQ(log.hasMessage(zip::messageInfo(MessageId::kWriteFailed).code), !disk.missing.empty());
    const std::map<std::string, const std::string*> contents = {
        {"a.txt", &kSmall}, {"sub/b.bin", &kLarge}, {"c.txt", &kLast}};
    std::uint64_t wholeBytes = 0;
    for (const std::string& name : disk.whole) {
        const MemoryFileSystem::Node* node = fs.find("/dest/" + name);
        ASSERT_NE(node, nullptr) << name;
        EXPECT_EQ(std::string(node->bytes.begin(), node->bytes.end()), *contents.at(name)) << name;
        EXPECT_FALSE(node->open) << name;
        wholeBytes += node->bytes.size();
    }
    for (const std::string& name : disk.missing) EXPECT_EQ(fs.find("/dest/" + name), nullptr) << name;
    // No staged file or staging folder is left: every file below the
    // destination is one of the whole ones, and the disk holds only them.
    for (const auto& [path, node] : fs.nodes()) {
        if (path.rfind("/dest/", 0) != 0) continue;
        const std::string name = path.substr(6);
        const bool expected = node.kind == zip::PathKind::kDirectory
                                  ? name == "sub"
                                  : std::find(disk.whole.begin(), disk.whole.end(), name) != disk.whole.end();
        EXPECT_TRUE(expected) << "left behind: " << path;
    }
    EXPECT_EQ(fs.used() - fs.find("/in.zip")->bytes.size(), wholeBytes);
}

INSTANTIATE_TEST_SUITE_P(Capacities, FullDiskTest, ::testing::ValuesIn(kFullDisks), [](const auto& info) {
    std::string name = info.param.what;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

}  // namespace
}  // namespace tavrix::ziptest
