// A file system held in memory, for running the ZIP core without a disk: the
// extraction fuzz target and the tests of a full disk use it. Paths are
// absolute, '/'-separated and taken as they come (no "." or ".." folding: a
// name that needs folding is a fault of the caller, and shows up as a file in
// an unexpected place). Files become visible under their name at creation
// and grow with every write, as on a real disk, so a half-written file left
// behind is there to be seen.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engines/core/FileSystem.h"

namespace tavrix::ziptest {

class MemoryFileSystem final : public zip::FileSystem {
public:
    struct Node {
        zip::PathKind kind = zip::PathKind::kFile;
        std::vector<std::uint8_t> bytes;
        std::int64_t unixTime = 0;
        zip::FileAttributes attributes;
        bool open = false;  // an output file still holds it
    };

    MemoryFileSystem();

    // Writes fail once the files together would hold more than this: a full disk.
    void setCapacity(std::uint64_t bytes) { capacity_ = bytes; }
    std::uint64_t used() const { return used_; }

    void putFile(const std::string& path, std::vector<std::uint8_t> bytes, std::int64_t unixTime = 0);
    void putDirectory(const std::string& path);
    void putLink(const std::string& path);
    const std::map<std::string, Node>& nodes() const { return nodes_; }
    const Node* find(const std::string& path) const;

    std::unique_ptr<RandomAccessInput> openRead(const std::string& path) override;
    std::unique_ptr<zip::OutputFile> createNew(const std::string& path) override;
    bool rename(const std::string& from, const std::string& to, bool replace) override;
    bool removeFile(const std::string& path) override;
    bool makeDir(const std::string& path) override;
    bool removeDir(const std::string& path) override;
    zip::PathInfo inspect(const std::string& path) override;
    bool listDir(const std::string& dir, std::vector<zip::DirItem>& items) override;
    bool setTime(const std::string& path, const zip::FileStamp& stamp) override;
    std::int64_t dosToUnix(std::uint32_t dosDateTime) override;
    std::uint32_t unixToDos(std::int64_t unixTime) override;
    bool isHidden(const zip::DirItem& item) override;

private:
    friend class MemoryOutput;
    bool parentIsDirectory(const std::string& path) const;
    bool grow(Node& node, std::uint64_t newSize);

    std::map<std::string, Node> nodes_;
    std::uint64_t capacity_ = UINT64_MAX;
    std::uint64_t used_ = 0;
};

}  // namespace tavrix::ziptest
