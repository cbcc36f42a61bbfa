// A version resource read from any bytes: the reader stays inside them
// (the sanitizers watch) and gives the same answer twice.
#include <cstdint>
#include <span>

#include "installer/FileVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto version = tavrix::installer::peFileVersion(bytes);
    if (version != tavrix::installer::peFileVersion(bytes)) __builtin_trap();
    if (version && tavrix::installer::versionText(*version).size() > 23) __builtin_trap();
    return 0;
}
