// A program linked as the shipped files without exceptions are: memory that
// cannot be had ends the process with exit code 3 and a line on the error
// output, and a request that may fail gets null. Run without arguments, it
// starts itself with "exhaust" and checks how that ends. Exit 0 when all hold.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "CheckProgram.h"

namespace tavrix {
namespace {

using check::expect;
using check::kept;

int exhaust() {
    volatile std::size_t huge = SIZE_MAX - 0xFFFF;  // more than any address space holds
    kept = new char[huge];
    return 10;  // never reached
}

// Runs this program with "exhaust", its error output into a pipe.
void exhaustionEndsTheProcess() {
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
    std::string command = std::string("\"") + self + "\" exhaust";
    PROCESS_INFORMATION process{};
    const bool started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          nullptr, &startup, &process);
    ::CloseHandle(writeEnd);
    expect(started, "the program starts itself");
    if (!started) return;
    std::string said;
    char buffer[256];
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) said.append(buffer, got);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    ::CloseHandle(readEnd);
    expect(code == 3, "running out of memory ends the process with exit code 3");
    expect(said.find("not enough memory") != std::string::npos, "and says so on the error output");
}

}  // namespace
}  // namespace tavrix

int main(int argc, char** argv) {
    using namespace tavrix;
    if (argc > 1 && std::strcmp(argv[1], "exhaust") == 0) return exhaust();
    volatile std::size_t huge = SIZE_MAX - 0xFFFF;  // more than any address space holds
    kept = new (std::nothrow) char[huge];
    expect(kept == nullptr, "a request that may fail gets null");
    delete[] kept;
    exhaustionEndsTheProcess();
    return check::verdict();
}
