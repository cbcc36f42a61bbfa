#include "Wildcard.h"

#include <string>
#include <vector>

namespace tavrix::zip {
namespace {

// Code points of a UTF-8 text, case-folded (ASCII and Latin-1), with '/'
// taken as '\'. Bytes that are not UTF-8 stand for themselves.
std::u32string fold(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t cp = b;
        std::size_t length = 1;
        if (b >= 0xC0 && b < 0xE0 && i + 1 < text.size())
            length = 2, cp = b & 0x1F;
        else if (b >= 0xE0 && b < 0xF0 && i + 2 < text.size())
            length = 3, cp = b & 0x0F;
        else if (b >= 0xF0 && b < 0xF8 && i + 3 < text.size())
            length = 4, cp = b & 0x07;
        for (std::size_t k = 1; k < length; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += length;
        if (cp == '/') cp = '\\';
        if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7)) cp += 0x20;
        out.push_back(cp);
    }
    return out;
}

bool match(const std::u32string& p, const std::u32string& t) {
    std::size_t pi = 0, ti = 0;
    std::size_t starP = std::u32string::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == U'?' || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (pi < p.size() && p[pi] == U'*') {
            starP = pi++;
            starT = ti;
        } else if (starP != std::u32string::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*') ++pi;
    return pi == p.size();
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view text) {
    return match(fold(pattern), fold(text));
}

bool specMatches(std::string_view spec, std::string_view entryName) {
    const std::u32string p = fold(spec);
    const std::u32string t = fold(entryName);
    if (match(p, t)) return true;
    if (p.find(U'\\') != std::u32string::npos) return false;
    const std::size_t slash = t.find_last_of(U'\\', t.empty() ? 0 : t.size() - 2);
    return slash != std::u32string::npos && match(p, t.substr(slash + 1));
}

bool hasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

}  // namespace tavrix::zip
