#include "sfx/WinText.h"

#include <windows.h>

namespace tavrix::sfx {
namespace {

std::string convert(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    const int wideLength =
        ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
    const int length = ::WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

}  // namespace

std::string ansiToUtf8(const std::string& ansi) {
    return convert(ansi, CP_ACP, CP_UTF8);
}
std::string utf8ToAnsi(const std::string& utf8) {
    return convert(utf8, CP_UTF8, CP_ACP);
}

}  // namespace tavrix::sfx
