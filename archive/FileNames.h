// The extension of a file's name: from the last dot of its file part. A dot
// in a folder's name, or before a drive's colon, starts no extension.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavrix::archive {

// Where the extension starts; the name's end when it has none.
inline std::size_t extensionStart(const std::string& name) {
    const std::size_t slash = name.find_last_of("\\/:");
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name.size();
    return dot;
}

// `name` with its extension, or none, replaced by `extension` (".zip").
inline std::string withExtension(const std::string& name, const char* extension) {
    return name.substr(0, extensionStart(name)) + extension;
}

// Whether the extension is `upper` (".EXE"), its letters in either case.
inline bool hasExtension(const std::string& name, std::string_view upper) {
    const std::size_t start = extensionStart(name);
    if (start == name.size() || name.size() - start != upper.size()) return false;
    for (std::size_t i = 0; i < upper.size(); ++i) {
        char ch = name[start + i];
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (ch != upper[i]) return false;
    }
    return true;
}

}  // namespace tavrix::archive
