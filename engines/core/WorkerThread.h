// A second thread for work on memory only, and what it shares with the
// thread that started it: one lock and a wake-up signal for each side.
// Windows (the engine libraries) has them from CreateThread, events and a
// critical section, as far back as Windows 2000; the native build from the
// C++ library.
#pragma once

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

}  // namespace tavrix::zip
