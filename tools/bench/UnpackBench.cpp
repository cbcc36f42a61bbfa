// The engine alone: UNPACK32.DLL extracts a whole archive into a folder
// through its exec record, with a callback that only says "go on", the way
// the installation page's component sets it up (folder names kept, nothing
// overwritten, verbose). Prints the time of the UnpackExec call.
//
//   UnpackBench.exe ARCHIVE DESTINATION
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "contract/CallBack.h"
#include "contract/EngineRecords.h"

namespace {

using namespace tavrix::contract;

// Pointer-wide, as the records of the build's own width hold them.
RecordAddress address(const void* p) {
    return reinterpret_cast<RecordAddress>(p);
}

BOOL __stdcall goOn(EngineCallbackRecord*) {
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: UnpackBench ARCHIVE DESTINATION\n");
        return 2;
    }
    char archive[MAX_PATH];
    if (!GetFullPathNameA(argv[1], MAX_PATH, archive, nullptr) || !SetCurrentDirectoryA(argv[2])) {
        std::fprintf(stderr, "cannot use %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    HMODULE engine = LoadLibraryA("UNPACK32.DLL");
    auto unpackExec =
        engine ? reinterpret_cast<int(__stdcall*)(void*)>(GetProcAddress(engine, "UnpackExec")) : nullptr;
    if (!unpackExec) {
        std::fprintf(stderr, "UNPACK32.DLL or its UnpackExec is missing\n");
        return 1;
    }
    UnpackExecRecordNew record;
    std::memset(&record, 0, sizeof record);
    record.common.version = kUnpackRecordVersion;
    record.common.callback = address(reinterpret_cast<const void*>(&goOn));
    record.common.one40 = 1;
    record.common.verbose = 1;
    record.common.directories = 1;
    record.common.archivePath = address(archive);
    record.marker = kRecordMarker;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int processed = unpackExec(&record);
    QueryPerformanceCounter(&end);
    std::printf("%lld ms, %d files\n", (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart,
                processed);
    FreeLibrary(engine);
    return processed > 0 ? 0 : 1;
}
