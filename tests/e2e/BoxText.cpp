// Prints what the open message boxes of a given title say, so that a walk
// with real windows can tell one box from another by its words instead of
// by its picture:
//
//   BoxText.exe TITLE   one line for each visible message box titled TITLE:
//                       its text, each line break written as \n
//
// Run in the same Wine prefix as the program that shows the boxes. Exit
// status: 0 (also when no such box is open), 2 a usage error.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Message boxes, Windows' and Wine's alike, are dialogs whose text is the
// static control of this id.
constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
    const char* title;
    std::vector<std::string> texts;
};

std::string oneLine(const char* text) {
    std::string line;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\r') continue;
        if (*c == '\n') {
            line += "\\n";
        } else {
            line += *c;
        }
    }
    return line;
}

BOOL CALLBACK collectBox(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    char className[16] = {};
    char title[256] = {};
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(className, "#32770") != 0 || !::IsWindowVisible(window) ||
        std::strcmp(title, search.title) != 0)
        return TRUE;
    HWND text = ::GetDlgItem(window, kMessageBoxTextId);
    if (text == nullptr) return TRUE;
    char words[1024] = {};
    DWORD_PTR copied = 0;
    // A box whose program hangs must not hang the walk that asks.
    if (!::SendMessageTimeoutA(text, WM_GETTEXT, sizeof words, reinterpret_cast<LPARAM>(words),
                               SMTO_ABORTIFHUNG, 2000, &copied))
        return TRUE;
    try {
        search.texts.push_back(oneLine(words));
    } catch (...) {
        return FALSE;  // out of memory: what was found so far is printed
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: BoxText.exe TITLE\n");
        return 2;
    }
    Search search{argv[1], {}};
    ::EnumWindows(collectBox, reinterpret_cast<LPARAM>(&search));
    for (const std::string& text : search.texts) std::printf("%s\n", text.c_str());
    return 0;
}
