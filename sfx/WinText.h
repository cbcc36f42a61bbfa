// The system's ANSI code page (dialog texts, paths typed by the user) and
// UTF-8 (every path and name in the engines' core).
#pragma once

#include <string>

namespace tavrix::sfx {

std::string ansiToUtf8(const std::string& ansi);
std::string utf8ToAnsi(const std::string& utf8);

}  // namespace tavrix::sfx
