#include "engines/core/DeflatePipeline.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace tavrix::zip {
namespace {

// Input given to the compressor at a time: between two steps the worker
// sees whether the caller has stopped.
constexpr std::size_t kStep = 256 * 1024;
// A job with less input than this is compressed by whichever side gets to
// it first, without waking the worker for it: waking a thread costs about
// what deflating a few kilobytes does (a call into the system each way,
// under Wine a round trip to its server), and most files of an add-on are
// small. Where every file is a few bytes, the worker never starts.
constexpr std::size_t kWorthWaking = 4 * 1024;

}  // namespace

// Memory of its own, asked of the heap without ending the process when
// there is none: the caller then streams the file instead.
struct DeflatePipeline::Block {
    std::uint8_t* data = nullptr;
    std::size_t capacity = 0;
    ~Block() { std::free(data); }
    bool fit(std::size_t size) {
        if (size <= capacity) return true;
        std::free(data);
        data = static_cast<std::uint8_t*>(std::malloc(size));
        capacity = data ? size : 0;
        return data != nullptr;
    }
};

struct DeflatePipeline::Deflater {
    z_stream stream{};
    bool ready = false;
    ~Deflater() {
        if (ready) ::deflateEnd(&stream);
    }
    bool start(int level) {
        if (ready) return ::deflateReset(&stream) == Z_OK;
        stream = z_stream{};
        ready = ::deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        return ready;
    }
};

struct DeflatePipeline::Slot {
    Block source;
    Block output;
    Piece piece = Piece::kWhole;
    std::size_t dictionary = 0;
    State state = State::kFree;
    DeflateJob job;
};

DeflatePipeline::DeflatePipeline(int level, unsigned threads)
    : level_(level), slots_(new Slot[kSlots]), deflaters_(new Deflater[2]), worker_(threads > 1) {}

DeflatePipeline::~DeflatePipeline() = default;

std::uint8_t* DeflatePipeline::reserve(Piece piece, std::size_t dictionary, std::size_t size) {
    if (full()) return nullptr;
    Slot& slot = slots_[(head_ + queued_) % kSlots];
    // A whole file gets one byte more than itself: output that reaches it
    // is no smaller than the file, which is then stored. A block's output
    // always fits deflate's bound for it, with room for the byte boundary.
    slot.piece = piece;
    slot.dictionary = dictionary;
    slot.job = DeflateJob{};
    slot.job.inputSize = size;
    slot.job.last = piece != Piece::kBlock;
    const std::size_t output = piece == Piece::kWhole ? size + 1 : size + size / 8 + 64;
    if (!slot.source.fit(std::max<std::size_t>(dictionary + size, 1)) || !slot.output.fit(output))
        return nullptr;
    return slot.source.data;
}

void DeflatePipeline::submit(WriteStatus read, std::uint32_t crc) {
    Slot& slot = slots_[(head_ + queued_) % kSlots];
    slot.job.status = read;
    slot.job.crc = crc;
    // The worker starts with the first piece worth its help, and is woken
    // only for such a piece, and only when it waits.
    const bool worth = read == WriteStatus::kOk && slot.job.inputSize >= kWorthWaking;
    if (worth) worker_.startOnce(&workerMain, this);
    worker_.lock();
    slot.state = read == WriteStatus::kOk ? State::kQueued : State::kDone;
    ++queued_;
    const bool wake = worth && workerWaits_;
    if (wake) workerWaits_ = false;
    worker_.unlock();
    if (wake) worker_->wake(WorkerThread::Side::kWorker);
}

const DeflateJob& DeflatePipeline::oldest() {
    Slot& head = slots_[head_];
    for (;;) {
        worker_.lock();
        if (head.state == State::kDone) {
            worker_.unlock();
            return head.job;
        }
        Slot* slot = takeQueued();
        callerWaits_ = slot == nullptr;  // the worker has the oldest, and wakes this side when done
        worker_.unlock();
        if (slot) {
            compress(*slot, deflaters_[0], nullptr);
            worker_.lock();
            slot->state = State::kDone;
            worker_.unlock();
        } else {
            worker_->wait(WorkerThread::Side::kCaller);
        }
    }
}

void DeflatePipeline::pop() {
    worker_.lock();
    slots_[head_].state = State::kFree;
    head_ = (head_ + 1) % kSlots;
    --queued_;
    worker_.unlock();
}

DeflatePipeline::Slot* DeflatePipeline::takeQueued() {
    for (std::size_t i = 0; i < queued_; ++i) {
        Slot& slot = slots_[(head_ + i) % kSlots];
        if (slot.state == State::kQueued) {
            slot.state = State::kRunning;
            return &slot;
        }
    }
    return nullptr;
}

void DeflatePipeline::workerMain(WorkerThread& thread, void* self) {
    auto& pipeline = *static_cast<DeflatePipeline*>(self);
    for (;;) {
        thread.lock();
        if (pipeline.worker_.stopping()) {
            thread.unlock();
            return;
        }
        Slot* slot = pipeline.takeQueued();
        if (!slot) {
            pipeline.workerWaits_ = true;
            thread.unlock();
            thread.wait(WorkerThread::Side::kWorker);
            continue;
        }
        thread.unlock();
        pipeline.compress(*slot, pipeline.deflaters_[1], &pipeline.worker_.stopping());
        thread.lock();
        slot->state = State::kDone;
        const bool wake = pipeline.callerWaits_;
        pipeline.callerWaits_ = false;
        thread.unlock();
        if (wake) thread.wake(WorkerThread::Side::kCaller);
    }
}

void DeflatePipeline::compress(Slot& slot, Deflater& deflater, const std::atomic<bool>* stop) {
    DeflateJob& job = slot.job;
    std::uint8_t* input = slot.source.data + slot.dictionary;
    job.data = input;
    job.dataSize = job.inputSize;
    z_stream& z = deflater.stream;
    if (!deflater.start(level_) ||
        (slot.dictionary > 0 &&
         ::deflateSetDictionary(&z, slot.source.data, static_cast<uInt>(slot.dictionary)) != Z_OK)) {
        job.status = WriteStatus::kWriteFailed;
        return;
    }
    const bool whole = slot.piece == Piece::kWhole;
    z.next_in = input;
    z.next_out = slot.output.data;
    z.avail_out = static_cast<uInt>(slot.output.capacity);
    for (std::size_t left = job.inputSize;;) {
        const std::size_t step = std::min(left, kStep);
        z.avail_in = static_cast<uInt>(step);
        left -= step;
        const int flush = left > 0 ? Z_NO_FLUSH : job.last ? Z_FINISH : Z_SYNC_FLUSH;
        const int rc = ::deflate(&z, flush);
        if (rc == Z_STREAM_END || (flush == Z_SYNC_FLUSH && rc == Z_OK && z.avail_out > 0)) break;
        if (z.avail_out == 0 && whole) return;  // no smaller than the file: stored
        if (rc != Z_OK || z.avail_out == 0) {
            job.status = WriteStatus::kWriteFailed;
            return;
        }
        if (stop && *stop) return;  // nobody will take this job
    }
    if (whole && z.total_out > job.inputSize) return;
    job.data = slot.output.data;
    job.dataSize = z.total_out;
    job.deflated = true;
}

}  // namespace tavrix::zip
