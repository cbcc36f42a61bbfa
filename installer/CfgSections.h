// The simulator's own .cfg files (scenery.cfg, aircraft.cfg) seen as lines
// and sections over the file's bytes, so that an edit adds or takes out whole
// lines and every other byte stays as it was. No Windows here: tested
// natively and fuzzed.
//
// Only files that read one way are edited: one with NUL bytes, a CR alone,
// a broken section header, or two sections of one kind under the same
// number is refused, and nothing is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/support/TextResult.h"
#include "common/support/ZeroPadded.h"
#include "installer/InstallRecord.h"

namespace tavrix::installer::cfg {

// The stock files are tens of kilobytes; anything near this is not one.
inline constexpr std::size_t kMaxFileBytes = 1024 * 1024;
// Section numbers of more digits than this are not the simulator's.
inline constexpr std::size_t kMaxNumberDigits = 6;

struct Line {
    std::size_t start = 0;  // first byte
    std::size_t end = 0;    // end of the content, before the line end
    std::size_t next = 0;   // after the line end; == end on a last line without one
};

struct Section {
    std::string_view name;   // between the brackets, as written
    std::size_t header = 0;  // index of the header line
    std::size_t end = 0;     // index of the line after the section
};

// `key = value` as written: what an added line copies from its model.
struct KeyLine {
    std::string_view indent;
    std::string_view key;
    std::string_view separator;  // from the key's end to the value's start
    std::string_view value;      // without trailing blanks
};

// The parts one after the other: one function for every text put together
// here, where each `+` would be code of its own.
inline std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) text += part;
    return text;
}
// Why a file is not changed, naming the file.
inline TextFailure refused(std::string_view fileName, std::string_view why) {
    return TextFailure{joined({fileName, " ", why, "; it was left as it was."})};
}

inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
inline std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}
inline char lowered(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
inline bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowered(a[i]) != lowered(b[i])) return false;
    return true;
}

// A section name of one numbered kind ("Area.012", "fltsim.3"): the kind in
// any letter case, an optional "." or " ", then the number.
struct Numbered {
    std::string_view prefix;  // everything before the digits
    std::string_view digits;
    unsigned number = 0;
};
enum class NameKind { Other, Numbered, Broken };
inline NameKind numberedName(std::string_view name, std::string_view kind, Numbered& out) {
    if (name.size() <= kind.size() || !sameLetters(name.substr(0, kind.size()), kind)) return NameKind::Other;
    std::size_t at = kind.size();
    if (name[at] == '.' || name[at] == ' ')
        ++at;
    else if (name[at] < '0' || name[at] > '9')
        return NameKind::Other;  // "AreaMap", not an area
    const std::string_view digits = name.substr(at);
    if (digits.empty() || digits.size() > kMaxNumberDigits || !detail::parseNumber(digits, out.number))
        return NameKind::Broken;
    out.prefix = name.substr(0, at);
    out.digits = digits;
    return NameKind::Numbered;
}

struct File {
    std::string_view text;
    std::vector<Line> lines;
    std::vector<Section> sections;

    std::string_view content(std::size_t line) const {
        return text.substr(lines[line].start, lines[line].end - lines[line].start);
    }
    bool isEmptyOrComment(std::size_t line) const {
        const std::string_view shown = trimmed(content(line));
        return shown.empty() || shown[0] == ';' || shown.substr(0, 2) == "//";
    }
    std::optional<KeyLine> keyLine(std::size_t line) const {
        if (isEmptyOrComment(line)) return std::nullopt;
        const std::string_view whole = content(line);
        const std::size_t equals = whole.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        std::size_t keyStart = 0;
        while (keyStart < equals && isBlank(whole[keyStart])) ++keyStart;
        const std::string_view key = trimmed(whole.substr(keyStart, equals - keyStart));
        if (key.empty()) return std::nullopt;
        std::size_t valueStart = equals + 1;
        while (valueStart < whole.size() && isBlank(whole[valueStart])) ++valueStart;
        const std::size_t keyEnd = keyStart + key.size();
        return KeyLine{whole.substr(0, keyStart), key, whole.substr(keyEnd, valueStart - keyEnd),
                       trimmed(whole.substr(valueStart))};
    }
    // The value of the section's first line with this key (any letter case).
    std::optional<std::string_view> value(const Section& section, std::string_view key) const {
        for (std::size_t line = section.header + 1; line < section.end; ++line)
            if (const auto found = keyLine(line); found && sameLetters(found->key, key)) return found->value;
        return std::nullopt;
    }
    // The section's last line that says something (its header when none does).
    std::size_t lastContentLine(const Section& section) const {
        std::size_t last = section.header;
        for (std::size_t line = section.header + 1; line < section.end; ++line)
            if (!isEmptyOrComment(line)) last = line;
        return last;
    }
    // The line end of a line, or the file's first one, or CR LF.
    std::string_view lineEnd(std::size_t line) const {
        for (std::size_t i = line; i < lines.size(); ++i)
            if (lines[i].next != lines[i].end) return text.substr(lines[i].end, lines[i].next - lines[i].end);
        return "\r\n";
    }
    // Whether sections are set apart by an empty line in this file.
    bool blankBeforeSections() const {
        for (const Section& section : sections)
            if (section.header > 0 && trimmed(content(section.header - 1)).empty()) return true;
        return false;
    }
};

