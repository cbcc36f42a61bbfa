// Expands file patterns into the files (and folders) to add, with the
// names they get in the archive.
#pragma once

#include <string>
#include <vector>

#include "engines/core/FileSystem.h"

namespace tavrix::zip {

struct SourceItem {
    std::string path;        // where the file is
    std::string storedName;  // its name in the archive ('/', folders end with '/')
    PathInfo info;
};

struct CollectRules {
    bool recurse = false;
    bool hiddenFiles = false;
    bool junkDirNames = false;
    bool folderEntries = false;
    bool forceDos = false;
};

// Files (and, with folderEntries, folders) named by `specs`, each stored name
// once. Patterns that match nothing are returned in `unmatched`.
std::vector<SourceItem> collectSources(FileSystem& fs, const std::vector<std::string>& specs,
                                       const CollectRules& rules, std::vector<std::string>& unmatched);

// A path as a name inside an archive: no drive, no leading '/', no "." or
// ".." parts.
std::string archiveNameOf(std::string_view path);
// One name part made a DOS 8.3 name (upper case, invalid characters as '_').
std::string dosNameOf(std::string_view component);

}  // namespace tavrix::zip
