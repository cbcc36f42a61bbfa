// File patterns: '*' (any run of characters, folders included) and '?'
// (one character), without regard to letter case.
#pragma once

#include <string_view>

namespace tavrix::zip {

bool wildcardMatch(std::string_view pattern, std::string_view text);

// Matches an entry name (UTF-8, either separator) against a file pattern,
// both taken with '\' separators. A pattern without a folder part also
// matches the bare file name in any folder.
bool specMatches(std::string_view spec, std::string_view entryName);

bool hasWildcards(std::string_view text);

}  // namespace tavrix::zip
