// tavrix-zip: the ZIP core as a command, for comparisons with other tools
// and for the benchmarks. Prints problems only, never one line per entry.
//
//   tavrix-zip x [-o] [-j] [-P password] ARCHIVE DIR [PATTERN...]   extract into DIR
//   tavrix-zip t [-P password] ARCHIVE                              test
//   tavrix-zip a [-r] [-0..-9] [-P password] ARCHIVE PATH...        add
//   tavrix-zip d ARCHIVE PATTERN...                                 delete
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engines/core/Extractor.h"
#include "engines/core/Packer.h"
#include "engines/core/StagingPool.h"

namespace {

using namespace tavrix::zip;

class QuietSink final : public ProgressSink {
public:
    bool fileCount(std::uint64_t) override { return false; }
    bool byteCount(std::uint64_t) override { return false; }
    bool fileStart(std::string_view, std::uint64_t) override { return false; }
    bool advance(std::uint64_t) override { return false; }
    bool batchEnd() override { return false; }
    bool message(MessageId id, std::string_view subject) override {
        if (messageInfo(id).code == 0) return false;
        ++problems;
        std::fprintf(stderr, "%s\n", messageLine(id, subject).c_str());
        return false;
    }
    int problems = 0;
};

int usage() {
    std::fprintf(stderr,
                 "usage: tavrix-zip x|t|a|d [-o] [-j] [-r] [-P PASSWORD] [-0..-9] [-T THREADS] ARCHIVE [DIR] "
                 "[NAMES...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string command = argv[1];
    ExtractOptions extract;
    extract.overwrite = false;
    extract.stagedFiles = &StagingPool::make;
    PackOptions pack;
    pack.level = 6;
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o")
            extract.overwrite = true;
        else if (arg == "-j")
            extract.directories = false;
        else if (arg == "-T" && i + 1 < argc)  // threads; 1: all on this one
            extract.threads = pack.threads = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (arg == "-r")
            pack.recurse = true;
        else if (arg == "-P" && i + 1 < argc)
            extract.password = pack.password = argv[++i], pack.encrypt = true;
        else if (arg.size() == 2 && arg[0] == '-' && arg[1] >= '0' && arg[1] <= '9')
            pack.level = arg[1] - '0';
        else
            positional.push_back(arg);
    }
    if (positional.empty()) return usage();
    auto fs = makePlatformFileSystem();
    QuietSink sink;
    OperationResult result;
    const std::string archive = positional[0];
    if (command == "x" || command == "t") {
        extract.test = command == "t";
        if (!extract.test) {
            if (positional.size() < 2) return usage();
            extract.baseDir = positional[1];
            fs->makeDir(extract.baseDir);
        }
        extract.specs.assign(positional.begin() + (extract.test ? 1 : 2), positional.end());
        result = extractArchive(*fs, archive, extract, sink);
    } else if (command == "a" || command == "d") {
        pack.deleteEntries = command == "d";
        pack.specs.assign(positional.begin() + 1, positional.end());
        result = packArchive(*fs, archive, pack, sink);
    } else {
        return usage();
    }
    std::printf("%u files\n", result.processed);
    return sink.problems == 0 ? 0 : 1;
}
