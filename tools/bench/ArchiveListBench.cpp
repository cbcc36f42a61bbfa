// Lists one archive several times and prints the median time of one listing.
//   native build:  the directory reader over a POSIX file
//   Windows build: TArchiveBuilder::List (ZipFileName assignment), under Wine
// Usage: ArchiveListBench <archive> [repeats]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include "archive/ArchiveBuilder.h"
#else
#include "archive/DirectoryReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class PosixFile final : public tavrix::RandomAccessInput {
public:
    explicit PosixFile(const char* path) : fd_(::open(path, O_RDONLY)) {
        struct stat st {};
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0) size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }
    std::uint64_t size() const override { return size_; }
    std::ptrdiff_t readAt(std::uint64_t offset, void* out, std::size_t count) override {
        return ::pread(fd_, out, count, static_cast<off_t>(offset));  // a local file reads whole
    }

private:
    int fd_;
    std::uint64_t size_ = 0;
};
}  // namespace
#endif

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <archive> [repeats]\n", argv[0]);
        return 2;
    }
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<double> ms;
    long entries = -1;
    for (int i = 0; i < repeats; ++i) {
        auto start = std::chrono::steady_clock::now();
#ifdef _WIN32
        tavrix::archive::TArchiveBuilder builder;
        builder.SetUnattended(true);
        builder.SetZipFileName(argv[1]);
        entries = builder.Count();
        if (builder.LastErrCode() != 0) entries = -builder.LastErrCode();
#else
        PosixFile file(argv[1]);
        tavrix::archive::DirectoryOptions options;
        tavrix::archive::EndRecordSearch end;
        tavrix::archive::DirectoryListing listing;
        auto error = tavrix::archive::listArchive(file, options, end, listing);
        entries = error ? -error.id : static_cast<long>(listing.entries.size());
#endif
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("entries %ld  median %.1f ms  min %.1f ms  (%d runs)\n", entries, ms[ms.size() / 2],
                ms.front(), repeats);
    return entries < 0 ? 1 : 0;
}
