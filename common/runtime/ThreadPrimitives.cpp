// The few POSIX thread calls that the C++ runtime makes for exceptions and
// thread-local data (the unwinder's one-time setup and its table of
// registered frames, the emergency pool for exception objects, the
// per-thread exception state), and the guards of function-local statics, on
// the primitives Windows 2000 has.
//
// The runtime's threads library would answer them too, but it is linked
// whole with everything its thread object needs (about 34 KB in each
// shipped file) for programs that start threads through Windows or not at
// all. Defined here, ahead of that library, these are what the linker takes;
// should a program ever call a thread function defined only there (a
// std::thread, a std::condition_variable), the link fails on the two
// definitions instead of mixing two implementations.
//
// The types are those of the threads library's headers, whose values the
// runtime's objects were compiled against: a mutex is a pointer-sized cell
// that holds a small negative number until first use, a once-flag a long
// that starts at 0, a key a Windows TLS index.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

namespace {

using MutexCell = std::intptr_t;
using OnceFlag = long;
using Key = unsigned;

// Static initializers of the three mutex kinds: plain, error-checking and
// recursive. A critical section serves all three for the runtime's uses.
constexpr MutexCell kLastInitializer = -3;

bool awaitsCreation(MutexCell value) {
    return value < 0 && value >= kLastInitializer;
}

// The runtime has a handful of static mutexes (the unwinder's frame table,
// the emergency pool for exception objects, thread-local data), and the
// pool's is first locked just when memory has run out: the first sections
// come from here, never from the heap. They are not given back.
constexpr LONG kStaticSections = 16;
CRITICAL_SECTION staticSections[kStaticSections];
volatile LONG staticSectionsTaken = 0;

bool isStatic(const CRITICAL_SECTION* section) {
    const auto at = reinterpret_cast<std::uintptr_t>(section);
    const auto first = reinterpret_cast<std::uintptr_t>(&staticSections[0]);
    return at >= first && at < first + sizeof staticSections;
}

CRITICAL_SECTION* newSection() {
    CRITICAL_SECTION* section = nullptr;
    if (staticSectionsTaken < kStaticSections) {
        const LONG slot = ::InterlockedIncrement(&staticSectionsTaken) - 1;
        if (slot < kStaticSections) section = &staticSections[slot];
    }
    if (!section) section = static_cast<CRITICAL_SECTION*>(std::malloc(sizeof(CRITICAL_SECTION)));
    if (section) ::InitializeCriticalSection(section);
    return section;
}

void releaseSection(CRITICAL_SECTION* section) {
    ::DeleteCriticalSection(section);
    if (!isStatic(section)) std::free(section);
}

// The section behind `cell`, created by whichever thread gets there first.
CRITICAL_SECTION* sectionOf(MutexCell* cell) {
    MutexCell value = *reinterpret_cast<volatile MutexCell*>(cell);
    if (!awaitsCreation(value)) return reinterpret_cast<CRITICAL_SECTION*>(value);
    CRITICAL_SECTION* created = newSection();
    if (!created) return nullptr;
    const auto previous = reinterpret_cast<MutexCell>(::InterlockedCompareExchangePointer(
        reinterpret_cast<PVOID volatile*>(cell), created, reinterpret_cast<PVOID>(value)));
    if (previous == value) return created;
    // Another thread won: use its section.
    releaseSection(created);
    return reinterpret_cast<CRITICAL_SECTION*>(previous);
}

// The mingw runtime's list of TLS destructors, run as each thread ends.
extern "C" int __mingwthr_key_dtor(DWORD key, void (*destructor)(void*));

}  // namespace

extern "C" {

int pthread_mutex_init(MutexCell* cell, const void* /*attributes*/) {
    CRITICAL_SECTION* section = newSection();
    if (!section) return ERROR_NOT_ENOUGH_MEMORY;
    *cell = reinterpret_cast<MutexCell>(section);
    return 0;
}

int pthread_mutex_destroy(MutexCell* cell) {
    if (!awaitsCreation(*cell)) {
        releaseSection(reinterpret_cast<CRITICAL_SECTION*>(*cell));
    }
    *cell = -1;
    return 0;
}

int pthread_mutex_lock(MutexCell* cell) {
    CRITICAL_SECTION* section = sectionOf(cell);
    if (!section) return ERROR_NOT_ENOUGH_MEMORY;
    ::EnterCriticalSection(section);
    return 0;
}

int pthread_mutex_unlock(MutexCell* cell) {
    ::LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(*cell));
    return 0;
}

// 0: not run, 1: running, 2: done. A thread that finds it running waits.
int pthread_once(OnceFlag* flag, void (*routine)()) {
    auto* state = reinterpret_cast<volatile LONG*>(flag);
    if (*state == 2) return 0;
    if (::InterlockedCompareExchange(state, 1, 0) == 0) {
        routine();
        ::InterlockedExchange(state, 2);
        return 0;
    }
    while (*state != 2) ::Sleep(0);
    return 0;
}

int pthread_key_create(Key* key, void (*destructor)(void*)) {
    const DWORD index = ::TlsAlloc();
    if (index == TLS_OUT_OF_INDEXES) return ERROR_NOT_ENOUGH_MEMORY;
    if (destructor && __mingwthr_key_dtor(index, destructor) != 0) {
        ::TlsFree(index);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    *key = index;
    return 0;
}

void* pthread_getspecific(Key key) {
    // TlsGetValue clears the last error when it succeeds; the caller's
    // must survive, as it does with the threads library.
    const DWORD lastError = ::GetLastError();
    void* value = ::TlsGetValue(key);
    ::SetLastError(lastError);
    return value;
}

int pthread_setspecific(Key key, const void* value) {
    return ::TlsSetValue(key, const_cast<void*>(value)) ? 0 : ERROR_INVALID_PARAMETER;
}

// Function-local statics. The guard is 64 bits: the compiler's own code
// tests its first byte (set once the object exists); the word at offset 4
// says that a thread is constructing it. A thread that finds another one
// constructing waits until the object exists or the construction failed.
int __cxa_guard_acquire(std::uint64_t* guard) {
    auto* done = reinterpret_cast<volatile char*>(guard);
    auto* busy = reinterpret_cast<volatile LONG*>(guard) + 1;
    for (;;) {
        if (*done) return 0;
        if (::InterlockedCompareExchange(busy, 1, 0) == 0) {
            if (!*done) return 1;  // this thread constructs
            ::InterlockedExchange(busy, 0);
            return 0;
        }
        ::Sleep(0);
    }
}

void __cxa_guard_release(std::uint64_t* guard) {
    ::InterlockedExchange(reinterpret_cast<volatile LONG*>(guard) + 1, 0);
    *reinterpret_cast<volatile char*>(guard) = 1;
    ::MemoryBarrier();
}

void __cxa_guard_abort(std::uint64_t* guard) {
    ::InterlockedExchange(reinterpret_cast<volatile LONG*>(guard) + 1, 0);
}

}  // extern "C"
