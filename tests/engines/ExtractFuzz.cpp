// Fuzz target: any bytes as an archive, extracted for real into a file system
// held in memory. The first two bytes choose the options (overwrite, folder
// names, test mode, freshen and update, a password, patterns, a nearly full
// disk, a cancel after some reports); the rest is the archive. Besides
// crashes and sanitizer findings it stops on a broken promise:
//  - a file or folder outside the destination;
//  - a file still open, or one whose bytes are not exactly an entry's data
//    (a half-written file, or one whose size or CRC disagree);
//  - a file that was there before changed without overwrite, update or
//    freshen asking for it;
//  - anything written in test mode;
//  - per-file advances that do not add up to the file's size.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "engines/core/Extractor.h"
#include "engines/core/ZipArchive.h"
#include "tests/engines/MemoryFileSystem.h"

namespace {

using namespace tavrix::zip;
using tavrix::ziptest::MemoryFileSystem;

constexpr char kArchive[] = "/archive.zip";
constexpr char kDestination[] = "/dest";
constexpr char kKeptFile[] = "/dest/keep.txt";
constexpr char kLink[] = "/dest/link";
const std::vector<std::uint8_t> kKeptBytes = {'o', 'r', 'i', 'g', 'i', 'n', 'a', 'l'};

enum OptionBit : std::uint8_t {
    kOverwrite = 0x01,
    kFlatten = 0x02,
    kTestOnly = 0x04,
    kUpdate = 0x08,
    kFreshen = 0x10,
    kPassword = 0x20,
    kPatterns = 0x40,
    kSmallDisk = 0x80,
};

[[noreturn]] void broken(const char* what, const std::string& subject) {
    std::fprintf(stderr, "broken promise: %s: %s\n", what, subject.c_str());
    std::abort();
}

// Checks the order of the reports as they come, and cancels after a number
// of them when asked to.
class CheckingSink final : public ProgressSink {
public:
    explicit CheckingSink(unsigned cancelAfter) : cancelAfter_(cancelAfter) {}
    bool fileCount(std::uint64_t) override { return tick(); }
    bool byteCount(std::uint64_t) override { return tick(); }
    bool fileStart(std::string_view name, std::uint64_t size) override {
        closeFile();
        current_ = std::string(name);
        expected_ = size;
        advanced_ = 0;
        inFile_ = true;
        return tick();
    }
    bool advance(std::uint64_t bytes) override {
        if (!inFile_) broken("advance outside a file", "");
        if (bytes > kAdvanceStep) broken("advance larger than the step", current_);
        advanced_ += bytes;
        if (advanced_ > expected_) broken("advances beyond the file's size", current_);
        return tick();
    }
    bool batchEnd() override {
        closeFile();
        return false;
    }
    bool message(MessageId, std::string_view) override { return false; }

    // Cancelled work may stop in the middle of a file.
    void finish(bool cancelled) {
        if (!cancelled) closeFile();
    }

private:
    bool tick() { return cancelAfter_ != 0 && ++reports_ >= cancelAfter_; }
    void closeFile() {
        if (inFile_ && advanced_ != expected_) broken("advances do not add up to the file's size", current_);
        inFile_ = false;
    }

    unsigned cancelAfter_;
    unsigned reports_ = 0;
    std::string current_;
    std::uint64_t expected_ = 0;
    std::uint64_t advanced_ = 0;
    bool inFile_ = false;
};

bool inDestination(const std::string& path) {
    const std::string prefix = std::string(kDestination) + "/";
    return path == kDestination || path.compare(0, prefix.size(), prefix) == 0;
}

std::uint32_t crcOf(const std::vector<std::uint8_t>& bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t step = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        crc = crc32(crc, bytes.data() + done, static_cast<uInt>(step));
        done += step;
    }
    return static_cast<std::uint32_t>(crc);
}

// The size and CRC of every entry the archive declares: a file the
// extraction leaves must be exactly one of them.
std::set<std::pair<std::uint64_t, std::uint32_t>> declaredContents(MemoryFileSystem& fs) {
    std::set<std::pair<std::uint64_t, std::uint32_t>> contents;
    ZipArchive::OpenError error{};
    if (auto archive = ZipArchive::open(fs.openRead(kArchive), error))
        for (const ZipEntry& e : archive->entries()) contents.insert({e.size, e.crc});
    return contents;
}

void checkResult(const MemoryFileSystem& fs, const ExtractOptions& options,
                 const std::set<std::pair<std::uint64_t, std::uint32_t>>& declared) {
    for (const auto& [path, node] : fs.nodes()) {
        if (path == "/" || path == kArchive) continue;
        if (!inDestination(path)) broken("written outside the destination", path);
        if (node.open) broken("file left open", path);
        if (path == kLink) {
            if (node.kind != PathKind::kLink) broken("link replaced", path);
            continue;
        }
        if (node.kind != PathKind::kFile) continue;
        if (path == kKeptFile && node.bytes == kKeptBytes) continue;
        if (path == kKeptFile && !options.overwrite && !options.update && !options.freshen)
            broken("existing file changed without being asked to", path);
        if (options.test) broken("file written in test mode", path);
        if (!declared.count({node.bytes.size(), crcOf(node.bytes)}))
            broken("file that is no entry's whole data", path);
    }
    if (!fs.find(kKeptFile)) broken("existing file removed", kKeptFile);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t bits = data[0];
    const unsigned cancelAfter = data[1] & 0x0F ? 1u + (data[1] & 0x0F) * 3u : 0u;

    MemoryFileSystem fs;
    fs.putFile(kArchive, std::vector<std::uint8_t>(data + 2, data + size));
    fs.putDirectory(kDestination);
    fs.putFile(kKeptFile, kKeptBytes, 0);
    fs.putLink(kLink);
    // Output is bounded either way, so that a small input that inflates to
    // gigabytes fails as a full disk instead of taking the run's memory.
    fs.setCapacity(fs.used() + ((bits & kSmallDisk) ? 4096 : 16u * 1024 * 1024));

    ExtractOptions options;
    options.baseDir = kDestination;
    options.overwrite = bits & kOverwrite;
    options.directories = !(bits & kFlatten);
    options.test = bits & kTestOnly;
    options.update = bits & kUpdate;
    options.freshen = bits & kFreshen;
    if (bits & kPassword) options.password = "pw";
    if (bits & kPatterns) options.specs = {"*.txt", "a*/*"};
    options.threads = data[1] & 0x10 ? 1 : 2;  // inflating on the calling thread, or on a second one

    CheckingSink sink(cancelAfter);
    const OperationResult result = extractArchive(fs, kArchive, options, sink);
    sink.finish(result.cancelled);
    checkResult(fs, options, declaredContents(fs));
    return 0;
}
