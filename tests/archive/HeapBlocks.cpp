#include "tests/archive/HeapBlocks.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_liveBlocks{0};
}

long LiveHeapBlocks() {
    return g_liveBlocks.load();
}

void* operator new(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    ++g_liveBlocks;
    return p;
}

void operator delete(void* p) noexcept {
    if (p != nullptr) --g_liveBlocks;
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
