#include "engines/core/InflatePipeline.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace tavrix::zip {
namespace {

// Output inflated at a time: between two steps the worker sees whether the
// caller has stopped.
constexpr std::size_t kStep = 256 * 1024;
// A piece with less input than this is inflated by whichever side gets to
// it first, without waking the worker for it: waking a thread costs about
// what inflating a few kilobytes does, and most entries of an add-on are
// that small.
constexpr std::size_t kWorthWaking = 8 * 1024;

}  // namespace

// One entry's stream, run on from piece to piece, and how the entry ended.
struct InflatePipeline::Inflater {
    z_stream stream{};
    bool ready = false;
    std::uint64_t total = 0;
    bool ended = false;
    DecodeStatus status = DecodeStatus::kOk;

    ~Inflater() {
        if (ready) ::inflateEnd(&stream);
    }
    void begin(const PieceEntry& entry) {
        total = 0;
        ended = false;
        status = DecodeStatus::kOk;
        if (!entry.deflated) {
            if (entry.dataLength > entry.size) end(DecodeStatus::kTooLong);
            if (entry.dataLength < entry.size) end(DecodeStatus::kTooShort);
            return;
        }
        if (ready ? ::inflateReset(&stream) != Z_OK : !(ready = ::inflateInit2(&stream, -MAX_WBITS) == Z_OK))
            end(DecodeStatus::kDamaged);
    }
    void end(DecodeStatus why) {
        if (ended) return;
        ended = true;
        status = why;
    }
};

struct InflatePipeline::Slot {
    std::uint8_t* input = nullptr;
    std::uint8_t* output = nullptr;
    PieceEntry entry;
    std::size_t count = 0;
    std::size_t used = 0;  // input inflated so far
    bool first = false;
    bool last = false;
    bool worth = false;    // worth waking the worker for
    bool partial = false;  // the output filled before the input was used
    DecodeStatus read = DecodeStatus::kOk;
    State state = State::kFree;
    InflatedPiece piece;
    ~Slot() {
        std::free(input);
        std::free(output);
    }
};

InflatePipeline::InflatePipeline(unsigned threads)
    : useWorker_(threads > 1), slots_(new Slot[kSlots]), inflater_(new Inflater) {}

InflatePipeline::~InflatePipeline() {
    if (!worker_) return;
    lock();
    stopping_ = true;
    unlock();
    worker_->wake(WorkerThread::Side::kWorker);
    worker_->join();
}

void InflatePipeline::lock() {
    if (worker_) worker_->lock();
}

void InflatePipeline::unlock() {
    if (worker_) worker_->unlock();
}

bool InflatePipeline::prepare(std::size_t input, std::size_t output) {
    // Asked of the heap without ending the process when there is none: the
    // entries are then streamed on the calling thread instead.
    inputCapacity_ = std::clamp<std::size_t>(input, 1, kInputPiece);
    outputCapacity_ = std::clamp<std::size_t>(output, 1, kOutputPiece);
    for (std::size_t i = 0; i < kSlots; ++i) {
        Slot& slot = slots_[i];
        slot.input = static_cast<std::uint8_t*>(std::malloc(inputCapacity_));
        slot.output = static_cast<std::uint8_t*>(std::malloc(outputCapacity_));
        if (!slot.input || !slot.output) return false;
    }
    return true;
}

std::uint8_t* InflatePipeline::reserve() {
    return full() ? nullptr : slots_[(head_ + queued_) % kSlots].input;
}

void InflatePipeline::submit(const PieceEntry& entry, std::size_t count, bool first, bool last,
                             DecodeStatus read) {
    Slot& slot = slots_[(head_ + queued_) % kSlots];
    slot.entry = entry;
    slot.count = count;
    slot.used = 0;
    slot.first = first;
    slot.last = last;
    slot.read = read;
    slot.worth = count >= kWorthWaking;
    slot.partial = false;
    if (slot.worth && useWorker_ && !worker_) {
        worker_ = WorkerThread::start(&workerMain, this);
        useWorker_ = worker_ != nullptr;
    }
    lock();
    slot.state = State::kQueued;
    ++queued_;
    const bool wake = wakeWorker();
    unlock();
    if (wake) worker_->wake(WorkerThread::Side::kWorker);
}

bool InflatePipeline::wakeWorker() {
    const Slot& next = slots_[cursor_];
    if (!worker_ || !workerWaits_ || next.state != State::kQueued || !next.worth) return false;
    workerWaits_ = false;
    return true;
}

const InflatedPiece& InflatePipeline::oldest() {
    Slot& head = slots_[head_];
    for (;;) {
        lock();
        if (head.state == State::kDone) {
            unlock();
            return head.piece;
        }
        // Unless the worker is at it, or is woken for it, inflate it here:
        // the oldest not done is the next in order.
        if (head.state == State::kQueued && (!worker_ || !head.worth || workerWaits_)) {
            head.state = State::kRunning;
            unlock();
            inflate(head);
            lock();
            finishSlot(head);
            const bool wake = wakeWorker();
            unlock();
            if (wake) worker_->wake(WorkerThread::Side::kWorker);
            continue;
        }
        callerWaits_ = true;
        unlock();
        worker_->wait(WorkerThread::Side::kCaller);
    }
}

