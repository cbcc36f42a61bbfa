// The stub's own command line (what follows the program's name):
//   (nothing)        the dialog
//   /auto FOLDER     everything into FOLDER, no window; exit code tells
//   /?               the usage
// Switches in any letter case, '-' as well as '/'.
#pragma once

#include <string>
#include <string_view>

namespace tavrix::sfx {

struct StubCommand {
    enum class Kind { kDialog, kAuto, kUsage, kInvalid };
    Kind kind = Kind::kDialog;
    std::string folder;  // kAuto: where to extract
};

StubCommand parseStubCommandLine(std::string_view arguments);

// The text the usage box and a bad command line show.
inline constexpr const char* kUsageText =
    "Usage:\r\n"
    "  (no arguments)\tshows the dialog\r\n"
    "  /auto FOLDER\textracts every file into FOLDER without a window;\r\n"
    "\t\texit code 0 on success, non-zero on any failure\r\n"
    "  /?\t\tshows this text";

// A command run after extraction: its program as given, or (when that is a
// relative name found in the folder) taken from the extraction folder.
struct RunCommand {
    std::string program;      // for CreateProcess' application name
    std::string commandLine;  // the whole line, the program quoted
};
// `existsInFolder` tells whether a relative program name exists in `folder`.
template <typename Exists>
RunCommand resolveRunCommand(std::string_view line, const std::string& folder, Exists existsInFolder);

// Splits "program args" or "\"program\" args"; both parts trimmed.
void splitProgram(std::string_view line, std::string& program, std::string& rest);
bool isAbsolutePath(std::string_view path);

template <typename Exists>
RunCommand resolveRunCommand(std::string_view line, const std::string& folder, Exists existsInFolder) {
    std::string program, rest;
    splitProgram(line, program, rest);
    RunCommand run;
    if (program.empty()) return run;
    if (!isAbsolutePath(program) && existsInFolder(program)) {
        std::string joined = folder;
        if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') joined += '\\';
        program = joined + program;
    }
    run.program = program;
    run.commandLine = "\"" + program + "\"";
    if (!rest.empty()) run.commandLine += " " + rest;
    return run;
}

}  // namespace tavrix::sfx
