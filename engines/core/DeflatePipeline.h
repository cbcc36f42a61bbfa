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
    // What goes into the archive: the deflated input, or for a whole file
    // the file itself when deflating does not make it smaller.
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;
    bool deflated = false;
    bool last = false;  // the file's last piece
    std::size_t inputSize = 0;
    std::uint32_t crc = 0;  // of the file up to the end of this piece
    // kOk, how reading the file failed, or kWriteFailed when the compressor
    // found no memory (as a streamed file would end).
    WriteStatus status = WriteStatus::kOk;
};

class DeflatePipeline {
public:
    // Files up to this size are compressed whole, in one job: such a file
    // is stored instead when deflating does not make it smaller, as a
    // streamed file is when it is still in the writer's buffer. Bigger files
    // go in blocks, each deflated on its own after the 32 KB before it (its
    // dictionary) and ending on a byte boundary, so that the blocks' outputs
    // joined are one deflate stream. A job holds its input and at most as
    // much output, and three are in flight: 48 MB at the very worst, little
    // for a 32-bit process, while most files of an add-on are far smaller.
    // The caller hears nothing while it waits for a job: a whole file of
    // this size is a few tenths of a second of deflating at most.
    static constexpr std::size_t kMaxWholeSize = 8 << 20;
    // A block is the step of the progress reports.
    static constexpr std::size_t kBlockSize = 1 << 20;
    static constexpr std::size_t kDictionarySize = 32 * 1024;
    enum class Piece { kWhole, kBlock, kLastBlock };

    // `threads` 1 compresses everything on the calling thread, with the
    // same result.
    DeflatePipeline(int level, unsigned threads);
    ~DeflatePipeline();  // stops the worker and waits for it
    DeflatePipeline(const DeflatePipeline&) = delete;
    DeflatePipeline& operator=(const DeflatePipeline&) = delete;

    bool full() const { return queued_ == kSlots; }
    // Memory for the next piece: `dictionary` bytes that precede it in the
    // file, then its `size` bytes, to be filled and then given with submit();
    // null when there is no memory for it (the piece can still be given,
    // as a failure).
    std::uint8_t* reserve(Piece piece, std::size_t dictionary, std::size_t size);
    // The reserved piece is read (kOk) or could not be: then the job only
    // carries that failure back in its turn. `crc` covers the file up to
    // the end of the piece.
    void submit(WriteStatus read, std::uint32_t crc);
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

    int level_;
    std::unique_ptr<Slot[]> slots_;
    std::unique_ptr<Deflater[]> deflaters_;  // the caller's, then the worker's
    std::size_t head_ = 0;
    std::size_t queued_ = 0;
    // Under the lock: each side wakes the other only when it waits.
    bool callerWaits_ = false;
    bool workerWaits_ = false;
    LazyWorker worker_;  // last: it is joined before the slots go
};

}  // namespace tavrix::zip