inline TextResult<File> parseFile(std::string_view text, std::string_view fileName) {
    if (text.size() > kMaxFileBytes) return refused(fileName, "is larger than the simulator's own");
    if (text.find('\0') != std::string_view::npos) return refused(fileName, "is not a text file");
    File file;
    file.text = text;
    for (std::size_t position = 0; position < text.size();) {
        Line line{position, text.find_first_of("\r\n", position), 0};
        if (line.end == std::string_view::npos) line.end = text.size();
        line.next = line.end;
        if (line.next < text.size() && text[line.next] == '\r') ++line.next;
        if (line.next < text.size() && text[line.next] == '\n')
            ++line.next;
        else if (line.next != line.end)  // a CR alone would merge with an LF written behind it
            return refused(fileName, "has a line ending the installer does not know");
        file.lines.push_back(line);
        position = line.next;
    }
    for (std::size_t i = 0; i < file.lines.size(); ++i) {
        const std::string_view shown = trimmed(file.content(i));
        if (shown.empty() || shown[0] != '[') continue;
        const std::size_t close = shown.find(']');
        if (close == std::string_view::npos || close + 1 != shown.size() ||
            shown.find('[', 1) != std::string_view::npos)
            return refused(fileName, joined({"has a section header the installer does not know (",
                                             shown.substr(0, 64), ")"}));
        if (!file.sections.empty()) file.sections.back().end = i;
        file.sections.push_back(Section{shown.substr(1, close - 1), i, file.lines.size()});
    }
    return file;
}

// A file and its sections of one numbered kind, refused when one is not
// numbered plainly or two share a number.
struct NumberedSection {
    std::size_t section = 0;  // index into File::sections
    Numbered name;
};
struct Listing {
    File file;
    std::vector<NumberedSection> numbered;
};
inline TextResult<Listing> readListing(std::string_view text, std::string_view fileName,
                                       std::string_view kind) {
    TextResult<File> file = parseFile(text, fileName);
    if (!file) return TextFailure{file.failure()};
    Listing listing{std::move(*file), {}};
    for (std::size_t i = 0; i < listing.file.sections.size(); ++i) {
        Numbered name;
        const std::string_view sectionName = listing.file.sections[i].name;
        const NameKind what = numberedName(sectionName, kind, name);
        if (what == NameKind::Other) continue;
        if (what == NameKind::Broken)
            return refused(fileName,
                           joined({"has a section the installer does not know ([", sectionName, "])"}));
        for (const NumberedSection& earlier : listing.numbered)
            if (earlier.name.number == name.number)
                return refused(fileName, joined({"has two sections numbered ", zeroPadded(name.number), " ([",
                                                 sectionName, "])"}));
        listing.numbered.push_back({i, name});
    }
    return listing;
}

// The width numbers are padded to in these sections: that of a number
// written with a leading zero, or none.
inline std::size_t paddedWidth(const std::vector<NumberedSection>& sections) {
    std::size_t width = 0;
    for (const NumberedSection& s : sections)
        if (s.name.digits.size() > 1 && s.name.digits[0] == '0' && s.name.digits.size() > width)
            width = s.name.digits.size();
    return width;
}

// Why a value cannot go into a .cfg line as it is (empty when it can): a
// line break would start another key or section, a bracket would read as a
// header, blanks around it would be lost.
inline std::string valueFault(std::string_view what, std::string_view value) {
    const char* fault = nullptr;
    if (value.empty())
        fault = " is empty";
    else if (value.size() > 255)
        fault = " is longer than 255 characters";
    else if (trimmed(value).size() != value.size())
        fault = " starts or ends with a blank";
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 32 || c == '[' || c == ']')
            fault = " holds a line break, a control character or a bracket";
    return fault ? joined({what, fault}) : std::string();
}

