// Fuzz target: any bytes as QzpPack's arguments, one argument between NUL
// bytes. The command line reader must keep its promises for every argument
// list (CommandLineChecks.cpp), and neighbouring arguments are also given to
// the file pattern matcher as a pattern and an entry name (PatternChecks.cpp),
// which must answer quickly and consistently whatever the pattern.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/qzppack/fuzz/CommandLineChecks.h"
#include "tests/qzppack/fuzz/PatternChecks.h"

namespace {

// Pairs given to the matcher per input: enough for a pattern to meet names of
// several shapes, few enough to keep the target fast.
constexpr std::size_t kPatternPairs = 4;
// The matcher's work grows with pattern times name, and libFuzzer lets inputs
// grow to 4096 bytes; 128 bytes hold patterns of a hundred stars, which a
// matcher that backtracks from every star would never finish.
constexpr std::size_t kPatternBytes = 128;

std::vector<std::string> argumentsOf(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0) args.push_back(std::move(current));
    return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrix::qzppack::fuzz;
    const std::vector<std::string> args = argumentsOf(data, size);
    checkCommandLine(args);
    for (const std::string& arg : args) {
        checkSpanSize(arg);
        if (arg.starts_with("--span=")) checkSpanSize(arg.substr(7));
    }
    for (std::size_t i = 0; i + 1 < args.size() && i < kPatternPairs; ++i) {
        const std::string_view pattern = args[i];
        const std::string_view name = args[i + 1];
        checkPattern(pattern.substr(0, kPatternBytes), name.substr(0, kPatternBytes));
    }
    return 0;
}
