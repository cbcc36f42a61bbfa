#include "tests/qzppack/fuzz/CommandLineChecks.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "qzppack/CommandLine.h"

namespace tavrix::qzppack::fuzz {
namespace {

void require(bool promiseKept) {
    if (!promiseKept) __builtin_trap();
}

bool sameCommand(const Command& a, const Command& b) {
    return a.verb == b.verb && a.recurse == b.recurse && a.level == b.level && a.encrypt == b.encrypt &&
           a.password == b.password && a.folder == b.folder && a.overwrite == b.overwrite &&
           a.spanSize == b.spanSize && a.archive == b.archive && a.extractTo == b.extractTo &&
           a.patterns == b.patterns;
}

bool sameParse(const Parsed& a, const Parsed& b) {
    if (a.error != b.error || a.command.has_value() != b.command.has_value()) return false;
    return !a.command || sameCommand(*a.command, *b.command);
}

bool takesAnyNumberOfPatterns(Verb verb) {
    return verb == Verb::Add || verb == Verb::Delete || verb == Verb::Extract;
}

// The archive, extract's folder and the patterns are the last arguments, as
// given: whatever the options before them, nothing is dropped or reordered.
void checkNamesAreTheTrailingArguments(const std::vector<std::string>& args, const Command& c) {
    const std::size_t names = 1 + (c.verb == Verb::Extract ? 1 : 0) + c.patterns.size();
    require(names < args.size());
    std::size_t at = args.size() - names;
    require(args[at++] == c.archive);
    if (c.verb == Verb::Extract) require(args[at++] == c.extractTo);
    for (const std::string& pattern : c.patterns) require(args[at++] == pattern);
}

void checkCommand(const std::vector<std::string>& args, const Command& c) {
    if (c.verb == Verb::Help) {
        require(sameCommand(c, Command{}));
        return;
    }
    require(!c.archive.empty());
    if (c.level) require(*c.level >= 0 && *c.level <= 9);
    // A volume's size is written in 32-bit fields, and `long` is 32 bits on Windows.
    if (c.spanSize) require(*c.spanSize > 0 && *c.spanSize <= INT32_MAX);
    // Each option only where its command takes it.
    if (c.verb != Verb::Add) require(!c.recurse && !c.level && c.folder.empty() && !c.spanSize);
    if (c.verb != Verb::Extract) require(!c.overwrite && c.extractTo.empty());
    if (c.verb != Verb::Add && c.verb != Verb::Extract) require(!c.encrypt);
    if (!c.password.empty()) require(c.encrypt);
    if (c.verb == Verb::Add || c.verb == Verb::Delete) require(!c.patterns.empty());
    if (!takesAnyNumberOfPatterns(c.verb)) require(c.patterns.empty());
    checkNamesAreTheTrailingArguments(args, c);
}

// Options come before the archive's name: once a command has its archive,
// one more argument of any form is one more pattern.
void checkArgumentAfterTheArchiveIsAPattern(const std::vector<std::string>& args) {
    if (args.size() < 2) return;
    const std::vector<std::string> before(args.begin(), args.end() - 1);
    const Parsed shorter = parseCommandLine(before);
    if (!shorter.command || !takesAnyNumberOfPatterns(shorter.command->verb)) return;
    const Parsed longer = parseCommandLine(args);
    require(longer.command.has_value());
    Command expected = *shorter.command;
    expected.patterns.push_back(args.back());
    require(sameCommand(*longer.command, expected));
}

// The size the user means: digits, then K (1024) or M (1048576) or nothing;
// a volume holds at least one byte and at most what a signed 32-bit size says.
std::optional<long> plainSpanSize(std::string_view text) {
    const std::size_t digits = text.find_first_not_of("0123456789");
    const std::string_view number = text.substr(0, digits);
    const std::string_view unit = digits == std::string_view::npos ? std::string_view() : text.substr(digits);
    if (number.empty()) return std::nullopt;
    std::uint64_t multiplier = 1;
    if (unit == "K" || unit == "k")
        multiplier = 1024;
    else if (unit == "M" || unit == "m")
        multiplier = 1024 * 1024;
    else if (!unit.empty())
        return std::nullopt;
    const std::size_t leadingZeros = std::min(number.find_first_not_of('0'), number.size());
    const std::string_view significant = number.substr(leadingZeros);
    if (significant.size() > 10) return std::nullopt;  // above 2^31 whatever the unit
    std::uint64_t value = 0;
    for (const char digit : significant) value = value * 10 + static_cast<std::uint64_t>(digit - '0');
    value *= multiplier;
    if (value == 0 || value > INT32_MAX) return std::nullopt;
    return static_cast<long>(value);
}

}  // namespace

void checkCommandLine(const std::vector<std::string>& args) {
    const Parsed parsed = parseCommandLine(args);
    require(sameParse(parsed, parseCommandLine(args)));
    if (parsed.command) {
        require(parsed.error.empty());
        checkCommand(args, *parsed.command);
    } else {
        require(!parsed.error.empty());
    }
    checkArgumentAfterTheArchiveIsAPattern(args);
}

void checkSpanSize(const std::string& text) {
    require(spanSizeOf(text) == plainSpanSize(text));
}

}  // namespace tavrix::qzppack::fuzz
