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

InflatePipeline::InflatePipeline(unsigned threads) : slots_(new Slot[kSlots]), worker_(threads > 1) {}

InflatePipeline::~InflatePipeline() = default;

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
    if (slot.worth) worker_.startOnce(&workerMain, this);
    worker_.lock();
    slot.state = State::kQueued;
    ++queued_;
    const bool wake = wakeWorker();
    worker_.unlock();
    if (wake) worker_->wake(WorkerThread::Side::kWorker);
}

bool InflatePipeline::wakeWorker() {
    const Slot& next = slots_[cursor_];
    if (!worker_.running() || !workerWaits_ || next.state != State::kQueued || !next.worth) return false;
    workerWaits_ = false;
    return true;
}

const InflatedPiece& InflatePipeline::oldest() {
    Slot& head = slots_[head_];
    for (;;) {
        worker_.lock();
        if (head.state == State::kDone) {
            worker_.unlock();
            return head.piece;
        }
        // Unless the worker is at it, or is woken for it, inflate it here:
        // the oldest not done is the next in order.
        if (head.state == State::kQueued && (!worker_.running() || !head.worth || workerWaits_)) {
            head.state = State::kRunning;
            worker_.unlock();
            inflate(head);
            worker_.lock();
            finishSlot(head);
            const bool wake = wakeWorker();
            worker_.unlock();
            if (wake) worker_->wake(WorkerThread::Side::kWorker);
            continue;
        }
        callerWaits_ = true;
        worker_.unlock();
        worker_->wait(WorkerThread::Side::kCaller);
    }
}

bool InflatePipeline::release() {
    Slot& head = slots_[head_];
    if (!head.partial) return drop();
    head.partial = false;
    head.worth = true;  // a piece that fills its output is worth it
    worker_.startOnce(&workerMain, this);
    worker_.lock();
    head.state = State::kQueued;
    const bool wake = wakeWorker();
    worker_.unlock();
    if (wake) worker_->wake(WorkerThread::Side::kWorker);
    return false;
}

bool InflatePipeline::drop() {
    Slot& head = slots_[head_];
    const bool last = head.last;
    worker_.lock();
    head.state = State::kFree;
    head.partial = false;
    if (cursor_ == head_) cursor_ = (cursor_ + 1) % kSlots;  // the rest of a piece cut short
    head_ = (head_ + 1) % kSlots;
    --queued_;
    worker_.unlock();
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
        if (pipeline.worker_.stopping()) {
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
        // The CRC goes to the side that has time: the worker takes it when
        // it would wait otherwise, with nothing more to inflate and the
        // caller busy with older pieces (its files). Else inflating, the
        // longer half of the work, goes on.
        thread.lock();
        const std::size_t next = (pipeline.cursor_ + (slot.partial ? 0 : 1)) % kSlots;
        const bool idle = pipeline.slots_[next].state != State::kQueued;
        const bool awaited = pipeline.callerWaits_ || &slot == &pipeline.slots_[pipeline.head_];
        thread.unlock();
        if (idle && !awaited) {
            slot.piece.crc = static_cast<std::uint32_t>(
                ::crc32(::crc32(0, nullptr, 0), slot.piece.data, static_cast<uInt>(slot.piece.size)));
            slot.piece.hasCrc = true;
        }
        thread.lock();
        pipeline.finishSlot(slot);
        const bool wake = pipeline.callerWaits_;
        pipeline.callerWaits_ = false;
        thread.unlock();
        if (wake) thread.wake(WorkerThread::Side::kCaller);
    }
}

// One stream runs on from piece to piece of an entry.
void InflatePipeline::inflate(Slot& slot) {
    StreamInflater& stream = inflater_;
    InflatedPiece& piece = slot.piece;
    piece = InflatedPiece{};
    if (slot.first && slot.used == 0) {
        stream.begin(slot.entry.size);
        if (!slot.entry.deflated && slot.entry.dataLength != slot.entry.size)
            stream.end(slot.entry.dataLength > slot.entry.size ? DecodeStatus::kTooLong
                                                               : DecodeStatus::kTooShort);
    }
    if (slot.read != DecodeStatus::kOk) stream.end(slot.read);
    if (!slot.entry.deflated && !stream.ended()) {
        piece.data = slot.input;
        piece.size = slot.count;
        if (slot.last) stream.end(DecodeStatus::kOk);
    } else if (!stream.ended()) {
        std::span<const std::uint8_t> input(slot.input + slot.used, slot.count - slot.used);
        std::size_t filled = 0;
        bool hungry = false;  // all given input is used
        while (!stream.ended() && !hungry && filled < outputCapacity_ && !worker_.stopping()) {
            const std::size_t room = std::min(kStep, outputCapacity_ - filled);
            const std::size_t produced = stream.run(input, slot.last, slot.output + filled, room);
            filled += produced;
            hungry = produced < room && !stream.ended();
        }
        slot.used = slot.count - input.size();
        slot.partial = !stream.ended() && !hungry && filled == outputCapacity_;
        piece.data = slot.output;
        piece.size = filled;
    }
    piece.ended = stream.ended();
    piece.status = stream.status();
}

}  // namespace tavrix::zip
