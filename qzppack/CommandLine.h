// QzpPack's command line, read without the Windows API so that it is tested
// natively:
//   QzpPack add [-r] [-l LEVEL] [-p[PASSWORD]] [-C FOLDER] [--span SIZE] ARCHIVE PATTERN...
//   QzpPack delete ARCHIVE PATTERN...
//   QzpPack list ARCHIVE
//   QzpPack extract [-p[PASSWORD]] [-o] ARCHIVE FOLDER [PATTERN...]
//   QzpPack test ARCHIVE
//   QzpPack sfx ARCHIVE.zip      the archive becomes ARCHIVE.exe, a self-extractor
//   QzpPack unsfx ARCHIVE.exe    a self-extractor becomes ARCHIVE.zip again
//   QzpPack check FOLDER         a package folder read as the installer reads it
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavrix::qzppack {

enum class Verb { Help, Add, Delete, List, Extract, Test, Sfx, Unsfx, Check };

struct Command {
    Verb verb = Verb::Help;
    bool recurse = false;      // -r
    std::optional<int> level;  // -l LEVEL, 0 (store) to 9
    bool encrypt = false;      // -p given
    std::string password;      // -pPASSWORD; empty with -p alone: ask
    std::string folder;        // -C FOLDER
    bool overwrite = false;    // -o
    // --span SIZE: a spanned set of volumes of at most SIZE bytes (a K or M
    // after the number counts 1024 or 1048576 bytes).
    std::optional<long> spanSize;
    std::string archive;    // check: the package folder
    std::string extractTo;  // extract's FOLDER
    std::vector<std::string> patterns;
};

struct Parsed {
    std::optional<Command> command;  // empty: a usage error
    std::string error;               // why, for the user
};

// "100000", "1440K", "10M" as bytes; empty when not a size above 0 that
// fits a volume's 32-bit limit.
std::optional<long> spanSizeOf(const std::string& text);

// `args` without the program's name.
Parsed parseCommandLine(const std::vector<std::string>& args);

// The text of --help, with examples.
std::string helpText();
// The short form shown with a usage error.
std::string usageText();

}  // namespace tavrix::qzppack
