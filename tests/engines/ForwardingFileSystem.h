// A file system that passes every call to another: tests derive from it and
// change the one call whose failure they need.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engines/core/FileSystem.h"

namespace tavrix::ziptest {

class ForwardingFileSystem : public zip::FileSystem {
public:
    explicit ForwardingFileSystem(zip::FileSystem& real) : real_(real) {}
    std::unique_ptr<RandomAccessInput> openRead(const std::string& path) override {
        return real_.openRead(path);
    }
    std::unique_ptr<zip::OutputFile> createNew(const std::string& path) override {
        return real_.createNew(path);
    }
    bool rename(const std::string& from, const std::string& to, bool replace) override {
        return real_.rename(from, to, replace);
    }
    bool removeFile(const std::string& path) override { return real_.removeFile(path); }
    bool makeDir(const std::string& path) override { return real_.makeDir(path); }
    bool removeDir(const std::string& path) override { return real_.removeDir(path); }
    zip::PathInfo inspect(const std::string& path) override { return real_.inspect(path); }
    bool listDir(const std::string& dir, std::vector<zip::DirItem>& items) override {
        return real_.listDir(dir, items);
    }
    bool setTime(const std::string& path, const zip::FileStamp& stamp) override {
        return real_.setTime(path, stamp);
    }
    std::int64_t dosToUnix(std::uint32_t dos) override { return real_.dosToUnix(dos); }
    std::uint32_t unixToDos(std::int64_t t) override { return real_.unixToDos(t); }
    bool isHidden(const zip::DirItem& item) override { return real_.isHidden(item); }
    std::uint32_t processTag() override { return real_.processTag(); }
    bool usableFromAnyThread() const override { return real_.usableFromAnyThread(); }

protected:
    zip::FileSystem& real_;
};

}  // namespace tavrix::ziptest
