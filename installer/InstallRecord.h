// The installation record: what one installation of an add-on wrote into its
// destination, so that a cancel or an uninstall takes exactly that away and
// nothing else. No Windows here: tested natively too.
//
// The record lives in the destination, in a folder of the add-on's own,
// Uninstall\<title>\ (no simulator scans a folder of that name for aircraft,
// gauges or scenery), as Record.txt: plain text a pilot can read, one entry a
// line, every line ended by CR LF, and a last line that holds the CRC-32 of
// everything before it, so that a damaged or cut record is refused whole:
//
//   Tavrix installation record 1
//   Title=My Plane
//   State=installing                  (or "complete")
//   Created destination=1             (the destination page made the
//                                      destination and 0 more of its parents)
//   Folder=texture                    (made inside the destination, outer first)
//   File=1234 0a1b2c3d texture\a.bmp  (written: size, CRC-32, name)
//   Replaced=aircraft.cfg             (the old copy is kept in Replaced\ of
//                                      the record's folder)
//   Edited=C:\FS2000\scenery.cfg|124 141 1 Scenery\Lakeside
//                                     (one of the simulator's lists and the
//                                      section added to it, as the list's
//                                      editor names it; the file as it was
//                                      is kept in the record's folder)
//   End=5f3c2a1b
//
// Names are relative to the destination, and a record with any other kind of
// name (a drive, a leading "\", a "..") is refused as damaged; only an edited
// list is named in full, and only a scenery.cfg or aircraft.cfg.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "common/support/Crc32.h"
#include "common/support/TextResult.h"
#include "common/support/ZeroPadded.h"
#include "installer/TextLines.h"

