// The file-system seam on POSIX systems (the native build).
#ifndef _GNU_SOURCE
#define _GNU_SOURCE  // renameat2
#endif

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "engines/core/FileSystem.h"

namespace tavrix::zip {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool reset() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

class PosixInput final : public RandomAccessInput {
public:
    PosixInput(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        auto* out = static_cast<char*>(buffer);
        std::size_t total = 0;
        while (total < count) {
            const ssize_t got =
                ::pread(fd_.get(), out + total, count - total, static_cast<off_t>(offset + total));
            if (got == 0) break;  // the end of the file
            if (got > 0) {
                total += static_cast<std::size_t>(got);
            } else if (errno != EINTR) {
                return -1;
            }
        }
        return static_cast<std::ptrdiff_t>(total);
    }

private:
    FileDescriptor fd_;
    std::uint64_t size_;
};

bool renamePath(const std::string& from, const std::string& to, bool replace) {
    if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without RENAME_NOREPLACE: link fails on an existing name.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

class PosixOutput final : public OutputFile {
public:
    PosixOutput(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    bool renameTo(const std::string& target, bool replace) override {
        if (!renamePath(path_, target, replace)) return false;
        path_ = target;
        return true;
    }
    bool write(const void* data, std::size_t count) override {
        auto* p = static_cast<const char*>(data);
        while (count > 0) {
            ssize_t put = ::write(fd_.get(), p, count);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return false;
            p += put;
            count -= static_cast<std::size_t>(put);
        }
        return true;
    }
    bool writeAt(std::uint64_t offset, const void* data, std::size_t count) override {
        auto* p = static_cast<const char*>(data);
        while (count > 0) {
            ssize_t put = ::pwrite(fd_.get(), p, count, static_cast<off_t>(offset));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return false;
            p += put;
            offset += static_cast<std::uint64_t>(put);
            count -= static_cast<std::size_t>(put);
        }
        return true;
    }
    bool finish(const FileStamp* stamp, const FileAttributes* attributes) override;

private:
    FileDescriptor fd_;
    std::string path_;
};

std::int64_t localDosToUnix(std::uint32_t dos) {
    std::tm tm{};
    tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>(dos & 0x1F) * 2;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(::mktime(&tm));
}

std::int64_t stampToUnix(const FileStamp& stamp) {
    return stamp.hasUnixTime ? stamp.unixTime : localDosToUnix(stamp.dosDateTime);
}

bool PosixOutput::finish(const FileStamp* stamp, const FileAttributes* attributes) {
    bool ok = true;
    if (stamp) {
        timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(stampToUnix(*stamp));
        times[0].tv_nsec = times[1].tv_nsec = 0;
        ok = ::futimens(fd_.get(), times) == 0;
    }
    if (attributes) {
        // Only permission bits: set-id and sticky bits from an archive are dropped.
        mode_t mode = 0;
        if (attributes->hasUnixMode)
            mode = static_cast<mode_t>(attributes->unixMode & 0777);
        else if (attributes->dos & 0x01)
            mode = 0444;
        // A file is created with 0666 less the umask; only other modes cost a call.
        static const mode_t created = [] {
            const mode_t mask = ::umask(022);
            ::umask(mask);
            return static_cast<mode_t>(0666 & ~mask);
        }();
        if (mode != 0 && (mode | S_IRUSR) != created) ok = ::fchmod(fd_.get(), mode | S_IRUSR) == 0 && ok;
    }
    return fd_.reset() && ok;
}

PathInfo describe(const struct stat& st) {
    PathInfo info;
    if (S_ISLNK(st.st_mode))
        info.kind = PathKind::kLink;
    else if (S_ISDIR(st.st_mode))
        info.kind = PathKind::kDirectory;
    else if (S_ISREG(st.st_mode))
        info.kind = PathKind::kFile;
    else
        info.kind = PathKind::kOther;
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.unixTime = static_cast<std::int64_t>(st.st_mtime);
    info.attributes.hasUnixMode = true;
    info.attributes.unixMode = st.st_mode & 07777;
    if (info.kind == PathKind::kDirectory) info.attributes.dos |= 0x10;
    if ((st.st_mode & 0222) == 0) info.attributes.dos |= 0x01;
    return info;
}

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<RandomAccessInput> openRead(const std::string& path) override {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixInput>(fd, static_cast<std::uint64_t>(st.st_size));
    }
    std::unique_ptr<OutputFile> createNew(const std::string& path) override {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) return nullptr;
        return std::make_unique<PosixOutput>(fd, path);
    }
    bool rename(const std::string& from, const std::string& to, bool replace) override {
        return renamePath(from, to, replace);
    }
    bool removeFile(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
    bool makeDir(const std::string& path) override { return ::mkdir(path.c_str(), 0777) == 0; }
    bool removeDir(const std::string& path) override { return ::rmdir(path.c_str()) == 0; }
    PathInfo inspect(const std::string& path) override {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return {};
        return describe(st);
    }
    bool listDir(const std::string& dir, std::vector<DirItem>& items) override {
        DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
        if (!d) return false;
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            struct stat st {};
            std::string full = dir.empty() ? name : dir + "/" + name;
            if (::lstat(full.c_str(), &st) != 0) continue;
            items.push_back({name, describe(st)});
        }
        ::closedir(d);
        return true;
    }
    bool setTime(const std::string& path, const FileStamp& stamp) override {
        timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(stampToUnix(stamp));
        times[0].tv_nsec = times[1].tv_nsec = 0;
        return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
    }
    std::int64_t dosToUnix(std::uint32_t dos) override { return localDosToUnix(dos); }
    std::uint32_t unixToDos(std::int64_t unixTime) override {
        time_t t = static_cast<time_t>(unixTime);
        std::tm tm{};
        if (!::localtime_r(&t, &tm) || tm.tm_year < 80) return (1u << 21) | (1u << 16);  // 1980-01-01
        if (tm.tm_year > 207) tm.tm_year = 207;
        return (static_cast<std::uint32_t>(tm.tm_year - 80) << 25) |
               (static_cast<std::uint32_t>(tm.tm_mon + 1) << 21) |
               (static_cast<std::uint32_t>(tm.tm_mday) << 16) |
               (static_cast<std::uint32_t>(tm.tm_hour) << 11) | (static_cast<std::uint32_t>(tm.tm_min) << 5) |
               (static_cast<std::uint32_t>(tm.tm_sec) / 2);
    }
    bool isHidden(const DirItem& item) override { return !item.name.empty() && item.name[0] == '.'; }
    std::uint32_t processTag() override { return static_cast<std::uint32_t>(::getpid()); }
    bool usableFromAnyThread() const override { return true; }
};

}  // namespace

std::unique_ptr<FileSystem> makePlatformFileSystem() {
    return std::make_unique<PosixFileSystem>();
}

}  // namespace tavrix::zip
