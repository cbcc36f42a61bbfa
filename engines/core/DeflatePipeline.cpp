#include "engines/core/DeflatePipeline.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace tavrix::zip {
namespace {

// Input given to the compressor at a time: between two steps the worker
// sees whether the caller has stopped.
constexpr std::size_t kStep = 256 * 1024;

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
    std::size_t size = 0;
    State state = State::kFree;
    DeflateJob job;
};

DeflatePipeline::DeflatePipeline(int level, unsigned threads)
    : level_(level), useWorker_(threads > 1), slots_(new Slot[kSlots]), deflaters_(new Deflater[2]) {}

DeflatePipeline::~DeflatePipeline() {
    if (!worker_) return;
    lock();
    stopping_ = true;
    unlock();
    worker_->wake(WorkerThread::Side::kWorker);
    worker_->join();
}

void DeflatePipeline::lock() {
    if (worker_) worker_->lock();
}

void DeflatePipeline::unlock() {
    if (worker_) worker_->unlock();
}

std::uint8_t* DeflatePipeline::reserve(std::size_t size) {
    if (full()) return nullptr;
    Slot& slot = slots_[(head_ + queued_) % kSlots];
    // One byte more than the file: output that reaches it is no smaller
    // than the file, and the file is stored instead.
    if (!slot.source.fit(std::max<std::size_t>(size, 1)) || !slot.output.fit(size + 1)) return nullptr;
    slot.size = size;
    return slot.source.data;
}

void DeflatePipeline::submit(WriteStatus read) {
    Slot& slot = slots_[(head_ + queued_) % kSlots];
    slot.job = DeflateJob{};
    slot.job.status = read;
    // The worker starts with the first file it can help with.
    if (useWorker_ && !worker_ && read == WriteStatus::kOk) {
        worker_ = WorkerThread::start(&workerMain, this);
        useWorker_ = worker_ != nullptr;
    }
    lock();
    slot.state = read == WriteStatus::kOk ? State::kQueued : State::kDone;
    ++queued_;
    unlock();
    if (worker_ && read == WriteStatus::kOk) worker_->wake(WorkerThread::Side::kWorker);
}

const DeflateJob& DeflatePipeline::oldest() {
    Slot& head = slots_[head_];
    for (;;) {
        lock();
        if (head.state == State::kDone) {
            unlock();
            return head.job;
        }
        Slot* slot = takeQueued();
        unlock();
        if (slot) {
            compress(*slot, deflaters_[0], nullptr);
            lock();
            slot->state = State::kDone;
            unlock();
        } else {
            worker_->wait(WorkerThread::Side::kCaller);  // the worker has the oldest
        }
    }
}

void DeflatePipeline::pop() {
    lock();
    slots_[head_].state = State::kFree;
    head_ = (head_ + 1) % kSlots;
    --queued_;
    unlock();
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
        if (pipeline.stopping_) {
            thread.unlock();
            return;
        }
        Slot* slot = pipeline.takeQueued();
        thread.unlock();
        if (!slot) {
            thread.wait(WorkerThread::Side::kWorker);
            continue;
        }
        pipeline.compress(*slot, pipeline.deflaters_[1], &pipeline.stopping_);
        thread.lock();
        slot->state = State::kDone;
        thread.unlock();
        thread.wake(WorkerThread::Side::kCaller);
    }
}

void DeflatePipeline::compress(Slot& slot, Deflater& deflater, const std::atomic<bool>* stop) {
    DeflateJob& job = slot.job;
    std::uint8_t* source = slot.source.data;
    job.crc = static_cast<std::uint32_t>(::crc32(0, source, static_cast<uInt>(slot.size)));
    job.data = source;
    job.dataSize = slot.size;
    if (!deflater.start(level_)) {
        job.status = WriteStatus::kWriteFailed;
        return;
    }
    z_stream& z = deflater.stream;
    z.next_in = source;
    z.next_out = slot.output.data;
    z.avail_out = static_cast<uInt>(slot.size + 1);
    for (std::size_t left = slot.size;;) {
        const std::size_t step = std::min(left, kStep);
        z.avail_in = static_cast<uInt>(step);
        left -= step;
        const int rc = ::deflate(&z, left == 0 ? Z_FINISH : Z_NO_FLUSH);
        if (rc == Z_STREAM_END) break;
        if (z.avail_out == 0) return;  // no smaller than the file: stored
        if (rc != Z_OK) {
            job.status = WriteStatus::kWriteFailed;
            return;
        }
        if (stop && *stop) return;  // nobody will take this job
    }
    if (z.total_out > slot.size) return;
    job.data = slot.output.data;
    job.dataSize = z.total_out;
    job.deflated = true;
}

}  // namespace tavrix::zip
