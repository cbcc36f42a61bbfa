// Inflates entries on a second processor while the extraction writes the
// files in order. The extraction reads an entry's compressed bytes into
// pieces (a small entry in one, a big one in several, in turn); the worker,
// or the extraction itself when it has no worker, inflates and checks them
// piece by piece with one stream that runs on from piece to piece; the
// extraction takes the output back in the order it gave the pieces. The
// worker touches nothing but the pieces' memory: the archive, the files and
// every report stay with the calling thread, and the output does not depend
// on which thread inflated it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engines/core/EntryDecoder.h"
#include "engines/core/WorkerThread.h"

namespace tavrix::zip {

// What one piece gave: its output, and once the entry has ended (its data
// ran out, failed or was complete) how it ended.
struct InflatedPiece {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    // The CRC of the output, when the worker had the time to take it.
    bool hasCrc = false;
    std::uint32_t crc = 0;
    bool ended = false;
    // kOk: complete, of the declared size; its CRC is for the taker to check.
    DecodeStatus status = DecodeStatus::kOk;
};

// What the pieces of one entry are checked against.
struct PieceEntry {
    bool deflated = false;
    std::uint64_t size = 0;        // declared
    std::uint64_t dataLength = 0;  // the compressed bytes that are given
};

class InflatePipeline {
public:
    // Compressed bytes in a piece: the worker is rarely more than a few
    // milliseconds of inflating ahead of what it was given.
    static constexpr std::size_t kInputPiece = 512 << 10;
    // Output of one piece at most: when a piece inflates to more, it ends
    // there and is given again for the rest. Three pieces are in flight, so
    // at most 7.5 MB are held, little for a 32-bit process.
    static constexpr std::size_t kOutputPiece = 2 << 20;

    // `threads` 1 inflates everything on the calling thread, with the same
    // result.
    explicit InflatePipeline(unsigned threads);
    ~InflatePipeline();  // stops the worker and waits for it
    InflatePipeline(const InflatePipeline&) = delete;
    InflatePipeline& operator=(const InflatePipeline&) = delete;

    // Memory for every piece, no more than the biggest input and output
    // asked for; false when there is none (nothing may be given then).
    bool prepare(std::size_t input, std::size_t output);
    std::size_t inputCapacity() const { return inputCapacity_; }

    bool full() const { return queued_ == kSlots; }
    // Memory for the next piece's compressed bytes (inputCapacity() of
    // them), to be filled and then given with submit().
    std::uint8_t* reserve();
    // `count` bytes were read (read kOk), or the read failed: then the
    // entry ends there with that failure in its turn. `first` starts an
    // entry, `last` gives its last bytes.
    void submit(const PieceEntry& entry, std::size_t count, bool first, bool last, DecodeStatus read);
    // The oldest piece given, once inflated.
    const InflatedPiece& oldest();
    // Done with the oldest piece: a piece whose output was cut short is
    // given again for the rest of it, any other is dropped. True when the
    // dropped piece carried its entry's last bytes.
    bool release();
    // Drops the oldest piece whatever is left of it; the same answer.
    bool drop();

private:
    static constexpr std::size_t kSlots = 3;
    enum class State { kFree, kQueued, kRunning, kDone };
    struct Slot;

    static void workerMain(WorkerThread& thread, void* self);
    void inflate(Slot& slot);
    void finishSlot(Slot& slot);  // under the lock
    // Whether the worker waits while the next piece in order is worth
    // waking it for; it is then no longer counted as waiting. Under the lock.
    bool wakeWorker();

    std::unique_ptr<Slot[]> slots_;
    StreamInflater inflater_;
    std::size_t inputCapacity_ = 0;
    std::size_t outputCapacity_ = 0;
    std::size_t head_ = 0;
    std::size_t queued_ = 0;
    std::size_t cursor_ = 0;  // the next slot to inflate, in order
    bool callerWaits_ = false;
    bool workerWaits_ = false;
    LazyWorker worker_;  // last: it is joined before the slots go
};

}  // namespace tavrix::zip
