// Empty staged files made a few ahead on a second processor. Creating a file
// is a good part of what a small file costs under Wine, and it does not
// depend on what the file will hold, so while the extraction writes one
// file the worker creates the next ones and readies them for their first
// write. The worker calls nothing but createStagedFile and the new file's
// prepareForWriter; what it made and nobody took is closed and removed when
// the pool goes, so the staging folder can be removed after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engines/core/PathUtil.h"
#include "engines/core/WorkerThread.h"

namespace tavrix::zip {

class StagingPool final : public StagedFiles {
public:
    // A StagedFilesMaker.
    static std::unique_ptr<StagedFiles> make(FileSystem& fs, unsigned threads, std::uint64_t budget);

    // At most `budget` files will be asked for; the worker makes no more.
    // Without a worker (one thread, a file system that is used from one
    // thread only, or too few files to pay for a thread) every file is
    // created when it is asked for, with the same result.
    StagingPool(FileSystem& fs, unsigned threads, std::uint64_t budget);
    ~StagingPool() override;
    StagingPool(const StagingPool&) = delete;
    StagingPool& operator=(const StagingPool&) = delete;

    // A new staged file in `folder`: one made ahead when one is ready, else
    // one created now. The first call starts the worker in its folder;
    // files asked for in another folder are always created now.
    StagedFile take(const std::string& folder) override;

private:
    // Files ahead at most; the worker sleeps when they are all ready and is
    // woken when half are taken, so that wake-ups (a call into the system
    // each) are few.
    static constexpr std::size_t kSlots = 16;
    static constexpr std::uint64_t kWorthAThread = 2 * kSlots;

    static void workerMain(WorkerThread& thread, void* self);

    FileSystem& fs_;
    bool asked_ = false;
    std::string folder_;    // the worker's; set before it starts
    std::uint64_t budget_;  // files neither taken nor made ahead yet (under the lock)
    StagedFile ready_[kSlots];
    std::size_t head_ = 0;   // the oldest ready file (under the lock)
    std::size_t count_ = 0;  // ready files (under the lock)
    bool workerWaits_ = false;
    LazyWorker worker_;
};

}  // namespace tavrix::zip
