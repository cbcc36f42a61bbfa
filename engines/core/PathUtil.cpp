#include "engines/core/PathUtil.h"

#include <atomic>

#include "common/support/ZeroPadded.h"

namespace tavrix::zip {

std::string joinPath(std::string_view dir, std::string_view name) {
    if (dir.empty()) return std::string(name);
    std::string out(dir);
    if (out.back() != '/') out.push_back('/');
    out.append(name);
    return out;
}

std::string parentOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return {};
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

std::string_view baseNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {

constexpr int kAttempts = 64;

// "~tvx" names that two engines working in one folder will not share: the
// process's tag, then a count of the names this process has asked for.
std::string uniqueName(FileSystem& fs) {
    static std::atomic<std::uint32_t> counter{0};
    return "~tvx" + zeroPadded(fs.processTag() & 0xFFFFF, 5, 16) +
           zeroPadded(counter.fetch_add(1) & 0xFFFF, 4, 16) + ".tmp";
}

}  // namespace

StagedFile createStagedFile(FileSystem& fs, std::string_view dir) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = joinPath(dir, uniqueName(fs));
        if (auto file = fs.createNew(path)) return {std::move(file), std::move(path)};
        if (fs.inspect(path).kind == PathKind::kMissing) break;  // not a clash: the folder refuses
    }
    return {};
}

std::string createStagingFolder(FileSystem& fs, std::string_view dir) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = joinPath(dir, uniqueName(fs));
        if (fs.makeDir(path)) return path;
        if (fs.inspect(path).kind == PathKind::kMissing) break;
    }
    return {};
}

}  // namespace tavrix::zip
