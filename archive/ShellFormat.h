// TSHFormatThread: the shell's format dialog run on a thread of its own, so
// that the component's thread can find the dialog and wait for it while its
// own window stays live.
#pragma once

#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <atomic>

namespace tavrix::archive {

class TArchiveBuilder;

class TSHFormatThread {
public:
    explicit TSHFormatThread(TArchiveBuilder& owner);
    ~TSHFormatThread();  // waits for the thread
    TSHFormatThread(const TSHFormatThread&) = delete;
    TSHFormatThread& operator=(const TSHFormatThread&) = delete;

    bool started() const { return static_cast<bool>(thread_); }
    DWORD threadId() const { return threadId_; }
    HANDLE handle() const { return thread_.get(); }
    // 0 while the dialog is looked for, 1 once it was found, 2 when the
    // thread is done; then result() holds the shell's answer (-3 until then:
    // nothing formatted).
    std::atomic<int>& state() { return state_; }
    int result() const { return result_; }

private:
    static DWORD WINAPI Execute(void* self);
    void run();

    TArchiveBuilder& owner_;
    win32::UniqueKernelHandle thread_;
    DWORD threadId_ = 0;
    std::atomic<int> state_{0};
    int result_ = -3;
};

}  // namespace tavrix::archive
