#include "engines/dll/AnsiText.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace tavrix::engines {
namespace {

// Text of up to this many bytes is decoded on the stack: every name and
// message a callback record can carry, so reporting a file allocates nothing.
constexpr std::size_t kStackUnits = 520;

// Decodes `text` from code page `from` and hands the UTF-16 units to `use`.
template <typename Use>
auto withWide(std::string_view text, UINT from, Use use) {
    wchar_t local[kStackUnits];
    std::wstring heap;
    wchar_t* wide = local;
    // A byte never decodes to more than one unit: one call, no size query.
    if (text.size() > kStackUnits) {
        heap.resize(text.size());
        wide = heap.data();
    }
    const int units = text.empty()
                          ? 0
                          : ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide,
                                                  static_cast<int>(std::max(text.size(), kStackUnits)));
    return use(wide, std::max(units, 0));
}

std::string encode(const wchar_t* wide, int units, UINT to) {
    const int bytes = units > 0 ? ::WideCharToMultiByte(to, 0, wide, units, nullptr, 0, nullptr, nullptr) : 0;
    std::string out(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    if (bytes > 0) ::WideCharToMultiByte(to, 0, wide, units, out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace

std::string ansiToUtf8(const char* text) {
    if (!text) return {};
    return withWide(text, CP_ACP,
                    [](const wchar_t* wide, int units) { return encode(wide, units, CP_UTF8); });
}

std::size_t utf8ToAnsi(std::string_view text, char* out, std::size_t capacity) {
    const std::size_t room = capacity - 1;
    const std::size_t length = withWide(text, CP_UTF8, [&](const wchar_t* wide, int units) -> std::size_t {
        if (units == 0) return 0;
        const int bytes =
            ::WideCharToMultiByte(CP_ACP, 0, wide, units, out, static_cast<int>(room), nullptr, nullptr);
        if (bytes > 0) return static_cast<std::size_t>(bytes);
        // Longer than the room: converted whole, then cut.
        const std::string whole = encode(wide, units, CP_ACP);
        const std::size_t cut = std::min(whole.size(), room);
        std::memcpy(out, whole.data(), cut);
        return cut;
    });
    out[length] = '\0';
    return length;
}

}  // namespace tavrix::engines
