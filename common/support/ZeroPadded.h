// Numbers written out for file names, stamps and sizes, without the C
// library's formatter: in a statically linked file, snprintf brings the
// whole printf engine with its floating-point conversions (about 25 KB).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrix {

// `value` in `base` (2 to 16, lower-case digits), with leading zeros up to
// `width` characters: what printf's "%0*llu" and "%0*llx" give.
inline std::string zeroPadded(std::uint64_t value, std::size_t width = 1, unsigned base = 10) {
    char reversed[64];
    std::size_t count = 0;
    do {
        reversed[count++] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    std::string text(width > count ? width - count : 0, '0');
    while (count != 0) text += reversed[--count];
    return text;
}

}  // namespace tavrix
