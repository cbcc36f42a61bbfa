// A whole file's bytes, read through the system. (The C++ file streams would
// bring the library's locale machinery into every program that uses them.)
#pragma once

#include <optional>
#include <string>

namespace tavrix::win32 {

// Empty when the file cannot be opened or read to its end.
std::optional<std::string> readFileBytes(const std::string& path);

}  // namespace tavrix::win32
