#include "archive/ArchiveMessages.h"

#include <windows.h>

#include <array>
#include <string_view>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tavrix::archive {
namespace {

constexpr std::array<std::string_view, 3> kPlaceholders = {"%.1d", "%s", "%d"};

// The module whose resources hold the catalogue: the one this code is linked
// into, so the texts are found from an executable and from a library alike.
// The linker's symbol for the image's own start is its module handle.
HMODULE catalogueModule() {
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

// The catalogue text of `id`, empty when the program has none.
std::string catalogueText(int id) {
    char buffer[1024];
    int length = ::LoadStringA(catalogueModule(), static_cast<UINT>(id), buffer, sizeof buffer);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

std::string missingMessageText(int id) {
    return "Messages.res is probably not bound to the executable\nMissing String ID is: " +
           std::to_string(id);
}

namespace {
// A missing text is not formatted: the fallback names the id instead.
std::string formattedText(int id, const std::string& value) {
    std::string text = catalogueText(id);
    return text.empty() ? missingMessageText(id) : fillPlaceholders(text, {value});
}
}  // namespace

std::string LoadArchiveStr(int id, const std::string& fallback) {
    std::string text = catalogueText(id);
    return text.empty() ? fallback : text;
}

std::string fillPlaceholders(const std::string& text, const std::vector<std::string>& values) {
    std::string out;
    out.reserve(text.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '%' && next < values.size()) {
            for (std::string_view placeholder : kPlaceholders) {
                if (std::string_view(text).substr(i, placeholder.size()) == placeholder) {
                    out += values[next++];
                    i += placeholder.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

EArchiveBuilder::EArchiveBuilder(int id, std::string text, bool display)
    : TextError(text), resourceId_(id), display_(display) {}

EArchiveBuilder::EArchiveBuilder(int id, bool display)
    : EArchiveBuilder(id, LoadArchiveStr(id, missingMessageText(id)), display) {}

// The integer is printed in plain decimal, which is what the texts' "%d" and
// "%.1d" ask for.
EArchiveBuilder::EArchiveBuilder(int id, int value) : EArchiveBuilder(id, std::to_string(value)) {}

EArchiveBuilder::EArchiveBuilder(int id, const std::string& value)
    : EArchiveBuilder(id, formattedText(id, value), true) {}

EArchiveBuilder EArchiveBuilder::WithNote(int id, const std::string& note) {
    return EArchiveBuilder(id, LoadArchiveStr(id, missingMessageText(id)) + note, true);
}

EArchiveBuilder EArchiveBuilder::FromReadError(const ReadError& error) {
    switch (error.arg) {
        case ReadError::Arg::Number:
            return EArchiveBuilder(error.id, error.number);
        case ReadError::Arg::Text:
            return EArchiveBuilder(error.id, error.text);
        case ReadError::Arg::None:
            break;
    }
    return EArchiveBuilder(error.id, true);
}

}  // namespace tavrix::archive
