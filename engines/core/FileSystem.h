// The file-system seam of the ZIP core: the only place that touches files.
// The POSIX implementation lets the core run and be tested on Linux; the
// Win32 one is what the engine libraries use.
//
// Paths are UTF-8 with '/' separators; relative paths are relative to the
// process's current directory.
#pragma once

#include "common/support/RandomAccessInput.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrix::zip {

// A modification time as an archive carries it: the DOS date and time (local
// time), plus the exact UTC time when an extra field gave one.
struct FileStamp {
    std::uint32_t dosDateTime = 0;  // date in the high half, time in the low half
    bool hasUnixTime = false;
    std::int64_t unixTime = 0;
};

struct FileAttributes {
    std::uint32_t dos = 0;  // DOS attribute bits
    bool hasUnixMode = false;
    std::uint32_t unixMode = 0;  // permission bits only
};

enum class PathKind { kMissing, kFile, kDirectory, kLink, kOther };

struct PathInfo {
    PathKind kind = PathKind::kMissing;
    std::uint64_t size = 0;
    std::int64_t unixTime = 0;  // modification time, UTC seconds
    FileAttributes attributes;
};

struct DirItem {
    std::string name;
    PathInfo info;
};

class OutputFile {
public:
    virtual ~OutputFile() = default;  // an unfinished file is closed, not removed
    virtual bool write(const void* data, std::size_t count) = 0;
    virtual bool writeAt(std::uint64_t offset, const void* data, std::size_t count) = 0;
    // Gives the still open file its final name; with replace false an
    // existing file of that name makes it fail.
    virtual bool renameTo(const std::string& target, bool replace) = 0;
    // Sets time and attributes (either may be null) and closes.
    virtual bool finish(const FileStamp* stamp, const FileAttributes* attributes) = 0;
    // Called on the thread that made the file when another thread will
    // write it: whatever the first write would wait for is done here.
    virtual void prepareForWriter() {}
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual std::unique_ptr<RandomAccessInput> openRead(const std::string& path) = 0;
    // Creates a new file; fails when the name exists (never follows a link).
    virtual std::unique_ptr<OutputFile> createNew(const std::string& path) = 0;
    // Renames; with replace false an existing target makes it fail.
    virtual bool rename(const std::string& from, const std::string& to, bool replace) = 0;
    virtual bool removeFile(const std::string& path) = 0;
    virtual bool makeDir(const std::string& path) = 0;
    virtual bool removeDir(const std::string& path) = 0;  // an empty folder
    // Describes the path itself: a link is reported as a link.
    virtual PathInfo inspect(const std::string& path) = 0;
    virtual bool listDir(const std::string& dir, std::vector<DirItem>& items) = 0;
    virtual bool setTime(const std::string& path, const FileStamp& stamp) = 0;
    // Local-time conversions of DOS stamps, as the platform defines local time.
    virtual std::int64_t dosToUnix(std::uint32_t dosDateTime) = 0;
    virtual std::uint32_t unixToDos(std::int64_t unixTime) = 0;
    // Whether a name in the file system is hidden (dot files, hidden attribute).
    virtual bool isHidden(const DirItem& item) = 0;
    // A number that two processes running at the same time do not share
    // (the process id), so that their temporary names in one folder differ.
    virtual std::uint32_t processTag() { return 0; }
    // Whether createNew, processTag and inspect may be called from a second
    // thread while the first uses the file system.
    virtual bool usableFromAnyThread() const { return false; }
};

// The file system of the running platform.
std::unique_ptr<FileSystem> makePlatformFileSystem();

}  // namespace tavrix::zip
