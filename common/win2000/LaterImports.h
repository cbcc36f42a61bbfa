// Run-time lookups, with fallbacks, for the functions newer than Windows 2000
// that the static runtime imports (see LaterImports.cpp).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace tavrix::win2000 {

// Widens a 32-bit millisecond count to 64 bits, counting its wraps from the
// last widened value: what GetTickCount64 gives where the system has none.
std::uint64_t widenedTickCount(DWORD now, std::atomic<std::uint64_t>& last);

}  // namespace tavrix::win2000
