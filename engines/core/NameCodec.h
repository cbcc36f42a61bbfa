// Turns an entry's stored name bytes into UTF-8, the form every path in the
// core takes.
#pragma once

#include <string>
#include <string_view>

#include "engines/core/ZipArchive.h"

namespace tavrix::zip {

// How names without the UTF-8 flag are read (the exec record's code page):
// kAuto takes the OEM set for names written on DOS and Windows file
// systems, kNone takes them as the ANSI set (Windows-1252), kOem always OEM.
enum class NameCodePage { kAuto = 0, kNone = 1, kOem = 2 };

std::string decodeEntryName(const ZipEntry& entry, NameCodePage codePage);

bool isValidUtf8(std::string_view text);
std::string oemToUtf8(std::string_view bytes);   // code page 437
std::string ansiToUtf8(std::string_view bytes);  // Windows-1252
void appendUtf8(std::string& out, char32_t codePoint);

}  // namespace tavrix::zip
