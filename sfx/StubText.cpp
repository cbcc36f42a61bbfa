#include "sfx/StubText.h"

namespace tavrix::sfx::text {
namespace {

// "12.3 MB": tenths of a megabyte, rounded down.
std::string megabytes(std::uint64_t bytes) {
    const std::uint64_t tenths = bytes * 10 / (1024 * 1024);
    return decimal(tenths / 10) + "." + decimal(tenths % 10) + " MB";
}

}  // namespace

std::string decimal(std::uint64_t value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::string noSpace(std::string_view folder, std::uint64_t needed, std::uint64_t free) {
    return "There is not enough free space in the folder " + std::string(folder) + ": " + megabytes(needed) +
           " needed, " + megabytes(free) + " free.";
}

std::string done(std::uint32_t files, std::string_view folder) {
    return decimal(files) + " file(s) extracted into " + std::string(folder) + ".";
}

std::string replaceQuestion(std::string_view name) {
    return "The file\r\n" + std::string(name) + "\r\nexists already. Replace it?";
}

}  // namespace tavrix::sfx::text
