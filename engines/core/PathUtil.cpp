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

// A "~tvx" name in `dir` that two engines working in one folder will not
// share: the process's tag, then a count of the names this process has
// asked for. Made in one allocation, as one is made for every file.
std::string uniquePathIn(FileSystem& fs, std::string_view dir) {
    static std::atomic<std::uint32_t> counter{0};
    std::string path;
    path.reserve(dir.size() + 18);
    path.append(dir);
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append("~tvx")
        .append(zeroPadded(fs.processTag() & 0xFFFFF, 5, 16))
        .append(zeroPadded(counter.fetch_add(1) & 0xFFFF, 4, 16))
        .append(".tmp");
    return path;
}

}  // namespace

StagedFile createStagedFile(FileSystem& fs, std::string_view dir) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = uniquePathIn(fs, dir);
        if (auto file = fs.createNew(path)) return {std::move(file), std::move(path)};
        if (fs.inspect(path).kind == PathKind::kMissing) break;  // not a clash: the folder refuses
    }
    return {};
}

void discardStagedFile(FileSystem& fs, StagedFile& staged) {
    if (!staged.file) return;
    staged.file->finish(nullptr, nullptr);
    staged.file.reset();
    fs.removeFile(staged.path);
}

std::string createStagingFolder(FileSystem& fs, std::string_view dir) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = uniquePathIn(fs, dir);
        if (fs.makeDir(path)) return path;
        if (fs.inspect(path).kind == PathKind::kMissing) break;
    }
    return {};
}

}  // namespace tavrix::zip
