// The run-time lookups that keep shipped files loadable on Windows 2000: the
// widened tick count where the system has no 64-bit one, and the import cells
// through which every call of the newer functions goes.
#include <gtest/gtest.h>

#include "common/win2000/LaterImports.h"

extern "C" {
// Declared here as the runtime declares them: called through import cells.
__declspec(dllimport) ULONGLONG WINAPI GetTickCount64();
__declspec(dllimport) PVOID WINAPI AddVectoredExceptionHandler(ULONG, PVECTORED_EXCEPTION_HANDLER);
__declspec(dllimport) ULONG WINAPI RemoveVectoredExceptionHandler(PVOID);
}

namespace {

using tavrix::win2000::widenedTickCount;

TEST(WidenedTickCount, CountsTheWrapsOfTheThirtyTwoBitCount) {
    std::atomic<std::uint64_t> last{0};
    EXPECT_EQ(widenedTickCount(1000, last), 1000u);
    EXPECT_EQ(widenedTickCount(0xFFFFFF00u, last), 0xFFFFFF00u);
    EXPECT_EQ(widenedTickCount(0x10, last), 0x1'0000'0010u);  // wrapped once
    EXPECT_EQ(widenedTickCount(0x20, last), 0x1'0000'0020u);  // no new wrap
    EXPECT_EQ(widenedTickCount(0xFFFFFFFFu, last), 0x1'FFFF'FFFFu);
    EXPECT_EQ(widenedTickCount(0, last), 0x2'0000'0000u);
}

TEST(WidenedTickCount, TheSameCountTwiceIsNotAWrap) {
    std::atomic<std::uint64_t> last{0x3'0000'0500u};
    EXPECT_EQ(widenedTickCount(0x500, last), 0x3'0000'0500u);
    EXPECT_EQ(last.load(), 0x3'0000'0500u);
}

FARPROC systemFunction(const char* name) {
    return ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name);
}

TEST(ImportCells, CallsGoThroughTheLookupToTheSystemsFunction) {
    // The cell holds our function, not the system's, so the file imports nothing newer.
    EXPECT_NE(reinterpret_cast<void*>(&GetTickCount64),
              reinterpret_cast<void*>(systemFunction("GetTickCount64")));
    auto real =
        reinterpret_cast<ULONGLONG(WINAPI*)()>(reinterpret_cast<void*>(systemFunction("GetTickCount64")));
    ASSERT_NE(real, nullptr);  // this system has it: the cell's function hands over to it
    const ULONGLONG before = real();
    const ULONGLONG viaCell = GetTickCount64();
    EXPECT_GE(viaCell, before);
    EXPECT_LE(viaCell, real());
}

LONG WINAPI ignoreException(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST(ImportCells, VectoredHandlersAreAddedAndRemovedWhereTheSystemHasThem) {
    PVOID handle = AddVectoredExceptionHandler(1, &ignoreException);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(RemoveVectoredExceptionHandler(handle), 0u);
    EXPECT_EQ(RemoveVectoredExceptionHandler(nullptr), 0u);
}

}  // namespace
