// File patterns: '*' (any run of characters, folders included) and '?'
// (one character), without regard to letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrix::zip {

bool wildcardMatch(std::string_view pattern, std::string_view text);

// Matches an entry name (UTF-8, either separator) against a file pattern,
// both taken with '\' separators. A pattern without a folder part also
// matches the bare file name in any folder.
bool specMatches(std::string_view spec, std::string_view entryName);

// specMatches for many names against the same patterns: each pattern is
// folded once, and each name into the same buffer.
class SpecMatcher {
public:
    explicit SpecMatcher(const std::vector<std::string>& specs);
    bool empty() const { return specs_.empty(); }
    // Whether any of the patterns takes the name.
    bool matches(std::string_view entryName);

private:
    std::vector<std::u32string> specs_;
    std::u32string name_;
};

bool hasWildcards(std::string_view text);

}  // namespace tavrix::zip
