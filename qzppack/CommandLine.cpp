#include "qzppack/CommandLine.h"

#include <array>
#include <string_view>

namespace tavrix::qzppack {
namespace {

struct VerbRule {
    std::string_view name;
    Verb verb;
    std::string_view options;  // the option letters this command takes
    std::size_t minPositional;
    std::size_t maxPositional;  // SIZE_MAX: any number of patterns
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);
constexpr std::array<VerbRule, 8> kVerbs{{
    {"add", Verb::Add, "rlpC", 2, kAny},
    {"delete", Verb::Delete, "", 2, kAny},
    {"list", Verb::List, "", 1, 1},
    {"extract", Verb::Extract, "po", 2, kAny},
    {"test", Verb::Test, "", 1, 1},
    {"sfx", Verb::Sfx, "", 1, 1},
    {"unsfx", Verb::Unsfx, "", 1, 1},
    {"check", Verb::Check, "", 1, 1},
}};

constexpr int kMaxLevel = 9;

Parsed failure(std::string why) {
    return {std::nullopt, std::move(why)};
}

std::optional<int> levelOf(std::string_view text) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '0' + kMaxLevel) return std::nullopt;
    return text[0] - '0';
}

}  // namespace

std::optional<long> spanSizeOf(const std::string& text) {
    long long value = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0x7FFFFFFF) return std::nullopt;
    }
    if (i == 0) return std::nullopt;
    if (i + 1 == text.size()) {
        const char unit = text[i];
        if (unit == 'k' || unit == 'K')
            value *= 1024;
        else if (unit == 'm' || unit == 'M')
            value *= 1024 * 1024;
        else
            return std::nullopt;
    } else if (i != text.size()) {
        return std::nullopt;
    }
    if (value <= 0 || value > 0x7FFFFFFF) return std::nullopt;
    return static_cast<long>(value);
}

Parsed parseCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) return failure("no command given");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "/?" || args[0] == "help")
        return {Command{}, {}};
    const VerbRule* rule = nullptr;
    for (const VerbRule& r : kVerbs)
        if (args[0] == r.name) rule = &r;
    if (rule == nullptr) return failure("unknown command \"" + args[0] + "\"");

    Command command;
    command.verb = rule->verb;
    std::vector<std::string> positional;
    bool optionsEnd = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Options come before the archive's name; "--" ends them early. So
        // does help: a file named "-h" can be added or extracted.
        if (optionsEnd || !positional.empty() || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--help" || arg == "-h") return {Command{}, {}};
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (rule->verb == Verb::Add && (arg == "--span" || arg.starts_with("--span="))) {
            std::string text = arg.size() > 6 ? arg.substr(7) : std::string();
            if (arg.size() == 6) {
                if (i + 1 >= args.size()) return failure("--span needs a volume size");
                text = args[++i];
            }
            command.spanSize = spanSizeOf(text);
            if (!command.spanSize)
                return failure("volume size \"" + text + "\" is not a number of bytes (K or M may follow)");
            continue;
        }
        const char letter = arg[1];
        if (rule->options.find(letter) == std::string_view::npos)
            return failure("\"" + arg + "\" is not an option of " + std::string(rule->name));
        const std::string attached = arg.substr(2);
        // An option's value follows it in the same argument or the next one.
        auto value = [&]() -> std::optional<std::string> {
            if (!attached.empty()) return attached;
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        switch (letter) {
            case 'r':
            case 'o':
                if (!attached.empty()) return failure("\"" + arg + "\" takes no value");
                (letter == 'r' ? command.recurse : command.overwrite) = true;
                break;
            case 'p':
                command.encrypt = true;
                command.password = attached;  // -p alone: asked for
                break;
            case 'l': {
                const auto text = value();
                if (!text) return failure("-l needs a compression level from 0 to 9");
                command.level = levelOf(*text);
                if (!command.level) return failure("compression level \"" + *text + "\" is not 0 to 9");
                break;
            }
            case 'C': {
                const auto text = value();
                if (!text || text->empty()) return failure("-C needs a folder");
                command.folder = *text;
                break;
            }
            default:
                return failure("\"" + arg + "\" is not an option of " + std::string(rule->name));
        }
    }
    if (positional.size() < rule->minPositional) {
        switch (rule->verb) {
            case Verb::Add:
            case Verb::Delete:
                return failure(positional.empty() ? "no archive given" : "no file pattern given");
            case Verb::Extract:
                return failure(positional.empty() ? "no archive given" : "no folder to extract into given");
            case Verb::Check:
                return failure("no package folder given");
            default:
                return failure("no archive given");
        }
    }
    if (positional.size() > rule->maxPositional)
        return failure("too many arguments for " + std::string(rule->name));
    command.archive = positional[0];
    std::size_t firstPattern = 1;
    if (rule->verb == Verb::Extract) {
        command.extractTo = positional[1];
        firstPattern = 2;
    }
    command.patterns.assign(positional.begin() + static_cast<std::ptrdiff_t>(firstPattern), positional.end());
    if (command.archive.empty())
        return failure(rule->verb == Verb::Check ? "the folder's name is empty"
                                                 : "the archive's name is empty");
    return {command, {}};
}

