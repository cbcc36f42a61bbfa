#include <windows.h>

#include "common/win32/UniqueHandle.h"
#include "engines/core/WorkerThread.h"

namespace tavrix::zip {
namespace {

using Event = win32::UniqueHandle<win32::traits::KernelObject>;

class Win32WorkerThread final : public WorkerThread {
public:
    Win32WorkerThread(Work work, void* context) : work_(work), context_(context) {
        ::InitializeCriticalSection(&section_);
        // Auto-reset events: one wait takes one wake-up, and a wake-up
        // nobody waits for yet stays set.
        for (Event& event : events_) event.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    }
    ~Win32WorkerThread() override {
        join();
        ::DeleteCriticalSection(&section_);
    }

    bool begin() {
        if (!events_[0] || !events_[1]) return false;
        thread_.reset(::CreateThread(nullptr, 0, &entry, this, 0, nullptr));
        return static_cast<bool>(thread_);
    }

    void lock() override { ::EnterCriticalSection(&section_); }
    void unlock() override { ::LeaveCriticalSection(&section_); }
    void wake(Side side) override { ::SetEvent(events_[index(side)].get()); }
    void wait(Side side) override { ::WaitForSingleObject(events_[index(side)].get(), INFINITE); }
    void join() override {
        if (!thread_) return;
        ::WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }

private:
    static DWORD WINAPI entry(void* self) {
        auto* thread = static_cast<Win32WorkerThread*>(self);
        thread->work_(*thread, thread->context_);
        return 0;
    }
    static int index(Side side) { return side == Side::kCaller ? 0 : 1; }

    Work work_;
    void* context_;
    CRITICAL_SECTION section_;
    Event events_[2];
    win32::UniqueHandle<win32::traits::KernelObject> thread_;
};

}  // namespace

unsigned processorCount() {
    DWORD_PTR process = 0, system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return 1;
    unsigned count = 0;
    for (; process != 0; process &= process - 1) ++count;
    return count > 0 ? count : 1;
}

std::unique_ptr<WorkerThread> WorkerThread::start(Work work, void* context) {
    auto thread = std::make_unique<Win32WorkerThread>(work, context);
    if (!thread->begin()) return nullptr;
    return thread;
}

}  // namespace tavrix::zip
