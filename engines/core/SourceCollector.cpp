#include "engines/core/SourceCollector.h"

#include <algorithm>
#include <unordered_set>

#include "engines/core/PathUtil.h"
#include "engines/core/Wildcard.h"

namespace tavrix::zip {
namespace {

class Collector {
public:
    Collector(FileSystem& fs, const CollectRules& rules) : fs_(fs), rules_(rules) {}

    void spec(std::string path) {
        std::replace(path.begin(), path.end(), '\\', '/');
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        const std::string_view last = baseNameOf(path);
        if (hasWildcards(last)) {
            scan(parentOf(path), std::string(last), rules_.recurse);
            return;
        }
        const PathInfo info = fs_.inspect(path);
        if (info.kind == PathKind::kFile) {
            addFile(path, info);
        } else if (info.kind == PathKind::kDirectory) {
            addFolder(path);
            scan(path, "*", rules_.recurse);
        }
    }

    std::vector<SourceItem> take() { return std::move(items_); }
    std::size_t count() const { return items_.size(); }

private:
    // Files in `dir` matching `pattern`; with `deep`, the same in every folder below.
    void scan(const std::string& dir, const std::string& pattern, bool deep) {
        std::vector<DirItem> listing;
        if (!fs_.listDir(dir, listing)) return;
        std::sort(listing.begin(), listing.end(),
                  [](const DirItem& a, const DirItem& b) { return a.name < b.name; });
        for (const DirItem& item : listing) {
            if (!rules_.hiddenFiles && fs_.isHidden(item)) continue;
            const std::string path = joinPath(dir, item.name);
            if (item.info.kind == PathKind::kFile && wildcardMatch(pattern, item.name))
                addFile(path, item.info);
        }
        if (!deep) return;
        // Links are not followed: they could lead in a circle or out of the tree.
        for (const DirItem& item : listing) {
            if (item.info.kind != PathKind::kDirectory) continue;
            if (!rules_.hiddenFiles && fs_.isHidden(item)) continue;
            const std::string path = joinPath(dir, item.name);
            if (pattern == "*") addFolder(path);
            scan(path, pattern, true);
        }
    }

    std::string storedNameOf(std::string_view path) const {
        std::string name = rules_.junkDirNames ? std::string(baseNameOf(path)) : archiveNameOf(path);
        if (!rules_.forceDos) return name;
        std::string dos;
        std::size_t start = 0;
        while (start < name.size()) {
            std::size_t slash = name.find('/', start);
            if (slash == std::string::npos) slash = name.size();
            if (!dos.empty()) dos.push_back('/');
            dos += dosNameOf(std::string_view(name).substr(start, slash - start));
            start = slash + 1;
        }
        return dos;
    }

    // Folder entries for every folder of a stored name, outermost first.
    void addFolderChain(const std::string& storedName, const std::string& path) {
        if (!rules_.folderEntries || rules_.junkDirNames) return;
        for (std::size_t slash = storedName.find('/'); slash != std::string::npos;
             slash = storedName.find('/', slash + 1)) {
            std::string folder = storedName.substr(0, slash + 1);
            if (!seen_.insert(folder).second) continue;
            // The folder's own path: as many parts off the end of `path` as the name has after it.
            const std::size_t partsAfter = static_cast<std::size_t>(std::count(
                storedName.begin() + static_cast<std::ptrdiff_t>(slash) + 1, storedName.end(), '/'));
            std::string folderPath = path;
            for (std::size_t k = 0; k <= partsAfter; ++k) folderPath = parentOf(folderPath);
            PathInfo info = fs_.inspect(folderPath.empty() ? "." : folderPath);
            if (info.kind != PathKind::kDirectory) info.kind = PathKind::kDirectory;
            items_.push_back({folderPath, std::move(folder), info});
        }
    }

    void addFolder(const std::string& path) {
        const std::string name = storedNameOf(path);
        if (name.empty()) return;
        addFolderChain(name + "/", joinPath(path, "x"));
    }

    void addFile(const std::string& path, const PathInfo& info) {
        std::string name = storedNameOf(path);
        if (name.empty() || !seen_.insert(name).second) return;
        addFolderChain(name, path);
        items_.push_back({path, std::move(name), info});
    }

    FileSystem& fs_;
    const CollectRules& rules_;
    std::vector<SourceItem> items_;
    std::unordered_set<std::string> seen_;
};

bool isDosNameChar(unsigned char ch) {
    if ((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) return true;
    return std::string_view("!#$%&'()-@^_`{}~").find(static_cast<char>(ch)) != std::string_view::npos;
}

std::string dosPart(std::string_view text, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && out.size() < limit; ++i) {
        auto ch = static_cast<unsigned char>(text[i]);
        if (ch >= 0x80) {  // one '_' per UTF-8 character
            while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
            out.push_back('_');
            continue;
        }
        if (ch >= 'a' && ch <= 'z') ch = static_cast<unsigned char>(ch - 'a' + 'A');
        if (ch == ' ') continue;
        out.push_back(isDosNameChar(ch) ? static_cast<char>(ch) : '_');
    }
    return out;
}

}  // namespace

std::string archiveNameOf(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') path.remove_prefix(2);
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find_first_of("/\\", start);
        if (slash == std::string_view::npos) slash = path.size();
        const std::string_view part = path.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == "." || part == "..") continue;
        if (!out.empty()) out.push_back('/');
        out.append(part);
    }
    return out;
}

std::string dosNameOf(std::string_view component) {
    const std::size_t dot = component.find_last_of('.');
    const std::string_view stem = dot == std::string_view::npos ? component : component.substr(0, dot);
    std::string base = dosPart(stem, 8);
    if (base.empty()) base.push_back('_');
    if (dot == std::string_view::npos) return base;
    const std::string extension = dosPart(component.substr(dot + 1), 3);
    if (!extension.empty()) {
        base.push_back('.');
        base.append(extension);
    }
    return base;
}

std::vector<SourceItem> collectSources(FileSystem& fs, const std::vector<std::string>& specs,
                                       const CollectRules& rules, std::vector<std::string>& unmatched) {
    Collector collector(fs, rules);
    for (const std::string& spec : specs) {
        const std::size_t before = collector.count();
        collector.spec(spec);
        if (collector.count() == before) unmatched.push_back(spec);
    }
    return collector.take();
}

}  // namespace tavrix::zip
