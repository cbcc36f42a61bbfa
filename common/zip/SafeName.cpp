#include "common/zip/SafeName.h"

#include <algorithm>
#include <array>

namespace tavrix::zip {
namespace {

constexpr std::size_t kMaxComponentBytes = 255;

char upperAscii(char ch) {
    return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

bool equalsUpper(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upperAscii(text[i]) != upper[i]) return false;
    return true;
}

// Windows maps these names to devices whatever extension follows them, and
// ignores spaces before the extension: "con .txt" is the console too.
bool isDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> kFixed = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view device : kFixed)
        if (equalsUpper(base, device)) return true;
    if (base.size() < 4) return false;
    const std::string_view stem = base.substr(0, 3);
    if (!equalsUpper(stem, "COM") && !equalsUpper(stem, "LPT")) return false;
    const std::string_view digit = base.substr(3);
    if (digit.size() == 1) return digit[0] >= '1' && digit[0] <= '9';
    // Superscript one, two and three count as digits for these devices.
    return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace

bool isInvalidComponent(std::string_view component) {
    if (component.size() > kMaxComponentBytes) return true;
    for (char ch : component) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20) return true;
        switch (ch) {
            case '<':
            case '>':
            case ':':
            case '"':
            case '|':
            case '?':
            case '*':
                return true;
            default:
                break;
        }
    }
    if (component.back() == '.' || component.back() == ' ') return true;
    return isDeviceName(component);
}

CheckedName checkEntryName(std::string_view name) {
    CheckedName result;
    auto isSeparator = [](char ch) { return ch == '/' || ch == '\\'; };
    if (!name.empty() && isSeparator(name[0])) {  // absolute, or "\\server\share"
        result.verdict = NameVerdict::kOutside;
        return result;
    }
    if (name.size() >= 2 && name[1] == ':') {  // "C:" and "C:\": another drive or its current folder
        result.verdict = NameVerdict::kOutside;
        return result;
    }
    // Sized once: a name is checked for every entry of an archive.
    result.components.reserve(1 +
                              static_cast<std::size_t>(std::count_if(name.begin(), name.end(), isSeparator)));
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        const std::string_view component = name.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            result.verdict = NameVerdict::kOutside;
            result.components.clear();
            return result;
        }
        if (isInvalidComponent(component)) {
            result.verdict = NameVerdict::kInvalid;
            result.components.clear();
            return result;
        }
        result.components.emplace_back(component);
    }
    result.verdict = result.components.empty() ? NameVerdict::kEmpty : NameVerdict::kOk;
    return result;
}

}  // namespace tavrix::zip
