#include "common/runtime/EndProcess.h"

#include <windows.h>

#include <cstdlib>

namespace tavrix::runtime {

void endProcess(const char* text) noexcept {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    const DWORD length = static_cast<DWORD>(::lstrlenA(text));
    if (error == nullptr || error == INVALID_HANDLE_VALUE ||
        !::WriteFile(error, text, length, &written, nullptr))
        ::MessageBoxA(nullptr, text, "Tavrix", MB_ICONERROR | MB_TASKMODAL);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    std::abort();
}

}  // namespace tavrix::runtime
