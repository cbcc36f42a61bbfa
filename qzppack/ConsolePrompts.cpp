#include "qzppack/ConsolePrompts.h"

#include <windows.h>

#include <cctype>
#include <string>

namespace tavrix::qzppack {
namespace {

struct Choice {
    char key;  // the first letter of the answer; '\0': an empty line
    int button;
};

struct Question {
    const char* choices;  // shown after the box's text
    Choice answers[3];
    int withoutInput;  // the button when nothing can be read
};

// The questions the component asks, by their buttons.
const Question* questionFor(UINT type) {
    static const Question yesNoCancel{
        "[y]es, [n]o or [c]ancel? ", {{'y', IDYES}, {'n', IDNO}, {'c', IDCANCEL}}, IDCANCEL};
    static const Question yesNo{"[y]es or [n]o? ", {{'y', IDYES}, {'n', IDNO}, {'n', IDNO}}, IDNO};
    static const Question retryCancel{
        "[r]etry or [c]ancel? ", {{'r', IDRETRY}, {'c', IDCANCEL}, {'c', IDCANCEL}}, IDCANCEL};
    static const Question okCancel{
        "Enter when ready, or [c]ancel: ", {{'\0', IDOK}, {'o', IDOK}, {'c', IDCANCEL}}, IDCANCEL};
    switch (type & MB_TYPEMASK) {
        case MB_YESNOCANCEL:
            return &yesNoCancel;
        case MB_YESNO:
            return &yesNo;
        case MB_RETRYCANCEL:
            return &retryCancel;
        case MB_OKCANCEL:
            return &okCancel;
        default:
            return nullptr;
    }
}

// One line of input without its line end; false at the end of the input.
bool readLine(std::FILE* in, std::string& line) {
    line.clear();
    int ch = 0;
    while ((ch = std::fgetc(in)) != EOF && ch != '\n') line += static_cast<char>(ch);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return ch != EOF || !line.empty();
}

}  // namespace

int askOnConsole(const win32::MessageBoxRequest& box, std::FILE* in, std::FILE* out) {
    const Question* question = questionFor(box.type);
    if (question == nullptr) return IDOK;
    std::fflush(stdout);
    std::fputs(("QzpPack: " + box.text + "\n").c_str(), out);
    std::string line;
    for (;;) {
        std::fputs(question->choices, out);
        std::fflush(out);
        if (in == nullptr || !readLine(in, line)) {
            std::fputs("\nQzpPack: no answer on the console input\n", out);
            return question->withoutInput;
        }
        std::size_t first = 0;
        while (first < line.size() && std::isspace(static_cast<unsigned char>(line[first]))) ++first;
        const char key = first < line.size()
                             ? static_cast<char>(std::tolower(static_cast<unsigned char>(line[first])))
                             : '\0';
        for (const Choice& choice : question->answers)
            if (choice.key == key) return choice.button;
    }
}

void askQuestionsOnConsole() {
    win32::setMessageBoxHandler(
        [](const win32::MessageBoxRequest& box) { return askOnConsole(box, stdin, stderr); });
}

}  // namespace tavrix::qzppack
