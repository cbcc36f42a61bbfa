#include <sched.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "engines/core/WorkerThread.h"

namespace tavrix::zip {
namespace {

class PosixWorkerThread final : public WorkerThread {
public:
    PosixWorkerThread(Work work, void* context) : thread_([this, work, context] { work(*this, context); }) {}
    ~PosixWorkerThread() override { join(); }

    void lock() override { mutex_.lock(); }
    void unlock() override { mutex_.unlock(); }
    void wake(Side side) override {
        {
            std::lock_guard<std::mutex> guard(signalMutex_);
            woken_[index(side)] = true;
        }
        signal_.notify_all();
    }
    void wait(Side side) override {
        std::unique_lock<std::mutex> guard(signalMutex_);
        signal_.wait(guard, [&] { return woken_[index(side)]; });
        woken_[index(side)] = false;
    }
    void join() override {
        if (thread_.joinable()) thread_.join();
    }

private:
    static int index(Side side) { return side == Side::kCaller ? 0 : 1; }

    std::mutex mutex_;
    // The signals have a lock of their own: a side may wait while the other
    // holds the shared lock.
    std::mutex signalMutex_;
    std::condition_variable signal_;
    bool woken_[2] = {false, false};
    std::thread thread_;  // last: it starts once the members above exist
};

}  // namespace

unsigned processorCount() {
    cpu_set_t allowed;
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 1;
    const int count = CPU_COUNT(&allowed);
    return count > 0 ? static_cast<unsigned>(count) : 1;
}

std::unique_ptr<WorkerThread> WorkerThread::start(Work work, void* context) {
    return std::make_unique<PosixWorkerThread>(work, context);
}

}  // namespace tavrix::zip
