#include "tests/engines/MemoryFileSystem.h"

#include <algorithm>
#include <cstring>

namespace tavrix::ziptest {

using namespace tavrix::zip;

namespace {

std::string parentPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

// An open file reads the bytes it had when it was opened.
class OpenedFile final : public RandomAccessInput {
public:
    explicit OpenedFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return view_.size(); }
    std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        return view_.readAt(offset, buffer, count);
    }

private:
    std::vector<std::uint8_t> bytes_;
    MemoryInput view_{bytes_};
};

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

class MemoryOutput final : public OutputFile {
public:
    MemoryOutput(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    ~MemoryOutput() override { release(); }

    bool write(const void* data, std::size_t count) override {
        MemoryFileSystem::Node* node = node_();
        return node && writeAt(node->bytes.size(), data, count);
    }
    bool writeAt(std::uint64_t offset, const void* data, std::size_t count) override {
        MemoryFileSystem::Node* node = node_();
        if (!node || offset > UINT64_MAX - count) return false;
        if (offset + count > node->bytes.size() && !fs_.grow(*node, offset + count)) return false;
        if (count) std::memcpy(node->bytes.data() + offset, data, count);
        return true;
    }
    bool renameTo(const std::string& target, bool replace) override {
        if (!fs_.rename(path_, target, replace)) return false;
        path_ = target;
        return true;
    }
    bool finish(const FileStamp* stamp, const FileAttributes* attributes) override {
        MemoryFileSystem::Node* node = node_();
        if (!node) return false;
        if (stamp) fs_.setTime(path_, *stamp);
        if (attributes) node->attributes = *attributes;
        release();
        return true;
    }

private:
    MemoryFileSystem::Node* node_() {
        auto it = fs_.nodes_.find(path_);
        return it == fs_.nodes_.end() ? nullptr : &it->second;
    }
    void release() {
        if (MemoryFileSystem::Node* node = node_()) node->open = false;
    }

    MemoryFileSystem& fs_;
    std::string path_;
};

MemoryFileSystem::MemoryFileSystem() {
    nodes_["/"].kind = PathKind::kDirectory;
}

void MemoryFileSystem::putFile(const std::string& path, std::vector<std::uint8_t> bytes,
                               std::int64_t unixTime) {
    Node& node = nodes_[path];
    used_ += bytes.size();
    node.kind = PathKind::kFile;
    node.bytes = std::move(bytes);
    node.unixTime = unixTime;
}

void MemoryFileSystem::putDirectory(const std::string& path) {
    nodes_[path].kind = PathKind::kDirectory;
}

void MemoryFileSystem::putLink(const std::string& path) {
    nodes_[path].kind = PathKind::kLink;
}

const MemoryFileSystem::Node* MemoryFileSystem::find(const std::string& path) const {
    auto it = nodes_.find(path);
    return it == nodes_.end() ? nullptr : &it->second;
}

bool MemoryFileSystem::parentIsDirectory(const std::string& path) const {
    const Node* parent = find(parentPath(path));
    return parent && parent->kind == PathKind::kDirectory;
}

bool MemoryFileSystem::grow(Node& node, std::uint64_t newSize) {
    const std::uint64_t added = newSize - node.bytes.size();
    if (added > capacity_ - std::min(capacity_, used_)) return false;
    node.bytes.resize(static_cast<std::size_t>(newSize));
    used_ += added;
    return true;
}

std::unique_ptr<RandomAccessInput> MemoryFileSystem::openRead(const std::string& path) {
    const Node* node = find(path);
    if (!node || node->kind != PathKind::kFile) return nullptr;
    return std::make_unique<OpenedFile>(node->bytes);
}

std::unique_ptr<OutputFile> MemoryFileSystem::createNew(const std::string& path) {
    if (find(path) || !parentIsDirectory(path)) return nullptr;
    Node& node = nodes_[path];
    node.open = true;
    return std::make_unique<MemoryOutput>(*this, path);
}

bool MemoryFileSystem::rename(const std::string& from, const std::string& to, bool replace) {
    auto source = nodes_.find(from);
    if (source == nodes_.end() || source->second.kind != PathKind::kFile || !parentIsDirectory(to))
        return false;
    if (from == to) return true;
    if (auto target = nodes_.find(to); target != nodes_.end()) {
        if (!replace || target->second.kind != PathKind::kFile) return false;
        used_ -= target->second.bytes.size();
        nodes_.erase(target);
    }
    Node moved = std::move(source->second);
    nodes_.erase(source);
    nodes_[to] = std::move(moved);
    return true;
}

bool MemoryFileSystem::removeFile(const std::string& path) {
    auto it = nodes_.find(path);
    if (it == nodes_.end() || it->second.kind == PathKind::kDirectory) return false;
    used_ -= it->second.bytes.size();
    nodes_.erase(it);
    return true;
}

bool MemoryFileSystem::makeDir(const std::string& path) {
    if (find(path) || !parentIsDirectory(path)) return false;
    nodes_[path].kind = PathKind::kDirectory;
    return true;
}

bool MemoryFileSystem::removeDir(const std::string& path) {
    auto it = nodes_.find(path);
    if (it == nodes_.end() || it->second.kind != PathKind::kDirectory || path == "/") return false;
    const std::string prefix = path + "/";
    auto next = nodes_.lower_bound(prefix);
    if (next != nodes_.end() && next->first.compare(0, prefix.size(), prefix) == 0) return false;
    nodes_.erase(it);
    return true;
}

PathInfo MemoryFileSystem::inspect(const std::string& path) {
    PathInfo info;
    const Node* node = find(path);
    if (!node) return info;
    info.kind = node->kind;
    info.size = node->bytes.size();
    info.unixTime = node->unixTime;
    info.attributes = node->attributes;
    return info;
}

bool MemoryFileSystem::listDir(const std::string& dir, std::vector<DirItem>& items) {
    const Node* folder = find(dir);
    if (!folder || folder->kind != PathKind::kDirectory) return false;
    const std::string prefix = dir == "/" ? dir : dir + "/";
    for (auto it = nodes_.lower_bound(prefix); it != nodes_.end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0) break;
        const std::string name = it->first.substr(prefix.size());
        if (name.empty() || name.find('/') != std::string::npos) continue;
        items.push_back({name, inspect(it->first)});
    }
    return true;
}

