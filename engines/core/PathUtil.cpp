#include "PathUtil.h"

#include <atomic>
#include <chrono>
#include <cstdio>

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

// "~tvx" names that two engines working in one folder will not share.
std::string uniqueName() {
    static std::atomic<std::uint32_t> counter{0};
    static const std::uint32_t salt =
        static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFF);
    char name[32];
    std::snprintf(name, sizeof name, "~tvx%05x%04x.tmp", salt, counter.fetch_add(1) & 0xFFFF);
    return name;
}

}  // namespace

StagedFile createStagedFile(FileSystem& fs, std::string_view dir) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = joinPath(dir, uniqueName());
        if (auto file = fs.createNew(path)) return {std::move(file), std::move(path)};
        if (fs.inspect(path).kind == PathKind::kMissing) break;  // not a clash: the folder refuses
    }
    return {};
}

std::string createStagingFolder(FileSystem& fs, std::string_view dir) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string path = joinPath(dir, uniqueName());
        if (fs.makeDir(path)) return path;
        if (fs.inspect(path).kind == PathKind::kMissing) break;
    }
    return {};
}

}  // namespace tavrix::zip
