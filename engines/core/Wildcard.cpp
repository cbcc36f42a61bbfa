#include "engines/core/Wildcard.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavrix::zip {
namespace {

// The code point of the UTF-8 sequence at text[i] and its length; 0 when the
// bytes there are not one (a stray continuation byte, a lead byte whose
// followers are not continuation bytes, an overlong form): those bytes must
// stand for themselves, or a pattern's '*', '.' or '/' would vanish into a
// neighbour, or an overlong form would turn into a wildcard or a separator.
std::size_t sequenceAt(std::string_view text, std::size_t i, char32_t& cp) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t smallest = 0;
    if (b >= 0xC0 && b < 0xE0)
        length = 2, cp = b & 0x1F, smallest = 0x80;
    else if (b >= 0xE0 && b < 0xF0)
        length = 3, cp = b & 0x0F, smallest = 0x800;
    else if (b >= 0xF0 && b < 0xF8)
        length = 4, cp = b & 0x07, smallest = 0x10000;
    else
        return 0;
    if (text.size() - i < length) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    return cp >= smallest && cp <= 0x10FFFF ? length : 0;
}

// Code points of a UTF-8 text, case-folded (ASCII and Latin-1), with '/'
// taken as '\', into `out`. Bytes that are not UTF-8 stand for themselves.
void foldInto(std::string_view text, std::u32string& out) {
    // Never more code points than bytes: sized once, cut to the count after.
    out.resize(text.size());
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        if (cp >= 0x80) {
            length = sequenceAt(text, i, cp);
            if (length == 0) length = 1, cp = static_cast<unsigned char>(text[i]);
        }
        i += length;
        if (cp == '/') cp = '\\';
        if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)) cp += 0x20;
        out[count++] = cp;
    }
    out.resize(count);
}

std::u32string fold(std::string_view text) {
    std::u32string out;
    foldInto(text, out);
    return out;
}

bool match(std::u32string_view p, std::u32string_view t) {
    std::size_t pi = 0, ti = 0;
    std::size_t starP = std::u32string_view::npos, starT = 0;
    while (ti < t.size()) {
        // A '*' is a wildcard even where the name has a '*' of its own.
        if (pi < p.size() && p[pi] == U'*') {
            starP = pi++;
            starT = ti;
        } else if (pi < p.size() && (p[pi] == U'?' || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (starP != std::u32string_view::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*') ++pi;
    return pi == p.size();
}

// As on Windows, a pattern that ends in ".*" also takes names without an
// extension: "*.*" is every file, "readme.*" takes "readme" too.
bool matchWithExtensionRule(std::u32string_view p, std::u32string_view t) {
    if (match(p, t)) return true;
    const std::size_t n = p.size();
    return n >= 2 && p[n - 2] == U'.' && p[n - 1] == U'*' && match(p.substr(0, n - 2), t);
}

// Both folded. A pattern without a folder part also takes the bare file name.
bool foldedSpecMatches(std::u32string_view p, std::u32string_view t) {
    if (matchWithExtensionRule(p, t)) return true;
    if (p.find(U'\\') != std::u32string_view::npos) return false;
    const std::size_t slash = t.find_last_of(U'\\', t.empty() ? 0 : t.size() - 2);
    return slash != std::u32string_view::npos && matchWithExtensionRule(p, t.substr(slash + 1));
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view text) {
    return matchWithExtensionRule(fold(pattern), fold(text));
}

bool specMatches(std::string_view spec, std::string_view entryName) {
    return foldedSpecMatches(fold(spec), fold(entryName));
}

SpecMatcher::SpecMatcher(const std::vector<std::string>& specs) {
    specs_.reserve(specs.size());
    for (const std::string& spec : specs) specs_.push_back(fold(spec));
}

bool SpecMatcher::matches(std::string_view entryName) {
    foldInto(entryName, name_);
    for (const std::u32string& spec : specs_)
        if (foldedSpecMatches(spec, name_)) return true;
    return false;
}

bool hasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

}  // namespace tavrix::zip