bool InflatePipeline::release() {
    Slot& head = slots_[head_];
    if (!head.partial) return drop();
    head.partial = false;
    head.worth = true;  // a piece that fills its output is worth it
    if (useWorker_ && !worker_) {
        worker_ = WorkerThread::start(&workerMain, this);
        useWorker_ = worker_ != nullptr;
    }
    lock();
    head.state = State::kQueued;
    const bool wake = wakeWorker();
    unlock();
    if (wake) worker_->wake(WorkerThread::Side::kWorker);
    return false;
}

bool InflatePipeline::drop() {
    Slot& head = slots_[head_];
    const bool last = head.last;
    lock();
    head.state = State::kFree;
    head.partial = false;
    if (cursor_ == head_) cursor_ = (cursor_ + 1) % kSlots;  // the rest of a piece cut short
    head_ = (head_ + 1) % kSlots;
    --queued_;
    unlock();
    return last;
}

void InflatePipeline::finishSlot(Slot& slot) {
    slot.state = State::kDone;
    if (!slot.partial) cursor_ = (cursor_ + 1) % kSlots;
}

void InflatePipeline::workerMain(WorkerThread& thread, void* self) {
    auto& pipeline = *static_cast<InflatePipeline*>(self);
    for (;;) {
        thread.lock();
        if (pipeline.stopping_) {
            thread.unlock();
            return;
        }
        Slot& slot = pipeline.slots_[pipeline.cursor_];
        if (slot.state != State::kQueued) {
            pipeline.workerWaits_ = true;
            thread.unlock();
            thread.wait(WorkerThread::Side::kWorker);
            continue;
        }
        slot.state = State::kRunning;
        thread.unlock();
        pipeline.inflate(slot);
        thread.lock();
        pipeline.finishSlot(slot);
        const bool wake = pipeline.callerWaits_;
        pipeline.callerWaits_ = false;
        thread.unlock();
        if (wake) thread.wake(WorkerThread::Side::kCaller);
    }
}

// The same checks as EntryDecoder's, on the bytes a piece holds: never more
// output than the declared size, never less. The CRC is left to the side
// that writes the output: it is cheap while the bytes are fresh in the
// cache, and inflating is the longer half of the work.
void InflatePipeline::inflate(Slot& slot) {
    Inflater& f = *inflater_;
    InflatedPiece& piece = slot.piece;
    piece = InflatedPiece{};
    if (slot.first && slot.used == 0) f.begin(slot.entry);
    if (slot.read != DecodeStatus::kOk) f.end(slot.read);
    if (!slot.entry.deflated && !f.ended) {
        piece.data = slot.input;
        piece.size = slot.count;
        if (slot.last) f.end(DecodeStatus::kOk);
    } else if (!f.ended) {
        z_stream& z = f.stream;
        z.next_in = slot.input + slot.used;
        z.avail_in = static_cast<uInt>(slot.count - slot.used);
        std::size_t filled = 0;
        bool hungry = false;  // all given input is used
        while (!f.ended && !hungry && filled < outputCapacity_ && !stopping_) {
            // At most one byte beyond the declared size, enough to tell that
            // it was exceeded.
            const std::uint64_t allowed = slot.entry.size - f.total + 1;
            const std::size_t step =
                static_cast<std::size_t>(std::min<std::uint64_t>({kStep, outputCapacity_ - filled, allowed}));
            z.next_out = slot.output + filled;
            z.avail_out = static_cast<uInt>(step);
            const uInt inputBefore = z.avail_in;
            const int rc = ::inflate(&z, Z_NO_FLUSH);
            const std::size_t produced = step - z.avail_out;
            bool streamEnd = false;
            if (rc == Z_STREAM_END) {
                streamEnd = true;
            } else if (rc == Z_BUF_ERROR || (rc == Z_OK && produced == 0 && z.avail_in == inputBefore)) {
                if (z.avail_in == 0) {
                    if (slot.last) {
                        f.end(DecodeStatus::kTooShort);  // data ran out mid-stream
                        break;
                    }
                    hungry = true;
                } else if (produced == 0 && z.avail_in == inputBefore) {
                    f.end(DecodeStatus::kDamaged);
                    break;
                }
            } else if (rc != Z_OK) {
                f.end(DecodeStatus::kDamaged);
                break;
            }
            f.total += produced;
            if (f.total > slot.entry.size) {
                f.end(DecodeStatus::kTooLong);
                break;
            }
            filled += produced;
            if (streamEnd) f.end(f.total < slot.entry.size ? DecodeStatus::kTooShort : DecodeStatus::kOk);
        }
        slot.used = slot.count - z.avail_in;
        slot.partial = !f.ended && !hungry && filled == outputCapacity_;
        piece.data = slot.output;
        piece.size = filled;
    }
    piece.ended = f.ended;
    piece.status = f.status;
}

}  // namespace tavrix::zip
