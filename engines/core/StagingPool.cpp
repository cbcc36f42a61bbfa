#include "engines/core/StagingPool.h"

#include <utility>

namespace tavrix::zip {

std::unique_ptr<StagedFiles> StagingPool::make(FileSystem& fs, unsigned threads, std::uint64_t budget) {
    return std::make_unique<StagingPool>(fs, threads, budget);
}

StagingPool::StagingPool(FileSystem& fs, unsigned threads, std::uint64_t budget)
    : fs_(fs), budget_(budget), worker_(threads > 1 && budget >= kWorthAThread && fs.usableFromAnyThread()) {}

StagingPool::~StagingPool() {
    worker_.stop();
    for (std::size_t i = 0; i < count_; ++i) discardStagedFile(fs_, ready_[(head_ + i) % kSlots]);
}

StagedFile StagingPool::take(const std::string& folder) {
    if (!asked_) {
        asked_ = true;
        folder_ = folder;
        worker_.startOnce(&workerMain, this);
    }
    if (!worker_.running() || folder != folder_) return createStagedFile(fs_, folder);
    StagedFile file;
    worker_.lock();
    if (count_ > 0) {
        file = std::move(ready_[head_]);
        head_ = (head_ + 1) % kSlots;
        --count_;
    } else if (budget_ > 0) {
        --budget_;  // made here, so the worker makes one fewer
    }
    const bool wake = workerWaits_ && count_ <= kSlots / 2;
    if (wake) workerWaits_ = false;
    worker_.unlock();
    if (wake) worker_->wake(WorkerThread::Side::kWorker);
    return file.file ? std::move(file) : createStagedFile(fs_, folder);
}

void StagingPool::workerMain(WorkerThread& thread, void* self) {
    auto& pool = *static_cast<StagingPool*>(self);
    thread.lock();
    while (!pool.worker_.stopping() && pool.budget_ > 0) {
        if (pool.count_ == kSlots) {
            pool.workerWaits_ = true;
            thread.unlock();
            thread.wait(WorkerThread::Side::kWorker);
            thread.lock();
            continue;
        }
        --pool.budget_;
        thread.unlock();
        StagedFile made = createStagedFile(pool.fs_, pool.folder_);
        if (made.file) made.file->prepareForWriter();
        thread.lock();
        // A file that cannot be made here is left to the caller, which
        // creates it itself and reports what went wrong in its turn.
        if (!made.file) break;
        pool.ready_[(pool.head_ + pool.count_) % kSlots] = std::move(made);
        ++pool.count_;
    }
    thread.unlock();
}

}  // namespace tavrix::zip
