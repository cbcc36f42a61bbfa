// A second thread for work on memory only, and what it shares with the
// thread that started it: one lock and a wake-up signal for each side.
// Windows (the engine libraries) has them from CreateThread, events and a
// critical section, as far back as Windows 2000; the native build from the
// C++ library.
#pragma once

#include <atomic>
#include <memory>

namespace tavrix::zip {

// The processors this process may run on (at least 1).
unsigned processorCount();

class WorkerThread {
public:
    enum class Side { kCaller, kWorker };
    using Work = void (*)(WorkerThread& thread, void* context);

    // Runs work(thread, context) on a new thread; null when the system
    // gives no thread (the caller then does the work itself).
    static std::unique_ptr<WorkerThread> start(Work work, void* context);
    virtual ~WorkerThread() = default;  // after join()
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    virtual void lock() = 0;
    virtual void unlock() = 0;
    // A wake-up given before the other side waits is kept for it: a side
    // that found nothing to do under the lock can wait after unlocking
    // without missing one.
    virtual void wake(Side side) = 0;
    virtual void wait(Side side) = 0;  // without the lock
    // Returns once `work` has returned.
    virtual void join() = 0;

protected:
    WorkerThread() = default;
};

// The worker of a pipeline, started when the pipeline first has work worth
// one, if it wants one at all. Until then lock and unlock do nothing. When
// the pipeline ends, the worker is told to stop (the flag its work
// watches), woken and joined: declared last, it goes before anything the
// worker touches.
class LazyWorker {
public:
    explicit LazyWorker(bool wanted) : wanted_(wanted) {}
    ~LazyWorker() { stop(); }
    LazyWorker(const LazyWorker&) = delete;
    LazyWorker& operator=(const LazyWorker&) = delete;

    // A system that gives no thread leaves the work to the caller for good.
    void startOnce(WorkerThread::Work work, void* context) {
        if (!wanted_ || thread_) return;
        thread_ = WorkerThread::start(work, context);
        wanted_ = thread_ != nullptr;
    }
    bool running() const { return thread_ != nullptr; }
    WorkerThread* operator->() const { return thread_.get(); }
    void lock() {
        if (thread_) thread_->lock();
    }
    void unlock() {
        if (thread_) thread_->unlock();
    }
    const std::atomic<bool>& stopping() const { return stopping_; }
    // Tells the worker to stop, wakes it and waits for it, for an owner
    // that must clear up what it made first; no worker starts afterwards.
    void stop() {
        wanted_ = false;
        if (!thread_) return;
        thread_->lock();
        stopping_ = true;
        thread_->unlock();
        thread_->wake(WorkerThread::Side::kWorker);
        thread_->join();
        thread_.reset();
    }

private:
    bool wanted_;
    std::atomic<bool> stopping_{false};
    std::unique_ptr<WorkerThread> thread_;
};

}  // namespace tavrix::zip
