// QzpPack's command line, read without the Windows API so that it is tested
// natively:
//   QzpPack add [-r] [-l LEVEL] [-p[PASSWORD]] [-C FOLDER] ARCHIVE PATTERN...
//   QzpPack delete ARCHIVE PATTERN...
//   QzpPack list ARCHIVE
//   QzpPack extract [-p[PASSWORD]] [-o] ARCHIVE FOLDER [PATTERN...]
//   QzpPack test ARCHIVE
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavrix::qzppack {

enum class Verb { Help, Add, Delete, List, Extract, Test };

struct Command {
    Verb verb = Verb::Help;
    bool recurse = false;            // -r
    std::optional<int> level;        // -l LEVEL, 0 (store) to 9
    bool encrypt = false;            // -p given
    std::string password;            // -pPASSWORD; empty with -p alone: ask
    std::string folder;              // -C FOLDER
    bool overwrite = false;          // -o
    std::string archive;
    std::string extractTo;           // extract's FOLDER
    std::vector<std::string> patterns;
};

struct Parsed {
    std::optional<Command> command;  // empty: a usage error
    std::string error;               // why, for the user
};

// `args` without the program's name.
Parsed parseCommandLine(const std::vector<std::string>& args);

// The text of --help, with examples.
std::string helpText();
// The short form shown with a usage error.
std::string usageText();

}  // namespace tavrix::qzppack
