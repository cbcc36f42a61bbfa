// Where a package is proposed to go: the simulator versions a package may
// name, the registry keys that hold their folders, and the folder made of
// them. The installer's destination page and the makers' package check
// share it, so that the check says what the page will propose.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tavrix::package {

inline constexpr const char* kFlightSimulator2000 = "Flightsimulator 2000";
inline constexpr const char* kFlightSimulator98 = "Flightsimulator 98";
inline constexpr const char* kSimulator2000Key =
    "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\7.0";
inline constexpr const char* kSimulator98Key = "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\6.1";
inline constexpr const char* kSceneryType = "Scenery MD";

// The simulator's folder from its registry key; none when the key does not
// open (or the reader has reported why it cannot be read).
using SimulatorPathReader = std::function<std::optional<std::string>(const char* key)>;

// The registry key of the simulator a package names; none for another text.
inline const char* simulatorKey(const std::string& version) {
    return version == kFlightSimulator2000 ? kSimulator2000Key
           : version == kFlightSimulator98 ? kSimulator98Key
                                           : nullptr;
}

// The folder proposed for a package, or none. Only the key of the simulator
// the package names is read. Parts are joined as they are, with one "\"
// between them (a path ending in "\" gives two in a row).
inline std::optional<std::string> proposeFolder(const std::string& version, const std::string& type,
                                                const std::string& title,
                                                const SimulatorPathReader& readPath) {
    const char* key = simulatorKey(version);
    if (!key) return std::nullopt;
    // A key without a usable "path" value proposes nothing: the parts
    // alone would name a folder in the root of the current drive.
    const std::optional<std::string> path = readPath(key);
    if (!path || path->empty()) return std::nullopt;
    // Scenery goes into the simulator's own folder.
    if (type == kSceneryType) return *path;
    return *path + "\\" + type + "\\" + title;
}

}  // namespace tavrix::package