bool MemoryFileSystem::setTime(const std::string& path, const FileStamp& stamp) {
    auto it = nodes_.find(path);
    if (it == nodes_.end()) return false;
    it->second.unixTime = stamp.hasUnixTime ? stamp.unixTime : dosToUnix(stamp.dosDateTime);
    return true;
}

// Local time is UTC here: the results do not depend on the machine.
std::int64_t MemoryFileSystem::dosToUnix(std::uint32_t dos) {
    const unsigned year = 1980 + (dos >> 25);
    const unsigned month = std::clamp<unsigned>((dos >> 21) & 0x0F, 1, 12);
    const unsigned day = std::clamp<unsigned>((dos >> 16) & 0x1F, 1, 31);
    const std::int64_t seconds = ((dos >> 11) & 0x1F) * 3600 + ((dos >> 5) & 0x3F) * 60 + (dos & 0x1F) * 2;
    return daysFromCivil(year, month, day) * 86400 + seconds;
}

std::uint32_t MemoryFileSystem::unixToDos(std::int64_t unixTime) {
    const std::int64_t earliest = daysFromCivil(1980, 1, 1) * 86400;
    if (unixTime < earliest) unixTime = earliest;
    std::int64_t days = unixTime / 86400;
    const std::int64_t secondOfDay = unixTime % 86400;
    // Civil date from a day count (the inverse of daysFromCivil).
    days += 719468;
    const std::int64_t era = days / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2);
    if (year > 2107) return 0xFF9FBF7D;  // the last moment a DOS stamp can hold
    return static_cast<std::uint32_t>(year - 1980) << 25 | month << 21 | day << 16 |
           static_cast<std::uint32_t>(secondOfDay / 3600) << 11 |
           static_cast<std::uint32_t>(secondOfDay / 60 % 60) << 5 |
           static_cast<std::uint32_t>(secondOfDay % 60 / 2);
}

bool MemoryFileSystem::isHidden(const DirItem& item) {
    return !item.name.empty() && item.name[0] == '.';
}

}  // namespace tavrix::ziptest
