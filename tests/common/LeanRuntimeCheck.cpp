// A program linked as the shipped files with exceptions are (the lean runtime
// in front of the C++ runtime): exceptions, guarded statics and the thread
// calls behind them, on several threads at once, and how an exception ends
// the program when it meets code built without exceptions (it starts itself
// for that). Exit 0 when all hold; each failure is printed.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tests/common/CheckProgram.h"

extern "C" {
int pthread_mutex_lock(std::intptr_t* cell);
int pthread_mutex_unlock(std::intptr_t* cell);
int pthread_once(long* flag, void (*routine)());
}

namespace tavrix {
namespace check {
char* allocateWithoutUnwindTables(std::size_t size);
int callWithoutUnwindTables(void (*function)());
}  // namespace check

namespace {

using check::expect;
using check::kept;

constexpr int kThreads = 4;

template <typename Body>
void onThreads(Body body) {
    struct Start {
        static DWORD WINAPI run(void* argument) {
            (*static_cast<Body*>(argument))();
            return 0;
        }
    };
    HANDLE threads[kThreads];
    for (HANDLE& thread : threads) thread = ::CreateThread(nullptr, 0, &Start::run, &body, 0, nullptr);
    ::WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) ::CloseHandle(thread);
}

// Misuse the runtime reports is caught as std::exception, with a text.
void reportsAreExceptions() {
    bool caught = false;
    try {
        (void)std::string("ab").substr(3);
    } catch (const std::exception& e) {
        caught = e.what() != nullptr && e.what()[0] != '\0';
    }
    expect(caught, "a position past a string's end is a std::exception with a text");
    caught = false;
    try {
        (void)std::vector<int>(2).at(2);
    } catch (const std::exception& e) {
        caught = e.what()[0] != '\0';
    }
    expect(caught, "a vector's at() past its end is a std::exception with a text");
    caught = false;
    try {
        std::string text;
        text.reserve(text.max_size() + 1);
    } catch (const std::bad_alloc&) {
    } catch (const std::exception&) {
        caught = true;
    }
    expect(caught, "a string past its largest size is a std::exception, not bad_alloc");
    caught = false;
    try {
        volatile std::size_t huge = SIZE_MAX - 0xFFFF;  // more than any address space holds
        kept = new char[huge];
        delete[] kept;
    } catch (const std::bad_alloc&) {
        caught = true;
    }
    expect(caught, "memory that cannot be had is std::bad_alloc");
}

// Every thread throws and catches many times over: the unwinder's one-time
// setup, its frame table and each thread's exception state under load.
void exceptionsOnThreads() {
    std::atomic<int> caught{0};
    onThreads([&] {
        for (int i = 0; i < 500; ++i) {
            try {
                if (i >= 0) throw std::string("thrown on a thread");
            } catch (const std::string& text) {
                if (text == "thrown on a thread") ++caught;
            }
        }
    });
    expect(caught == kThreads * 500, "every exception thrown on a thread is caught there");
}

struct Counted {
    static inline std::atomic<int> made{0};
    Counted() {
        ++made;
        ::Sleep(50);  // the others arrive while this one is being made
    }
};

void guardedStatics() {
    std::atomic<int> sawMade{0};
    onThreads([&] {
        static Counted once;
        if (Counted::made == 1) ++sawMade;
    });
    expect(Counted::made == 1, "a function-local static is made once by racing threads");
    expect(sawMade == kThreads, "every racing thread finds the static made");
}

thread_local int ownNumber = 0;

void threadLocals() {
    std::atomic<int> kept{0};
    std::atomic<int> next{1};
    onThreads([&] {
        ownNumber = next++;
        const int mine = ownNumber;
        ::Sleep(20);
        if (ownNumber == mine) ++kept;
    });
    expect(kept == kThreads, "each thread keeps its own thread_local value");
}

std::intptr_t sharedLock = -1;  // the threads library's static initializer
long onceFlag = 0;
int onceRuns = 0;

void locksAndOnce() {
    long counter = 0;
    onThreads([&] {
        pthread_once(&onceFlag, [] {
            ::Sleep(20);
            ++onceRuns;
        });
        for (int i = 0; i < 20000; ++i) {
            pthread_mutex_lock(&sharedLock);
            const long seen = counter;
            if (i % 1000 == 0) ::Sleep(0);
            counter = seen + 1;
            pthread_mutex_unlock(&sharedLock);
        }
    });
    expect(counter == kThreads * 20000, "a statically initialized lock excludes the other threads");
    expect(onceRuns == 1, "a once-routine runs once for racing threads");
}

// Started as a second process: the exception never reaches the catch here,
// since frames without unwind tables lie between.
int escape(const char* kind) {
    try {
        if (std::strcmp(kind, "memory") == 0) {
            volatile std::size_t huge = SIZE_MAX - 0xFFFF;  // more than any address space holds
            kept = check::allocateWithoutUnwindTables(huge);
        } else {
            check::callWithoutUnwindTables([] { throw std::string("a fault"); });
        }
    } catch (...) {
        return 10;
    }
    return 11;
}

void escapesEndTheProgram() {
    check::Ending ending = check::runSelf("escape-memory");
    expect(ending.started, "the program starts itself");
    expect(ending.code == 3, "memory that runs out under code without exceptions ends the program (code 3)");
    expect(ending.said.find("not enough memory") != std::string::npos, "and says so on the error output");
    ending = check::runSelf("escape-fault");
    expect(ending.code == 3, "any other exception that meets such code ends the program (code 3)");
    expect(ending.said.find("internal error") != std::string::npos, "and says it is an internal error");
}

}  // namespace
}  // namespace tavrix

int main(int argc, char** argv) {
    using namespace tavrix;
    if (argc > 1 && std::strncmp(argv[1], "escape-", 7) == 0) return escape(argv[1] + 7);
    reportsAreExceptions();
    exceptionsOnThreads();
    guardedStatics();
    threadLocals();
    locksAndOnce();
    escapesEndTheProgram();
    return check::verdict();
}
