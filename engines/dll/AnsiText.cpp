#include "engines/dll/AnsiText.h"

#include <windows.h>

namespace tavrix::engines {
namespace {

std::string convert(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return {};
    const int wide = ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0) return {};
    std::wstring buffer(static_cast<std::size_t>(wide), L'\0');
    ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), buffer.data(), wide);
    const int bytes = ::WideCharToMultiByte(to, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) ::WideCharToMultiByte(to, 0, buffer.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace

std::string ansiToUtf8(const char* text) {
    return text ? convert(text, CP_ACP, CP_UTF8) : std::string();
}
std::string utf8ToAnsi(const std::string& text) {
    return convert(text, CP_UTF8, CP_ACP);
}

}  // namespace tavrix::engines
