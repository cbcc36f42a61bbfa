// Rules of the destination and completion pages that need no Windows calls:
// the folder proposal, the folders Next must create, and the text of the
// information file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavrix::installer {

inline constexpr const char* kFlightSimulator2000 = "Flightsimulator 2000";
inline constexpr const char* kFlightSimulator98 = "Flightsimulator 98";
inline constexpr const char* kSimulator2000Key =
    "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\7.0";
inline constexpr const char* kSimulator98Key = "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\6.1";
inline constexpr const char* kSceneryType = "Scenery MD";

// The simulator's folder from its registry key; none when the key does not
// open (or the reader has reported why it cannot be read).
using SimulatorPathReader = std::function<std::optional<std::string>(const char* key)>;

// The folder proposed for a package, or none. Only the key of the simulator
// the package names is read. Parts are joined as they are, with one "\"
// between them (a path ending in "\" gives two in a row).
inline std::optional<std::string> proposeFolder(const std::string& version, const std::string& type,
                                                const std::string& title,
                                                const SimulatorPathReader& readPath) {
    const char* key = version == kFlightSimulator2000 ? kSimulator2000Key
                      : version == kFlightSimulator98 ? kSimulator98Key
                                                      : nullptr;
    if (!key) return std::nullopt;
    // A key without a usable "path" value proposes nothing: the parts
    // alone would name a folder in the root of the current drive.
    const std::optional<std::string> path = readPath(key);
    if (!path || path->empty()) return std::nullopt;
    // Scenery goes into the simulator's own folder.
    if (type == kSceneryType) return *path;
    return *path + "\\" + type + "\\" + title;
}

// The part of a folder text up to and including its last "\" or ":".
inline std::string parentPart(const std::string& text) {
    const auto separator = text.find_last_of("\\:");
    return separator == std::string::npos ? std::string() : text.substr(0, separator + 1);
}

// The folders to create, outermost first, so that `text` exists afterwards.
// None ("Unable to create directory") for an empty text, and for a relative
// name whose parent would be empty: nothing is created then.
inline std::optional<std::vector<std::string>> foldersToCreate(
    std::string text, const std::function<bool(const std::string&)>& isFolder) {
    if (text.empty()) return std::nullopt;
    std::vector<std::string> missing;
    for (;;) {
        if (!text.empty() && text.back() == '\\') text.pop_back();
        if (text.size() < 3 || isFolder(text)) break;
        std::string parent = parentPart(text);
        if (parent == text) break;
        missing.push_back(text);
        if (parent.empty()) return std::nullopt;
        text = std::move(parent);
    }
    return std::vector<std::string>(missing.rbegin(), missing.rend());
}

struct InformationFile {
    std::string title;
    std::string type;
    std::string names[3];
    std::string mails[3];
};

// Ostrel.txt: 17 lines, each ended by CR LF.
inline std::string informationFileText(const InformationFile& info) {
    std::string text;
    auto line = [&text](const std::string& content) { text += content + "\r\n"; };
    line(info.title);
    line("For more information about this " + info.type + ", please contact:");
    for (int author = 0; author < 3; ++author) {
        line("");
        line(info.names[author]);
        line(info.mails[author]);
    }
    for (int i = 0; i < 4; ++i) line("");
    line(std::string(36, '_'));
    line("Build with Tavrix Builder ver 3.00");
    return text;
}

}  // namespace tavrix::installer
