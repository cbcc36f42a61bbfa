// Text crossing the library boundary: the records and the callback carry
// strings in the system's ANSI code page, the core works in UTF-8.
#pragma once

#include <string>

namespace tavrix::engines {

std::string ansiToUtf8(const char* text);
std::string utf8ToAnsi(const std::string& text);

}  // namespace tavrix::engines
