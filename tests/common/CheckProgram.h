// What the runtime check programs share: they run without a test framework,
// linked as the shipped files are, and count what did not hold.
#pragma once

#include <cstdio>

namespace tavrix::check {

inline int failures = 0;
// Where allocations go, so that the compiler cannot leave them out.
inline char* volatile kept = nullptr;

inline void expect(bool holds, const char* what) {
    if (holds) return;
    std::printf("failed: %s\n", what);
    ++failures;
}

// The exit status: 0 when everything held.
inline int verdict() {
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace tavrix::check