namespace tavrix::installer {

inline constexpr const char* kRecordsFolder = "Uninstall";
inline constexpr const char* kRecordFileName = "Record.txt";
inline constexpr const char* kReplacedFolder = "Replaced";
inline constexpr const char* kRecordHeading = "Tavrix installation record 1";

struct RecordedFile {
    std::string name;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool operator==(const RecordedFile&) const = default;
};

struct InstallRecord {
    std::string title;
    bool complete = false;
    int createdDestinationLevels = 0;
    std::vector<std::string> folders;
    std::vector<RecordedFile> files;
    std::vector<std::string> replaced;
    std::vector<std::string> edited;  // "<full path>|<section>"
    bool operator==(const InstallRecord&) const = default;
};

// A name inside the destination: relative, without a drive, without "." or
// ".." or empty parts, without control characters or wildcards.
inline bool isNameInside(std::string_view name) {
    if (name.empty() || name.size() > 259) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find('\\', start);
        const std::string_view part =
            name.substr(start, end == std::string_view::npos ? name.npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        for (const char c : part)
            if (static_cast<unsigned char>(c) < 32 ||
                std::string_view("/:*?\"<>|").find(c) != std::string_view::npos)
                return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

// Whether a full path names one of the simulator's lists an installation
// adds a section to: 1 scenery.cfg, 2 aircraft.cfg, else 0. (A path holds
// no "|": what follows one is the section added.)
inline int simulatorListKind(std::string_view path) {
    path = path.substr(0, path.find('|'));
    // On a drive, or on a network share.
    if (path.size() < 4 || ((path[1] != ':' || path[2] != '\\') && path.substr(0, 2) != "\\\\")) return 0;
    for (int kind = 1; kind <= 2; ++kind) {
        const std::string_view name = kind == 1 ? "\\scenery.cfg" : "\\aircraft.cfg";
        if (path.size() < name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size(); ++i) {
            const char c = path[path.size() - name.size() + i];
            same = same && ((c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c) == name[i];
        }
        if (same) return kind;
    }
    return 0;
}

// The add-on's title as one folder name: characters a name cannot hold
// become "_", trailing dots and spaces go, and an empty result is "Add-on".
inline std::string recordFolderName(std::string_view title) {
    std::string name;
    for (const char c : title)
        name += (static_cast<unsigned char>(c) < 32 ||
                 std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
                    ? '_'
                    : c;
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(0, 1);
    return name.empty() ? std::string("Add-on") : name;
}

// The record's folder, relative to the destination.
inline std::string recordFolder(std::string_view title) {
    return std::string(kRecordsFolder) + "\\" + recordFolderName(title);
}

namespace detail {
// Digits only, in base 10 or 16 (lower case, as written), without overflow.
template <typename Number>
bool parseNumber(std::string_view text, Number& value, unsigned base = 10) {
    if (text.empty() || text.size() > 20) return false;
    std::uint64_t result = 0;
    for (const char c : text) {
        const unsigned digit = c >= '0' && c <= '9'   ? unsigned(c - '0')
                               : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                                                      : 99;
        if (digit >= base || result > (~std::uint64_t{0} - digit) / base) return false;
        result = result * base + digit;
    }
    if (result > static_cast<std::uint64_t>(std::numeric_limits<Number>::max())) return false;
    value = static_cast<Number>(result);
    return true;
}
}  // namespace detail

inline std::string recordText(const InstallRecord& record) {
    std::string text;
    auto line = [&text](std::string_view content) {
        text += content;
        text += "\r\n";
    };
    line(kRecordHeading);
    line("Title=" + record.title);
    line(std::string("State=") + (record.complete ? "complete" : "installing"));
    line("Created destination=" + zeroPadded(static_cast<std::uint64_t>(record.createdDestinationLevels)));
    for (const std::string& folder : record.folders) line("Folder=" + folder);
    for (const RecordedFile& file : record.files)
        line("File=" + zeroPadded(file.size) + " " + zeroPadded(file.crc, 8, 16) + " " + file.name);
    for (const std::string& name : record.replaced) line("Replaced=" + name);
    for (const std::string& list : record.edited) line("Edited=" + list);
    line("End=" + zeroPadded(crc32(0, text.data(), text.size()), 8, 16));
    return text;
}

inline constexpr const char* kDamagedRecordText = "The installation record is damaged; nothing was removed.";

inline TextResult<InstallRecord> parseRecord(std::string_view text) {
    const TextFailure damaged{kDamagedRecordText};
    // The closing line and its CRC first: a record cut short has none.
    constexpr std::string_view kEnd = "End=";
    const std::size_t endLine = text.rfind("\r\nEnd=");
    if (endLine == std::string_view::npos) return damaged;
    const std::size_t covered = endLine + 2;
    std::string_view closing = text.substr(covered + kEnd.size());
    if (closing.size() != 10 || closing.substr(8) != "\r\n") return damaged;
    std::uint32_t stored = 0;
    if (!detail::parseNumber(closing.substr(0, 8), stored, 16) || stored != crc32(0, text.data(), covered))
        return damaged;

    const std::vector<std::string> lines = splitLines(text.substr(0, covered));
    if (lines.size() < 4 || lines[0] != kRecordHeading) return damaged;
    InstallRecord record;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return damaged;
        const std::string_view key = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (key == "Title" && i == 1) {
            record.title = value;
        } else if (key == "State" && i == 2) {
            if (value != "complete" && value != "installing") return damaged;
            record.complete = value == "complete";
        } else if (key == "Created destination" && i == 3) {
            if (!detail::parseNumber(value, record.createdDestinationLevels) ||
                record.createdDestinationLevels < 0 || record.createdDestinationLevels > 64)
                return damaged;
        } else if (key == "Folder" && i > 3) {
            if (!isNameInside(value)) return damaged;
            record.folders.emplace_back(value);
        } else if (key == "File" && i > 3) {
            const std::size_t space1 = value.find(' ');
            const std::size_t space2 = space1 == value.npos ? value.npos : value.find(' ', space1 + 1);
            if (space2 == value.npos) return damaged;
            RecordedFile file;
            file.name = value.substr(space2 + 1);
            if (!detail::parseNumber(value.substr(0, space1), file.size) ||
                value.substr(space1 + 1, space2 - space1 - 1).size() != 8 ||
                !detail::parseNumber(value.substr(space1 + 1, 8), file.crc, 16) || !isNameInside(file.name))
                return damaged;
            record.files.push_back(std::move(file));
        } else if (key == "Replaced" && i > 3) {
            if (!isNameInside(value)) return damaged;
            record.replaced.emplace_back(value);
        } else if (key == "Edited" && i > 3) {
            if (!simulatorListKind(value) || value.find('|') == value.npos) return damaged;
            record.edited.emplace_back(value);
        } else {
            return damaged;
        }
    }
    return record;
}

}  // namespace tavrix::installer
