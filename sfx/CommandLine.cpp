#include "sfx/CommandLine.h"

#include <cctype>

namespace tavrix::sfx {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isSwitch(std::string_view word, std::string_view name) {
    return word.size() == name.size() + 1 && (word[0] == '/' || word[0] == '-') &&
           sameLetters(word.substr(1), name);
}

}  // namespace

void splitProgram(std::string_view line, std::string& program, std::string& rest) {
    line = trim(line);
    program.clear();
    rest.clear();
    if (line.empty()) return;
    std::size_t end;
    if (line.front() == '"') {
        const std::size_t close = line.find('"', 1);
        end = close == std::string_view::npos ? line.size() : close + 1;
        program = std::string(line.substr(1, (close == std::string_view::npos ? line.size() : close) - 1));
    } else {
        end = 0;
        while (end < line.size() && !isSpace(line[end])) ++end;
        program = std::string(line.substr(0, end));
    }
    rest = std::string(trim(line.substr(end)));
}

bool isAbsolutePath(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') return true;
    return !path.empty() && (path[0] == '\\' || path[0] == '/');
}

StubCommand parseStubCommandLine(std::string_view arguments) {
    StubCommand command;
    std::string first, rest;
    splitProgram(arguments, first, rest);
    if (first.empty()) return command;
    if (isSwitch(first, "?") || isSwitch(first, "h") || isSwitch(first, "help")) {
        command.kind = StubCommand::Kind::kUsage;
        return command;
    }
    if (!isSwitch(first, "auto") || rest.empty()) {
        command.kind = StubCommand::Kind::kInvalid;
        return command;
    }
    // The folder: quoted, or the rest of the line as it stands (a folder name
    // with spaces given without quotes still means that one folder).
    std::string folder, after;
    if (rest.front() == '"') {
        splitProgram(rest, folder, after);
        if (!after.empty() || folder.empty()) {
            command.kind = StubCommand::Kind::kInvalid;
            return command;
        }
    } else {
        folder = rest;
    }
    command.kind = StubCommand::Kind::kAuto;
    command.folder = folder;
    return command;
}

}  // namespace tavrix::sfx
