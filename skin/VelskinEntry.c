// Velskin.dll is all resources. Its one piece of code is the entry point the
// loader calls on attach and detach: it has nothing to set up or tear down,
// and it must never refuse a load, so it answers success to every call.
#include <windows.h>

BOOL WINAPI VelskinEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