// The bytes of a section added behind the last content line of
// `after` (at the end of the text when there is none); refused when the file
// would grow past what is read back.
struct Insertion {
    std::string text;
    unsigned leadIn = 0;  // line ends written before the header
};
inline TextResult<Insertion> insertLines(const File& file, std::optional<std::size_t> after,
                                         std::string_view lineEnd, const std::vector<std::string>& lines) {
    std::size_t at = file.text.size();
    if (after) at = file.lines[file.lastContentLine(file.sections[*after])].next;
    std::string added;
    unsigned leadIn = 0;
    // A file that ended without a line end still does: the line before gets
    // one, the added section's last line none.
    const bool endsOpen = at > 0 && file.text[at - 1] != '\n';
    if (endsOpen) {
        added += lineEnd;
        ++leadIn;
    }
    if (at > 0 && file.blankBeforeSections()) {
        added += lineEnd;
        ++leadIn;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        added += lines[i];
        if (!endsOpen || i + 1 < lines.size()) added += lineEnd;
    }
    if (file.text.size() + added.size() > kMaxFileBytes) return refused("The file", "would grow too large");
    std::string text(file.text.substr(0, at));
    text += added;
    text += file.text.substr(at);
    return Insertion{std::move(text), leadIn};
}

// A file's text with a section added, and what the installation record
// keeps to take it out again.
template <typename Listed>
struct Addition {
    std::string text;
    Listed listed;
    // A section for the same folder was there already: the text is the
    // file's own, and `listed` names that section.
    bool alreadyListed = false;
};

// A file's text with an added section taken out again.
struct Removal {
    std::string text;
    bool found = false;  // false: the text is the file's own
};

// The text without a section and the line ends written before it, so that
// a section added by insertLines goes out byte for byte. Whatever follows
// the section stays on a line of its own.
inline std::string removeSection(const File& file, const Section& section, unsigned leadIn) {
    const std::size_t end = file.lines[file.lastContentLine(section)].next;
    std::size_t start = file.lines[section.header].start;
    std::size_t lastLineEnd = start;
    for (unsigned i = 0; i < leadIn && start > 0; ++i) {
        if (file.text[start - 1] != '\n') break;
        lastLineEnd = start;
        start -= (start > 1 && file.text[start - 2] == '\r') ? 2 : 1;
    }
    if (end < file.text.size() && start > 0 && file.text[start - 1] != '\n') start = lastLineEnd;
    std::string text(file.text.substr(0, start));
    text += file.text.substr(end);
    return text;
}

// What the installation record keeps of an added section, on one line:
// numbers separated by single spaces, then the rest of the line as text.
inline std::string recordLine(std::initializer_list<unsigned> numbers, std::string_view text) {
    std::string line;
    for (const unsigned number : numbers) line += joined({zeroPadded(number), " "});
    return line += text;
}
// Reads what recordLine wrote; false when the line is not that, or the
// lead-in (the last number) is more than a section is ever given.
template <std::size_t Count>
bool readRecordLine(std::string_view line, unsigned (&numbers)[Count], std::string& text) {
    for (unsigned& number : numbers) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos || !detail::parseNumber(line.substr(0, space), number))
            return false;
        line.remove_prefix(space + 1);
    }
    text = line;
    return numbers[Count - 1] <= 2 && valueFault("", text).empty();
}

// The text without the section a record names: among the sections of the
// kind that `matches`, the one under the recorded number, else the only
// one. The text unchanged when there is none, or several and none under
// that number.
template <typename Matches>
TextResult<Removal> removeAdded(std::string_view text, std::string_view fileName, std::string_view kind,
                                unsigned number, unsigned leadIn, Matches&& matches) {
    TextResult<Listing> listing = readListing(text, fileName, kind);
    if (!listing) return TextFailure{listing.failure()};
    const Section* only = nullptr;
    int count = 0;
    for (const NumberedSection& s : listing->numbered) {
        const Section& section = listing->file.sections[s.section];
        if (!matches(listing->file, section)) continue;
        if (s.name.number == number) return Removal{removeSection(listing->file, section, leadIn), true};
        only = &section;
        ++count;
    }
    if (count != 1) return Removal{std::string(text), false};
    return Removal{removeSection(listing->file, *only, leadIn), true};
}

}  // namespace tavrix::installer::cfg
