// Text crossing the library boundary: the records and the callback carry
// strings in the system's ANSI code page, the core works in UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrix::engines {

std::string ansiToUtf8(const char* text);
// Writes `text` in the ANSI code page into `out`, cut to capacity - 1 bytes
// and ended with a NUL (capacity is at least 1); returns the bytes before
// the NUL. Text of a callback record's size needs no allocation.
std::size_t utf8ToAnsi(std::string_view text, char* out, std::size_t capacity);

}  // namespace tavrix::engines
