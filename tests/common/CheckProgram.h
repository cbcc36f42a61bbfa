// What the runtime check programs share: they run without a test framework,
// linked as the shipped files are, and count what did not hold.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace tavrix::check {

inline int failures = 0;
// Where allocations go, so that the compiler cannot leave them out.
inline char* volatile kept = nullptr;

inline void expect(bool holds, const char* what) {
    if (holds) return;
    std::printf("failed: %s\n", what);
    ++failures;
}

// How a run of this program with one argument ended: its exit code and
// what it wrote to its error output.
struct Ending {
    bool started = false;
    DWORD code = 0;
    std::string said;
};

inline Ending runSelf(const char* argument) {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ::CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = writeEnd;
    std::string command = std::string("\"") + self + "\" " + argument;
    PROCESS_INFORMATION process{};
    Ending ending;
    ending.started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &process);
    ::CloseHandle(writeEnd);
    if (ending.started) {
        char buffer[256];
        DWORD got = 0;
        while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            ending.said.append(buffer, got);
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &ending.code);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    }
    ::CloseHandle(readEnd);
    return ending;
}

// The exit status: 0 when everything held.
inline int verdict() {
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace tavrix::check
