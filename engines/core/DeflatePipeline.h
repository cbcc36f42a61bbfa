// Deflates files held in memory on two processors while the packer writes
// the archive in order. The packer reads a file into a job; the worker, or
// the packer itself while it waits, compresses it; the packer takes the
// jobs back in the order it gave them. The worker touches nothing but the
// jobs' memory: the files, the archive and every report stay with the
// calling thread, and the outcome does not depend on which thread did a job.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engines/core/WorkerThread.h"
#include "engines/core/ZipWriter.h"

namespace tavrix::zip {

struct DeflateJob {
    // What goes into the archive: the deflated file, or the file itself
    // when deflating does not make it smaller.
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;
    bool deflated = false;
    std::uint32_t crc = 0;
    // kOk, how reading the file failed, or kWriteFailed when the compressor
    // found no memory (as a streamed file would end).
    WriteStatus status = WriteStatus::kOk;
};

class DeflatePipeline {
public:
    // Files up to this size are compressed in memory, the rest streamed by
    // the caller. A job holds the file and at most as much output, and
    // three are in flight: 48 MB at the very worst, nothing for a 32-bit
    // process, while most files of an add-on are far smaller and a file
    // this size already keeps a processor busy for a tenth of a second.
    static constexpr std::size_t kMaxFileSize = 8 << 20;

    // `threads` 1 compresses everything on the calling thread, with the
    // same result.
    DeflatePipeline(int level, unsigned threads);
    ~DeflatePipeline();  // stops the worker and waits for it
    DeflatePipeline(const DeflatePipeline&) = delete;
    DeflatePipeline& operator=(const DeflatePipeline&) = delete;

    bool full() const { return queued_ == kSlots; }
    // Memory for the next file, of `size` bytes (at most kMaxFileSize), to
    // be filled and then given with submit(); null when there is no memory
    // for it.
    std::uint8_t* reserve(std::size_t size);
    // The reserved file is read (kOk) or could not be: then the job only
    // carries that failure back in its turn.
    void submit(WriteStatus read);
    // The oldest job given, once compressed; compresses jobs on this
    // thread while the worker is busy with it.
    const DeflateJob& oldest();
    void pop();

private:
    static constexpr std::size_t kSlots = 3;
    enum class State { kFree, kQueued, kRunning, kDone };
    struct Block;
    struct Deflater;
    struct Slot;

    static void workerMain(WorkerThread& thread, void* self);
    Slot* takeQueued();  // under the lock
    void compress(Slot& slot, Deflater& deflater, const std::atomic<bool>* stop);
    void lock();
    void unlock();

    int level_;
    bool useWorker_;
    std::unique_ptr<Slot[]> slots_;
    std::unique_ptr<Deflater[]> deflaters_;  // the caller's, then the worker's
    std::size_t head_ = 0;
    std::size_t queued_ = 0;
    std::atomic<bool> stopping_{false};
    std::unique_ptr<WorkerThread> worker_;
};

}  // namespace tavrix::zip