std::string usageText() {
    return "Usage:\n"
           "  QzpPack add [-r] [-l LEVEL] [-p[PASSWORD]] [-C FOLDER] [--span SIZE] ARCHIVE PATTERN...\n"
           "  QzpPack delete ARCHIVE PATTERN...\n"
           "  QzpPack list ARCHIVE\n"
           "  QzpPack extract [-p[PASSWORD]] [-o] ARCHIVE FOLDER [PATTERN...]\n"
           "  QzpPack test ARCHIVE\n"
           "  QzpPack sfx ARCHIVE.zip\n"
           "  QzpPack unsfx ARCHIVE.exe\n"
           "  QzpPack check FOLDER\n"
           "  QzpPack --help\n";
}

std::string helpText() {
    return "QzpPack builds and reads ZIP archives such as a package's Setup.qzp.\n\n" + usageText() +
           "\n"
           "Options:\n"
           "  -r           add: go into the folders the patterns name, and theirs\n"
           "  -l LEVEL     add: compression level, 0 (store) to 9 (smallest; the default)\n"
           "  -p           ask for a password in a box (twice when adding)\n"
           "  -pPASSWORD   add: encrypt with PASSWORD; extract: decrypt with it\n"
           "  -C FOLDER    add: patterns and stored names are relative to FOLDER\n"
           "               (default: the current folder)\n"
           "  --span SIZE  add: write a spanned set of volumes of at most SIZE bytes (K, M may\n"
           "               follow): set.zip becomes set001.zip, set002.zip, ... on a fixed drive,\n"
           "               one disk after another on a floppy drive; list, test and extract\n"
           "               take the set's last volume\n"
           "  -o           extract: overwrite files that exist already\n"
           "\n"
           "PATTERN is a file, a folder or a name with * and ? in its last part.\n"
           "list prints one entry a line: size, date and time, name.\n"
           "sfx makes ARCHIVE.exe of ARCHIVE.zip with PACKSFX.BIN from QzpPack's folder: one\n"
           "program that extracts itself (ARCHIVE.zip goes); unsfx turns it back.\n"
           "check reads a package folder as the installer will: Ostrel.ini, the files beside it,\n"
           "the agreement, the splash and the archive (tested), and what disk 1 of a set holds;\n"
           "it prints each problem with its fix and the folder proposed for each simulator.\n"
           "The engines PACK32.DLL and UNPACK32.DLL are loaded from QzpPack's folder.\n"
           "Exit status: 0 success (check: the package will install as intended), 1 any\n"
           "failure (check: a problem found), 2 a usage error.\n"
           "\n"
           "Examples:\n"
           "  QzpPack add -r -C addon Setup.qzp *.*        the whole addon folder, by its own names\n"
           "  QzpPack add -l 6 Setup.qzp Aircraft\\*.cfg     more files, compression level 6\n"
           "  QzpPack delete Setup.qzp Aircraft\\old.cfg\n"
           "  QzpPack list Setup.qzp\n"
           "  QzpPack test Setup.qzp\n"
           "  QzpPack extract -o Setup.qzp C:\\Check        everything, overwriting\n"
           "  QzpPack sfx Setup.zip                        Setup.exe, one file for pilots\n"
           "  QzpPack check C:\\MyAddon\\package            before it ships\n";
}

}  // namespace tavrix::qzppack
