// The static threads runtime that every C++ file here links imports three
// functions that Windows 2000 lacks (GetTickCount64 from Vista on, the
// vectored exception handler pair from XP on), and the loader refuses a file
// whose imports it cannot satisfy. Linked into every shipped file, this
// defines the runtime's import cells for them itself, so they never reach the
// import table: each cell points at a function that looks the real one up at
// run time and falls back to what Windows 2000 can do.
#include "common/win2000/LaterImports.h"

#include <atomic>

namespace tavrix::win2000 {
namespace {

FARPROC kernelFunction(const char* name) {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel ? ::GetProcAddress(kernel, name) : nullptr;
}

// Looked up once; a second lookup by a racing thread finds the same address.
template <typename Function>
Function lookedUp(std::atomic<Function>& cell, std::atomic<bool>& done, const char* name) {
    if (!done.load(std::memory_order_acquire)) {
        cell.store(reinterpret_cast<Function>(reinterpret_cast<void*>(kernelFunction(name))),
                   std::memory_order_relaxed);
        done.store(true, std::memory_order_release);
    }
    return cell.load(std::memory_order_relaxed);
}

using TickCount64Function = ULONGLONG(WINAPI*)();
using AddHandlerFunction = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
using RemoveHandlerFunction = ULONG(WINAPI*)(PVOID);

std::atomic<TickCount64Function> realTickCount64{nullptr};
std::atomic<bool> tickCount64LookedUp{false};
std::atomic<AddHandlerFunction> realAddHandler{nullptr};
std::atomic<bool> addHandlerLookedUp{false};
std::atomic<RemoveHandlerFunction> realRemoveHandler{nullptr};
std::atomic<bool> removeHandlerLookedUp{false};

// The last 64-bit count handed out, so the 32-bit count can be widened.
std::atomic<std::uint64_t> lastTickCount{0};

ULONGLONG WINAPI tickCount64() {
    if (auto real = lookedUp(realTickCount64, tickCount64LookedUp, "GetTickCount64")) return real();
    return widenedTickCount(::GetTickCount(), lastTickCount);
}

PVOID WINAPI addVectoredExceptionHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    auto real = lookedUp(realAddHandler, addHandlerLookedUp, "AddVectoredExceptionHandler");
    return real ? real(first, handler) : nullptr;  // Windows 2000: no handler, as if refused
}

ULONG WINAPI removeVectoredExceptionHandler(PVOID handle) {
    auto real = lookedUp(realRemoveHandler, removeHandlerLookedUp, "RemoveVectoredExceptionHandler");
    return real && handle ? real(handle) : 0;
}

}  // namespace

std::uint64_t widenedTickCount(DWORD now, std::atomic<std::uint64_t>& last) {
    std::uint64_t previous = last.load(std::memory_order_relaxed);
    for (;;) {
        std::uint64_t widened = (previous & ~std::uint64_t{0xFFFFFFFF}) | now;
        if (widened < previous) widened += std::uint64_t{1} << 32;  // the 32-bit count wrapped
        if (last.compare_exchange_weak(previous, widened, std::memory_order_relaxed)) return widened;
    }
}

}  // namespace tavrix::win2000

// The import cells, under the names the runtime's references use. They are
// constant-initialized: the runtime calls through them while the process is
// still attaching, before any constructor has run.
#if defined(_WIN64)
#define TAVRIX_IMPORT_CELL(name, argumentBytes) "__imp_" #name
#else
#define TAVRIX_IMPORT_CELL(name, argumentBytes) "__imp__" #name "@" #argumentBytes
#endif

extern "C" {
constinit tavrix::win2000::TickCount64Function tavrixTickCount64Cell __asm__(
    TAVRIX_IMPORT_CELL(GetTickCount64, 0)) = &tavrix::win2000::tickCount64;
constinit tavrix::win2000::AddHandlerFunction tavrixAddHandlerCell __asm__(
    TAVRIX_IMPORT_CELL(AddVectoredExceptionHandler, 8)) = &tavrix::win2000::addVectoredExceptionHandler;
constinit tavrix::win2000::RemoveHandlerFunction tavrixRemoveHandlerCell __asm__(
    TAVRIX_IMPORT_CELL(RemoveVectoredExceptionHandler, 4)) = &tavrix::win2000::removeVectoredExceptionHandler;
}
