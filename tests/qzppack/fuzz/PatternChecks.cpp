#include "tests/qzppack/fuzz/PatternChecks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engines/core/Wildcard.h"

namespace tavrix::qzppack::fuzz {
namespace {

using zip::specMatches;
using zip::wildcardMatch;

// The reference matcher below costs pattern x name steps and memory.
constexpr std::size_t kReferenceLimit = 64;

void require(bool promiseKept) {
    if (!promiseKept) __builtin_trap();
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
}

bool hasSeparator(std::string_view text) {
    return text.find_first_of("/\\") != std::string_view::npos;
}

char asciiFolded(char ch) {
    if (ch >= 'A' && ch <= 'Z') return static_cast<char>(ch - 'A' + 'a');
    return ch == '/' ? '\\' : ch;
}

// The same text in the other letter case, with the other separator: what
// the matcher must not tell apart.
std::string otherCaseAndSeparator(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
        else if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
        else if (ch == '/')
            ch = '\\';
        else if (ch == '\\')
            ch = '/';
    }
    return out;
}

// ASCII only: whether pattern[0..i) matches name[0..j), a table filled row by
// row; '*' is any run of characters and '?' one character.
bool referenceMatch(std::string_view pattern, std::string_view name) {
    std::vector<bool> row(name.size() + 1, false);
    row[0] = true;
    for (const char p : pattern) {
        std::vector<bool> next(name.size() + 1, false);
        if (p == '*') {
            bool reached = false;
            for (std::size_t j = 0; j <= name.size(); ++j) next[j] = reached = reached || row[j];
        } else {
            for (std::size_t j = 1; j <= name.size(); ++j)
                next[j] = row[j - 1] && (p == '?' || asciiFolded(p) == asciiFolded(name[j - 1]));
        }
        row.swap(next);
    }
    return row[name.size()];
}

}  // namespace

void checkPattern(std::string_view pattern, std::string_view name) {
    const bool matches = wildcardMatch(pattern, name);
    const bool selects = specMatches(pattern, name);

    require(wildcardMatch(pattern, pattern) && specMatches(pattern, pattern));
    require(wildcardMatch("*", name) && specMatches("*", name));
    // As on Windows, "*.*" takes every name, with an extension or without.
    require(wildcardMatch("*.*", name));

    const std::string otherPattern = otherCaseAndSeparator(pattern);
    const std::string otherName = otherCaseAndSeparator(name);
    require(wildcardMatch(otherPattern, otherName) == matches);
    require(specMatches(otherPattern, otherName) == selects);

    if (hasSeparator(pattern)) {
        require(selects == matches);
    } else if (matches && !hasSeparator(name)) {
        // A pattern without a folder part finds the file in any folder.
        require(specMatches(pattern, std::string(name) + "/" + std::string(name)));
    }

    if (isAscii(pattern) && isAscii(name) && pattern.size() <= kReferenceLimit &&
        name.size() <= kReferenceLimit)
        require(matches ==
                (referenceMatch(pattern, name) ||
                 (pattern.ends_with(".*") && referenceMatch(pattern.substr(0, pattern.size() - 2), name))));
}

}  // namespace tavrix::qzppack::fuzz
