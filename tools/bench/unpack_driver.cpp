// Calls UNPACK32.DLL through its newer exec record with the installer's
// settings (folder names kept, no overwriting, verbose), as the archive
// component does, with a callback that only counts. Extracts into the current
// folder. With "pack", calls PACK32.DLL to add SOURCE recursively instead.
//   unpack_driver ARCHIVE [pack LEVEL SOURCE]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "contract/CallBack.h"
#include "contract/EngineRecords.h"

using namespace tavrix::contract;

static unsigned long callbacks = 0;
static BOOL __stdcall onCallback(EngineCallbackRecord* record) {
    ++callbacks;
    if (record->action == kActionMessage) std::fprintf(stderr, "%u %s\n", record->errorCode, record->text);
    return FALSE;
}

static RecordAddress address(const void* p) {
    return recordAddress(p);
}

template <typename F>
static F entry(HMODULE m, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}

int main(int argc, char** argv) {
    if (argc != 2 && argc != 5) return 2;
    const bool packing = argc == 5;
    HMODULE engine = LoadLibraryA(packing ? "PACK32.DLL" : "UNPACK32.DLL");
    if (!engine) return 1;
    int count = 0;
    if (!packing) {
        UnpackExecRecordNew r{};
        r.common.caller = 1;
        r.common.version = kUnpackRecordVersion;
        r.common.callback = address(reinterpret_cast<const void*>(&onCallback));
        r.common.password = address("");
        r.common.one40 = 1;
        r.common.verbose = 1;
        r.common.directories = 1;
        r.common.archivePath = address(argv[1]);
        r.marker = kRecordMarker;
        count = entry<int(__stdcall*)(void*)>(engine, "UnpackExec")(&r);
    } else {
        PackExecRecordNew r{};
        PackFileSpec spec{};
        spec.spec = address(argv[4]);
        r.common.caller = 1;
        r.common.version = kPackRecordVersion;
        r.common.callback = address(reinterpret_cast<const void*>(&onCallback));
        r.common.password = address("");
        r.common.hiddenFiles = 1;  // as zip -r, which it is measured against
        r.common.noDirEntries = 1;
        r.common.one56 = 1;
        r.common.level = static_cast<std::uint32_t>(std::atoi(argv[3]));
        r.common.recurse = 1;
        r.common.one80 = 1;
        r.common.specCount = 1;
        r.common.archivePath = address(argv[1]);
        r.specs = address(&spec);
        r.marker = kRecordMarker;
        count = entry<int(__stdcall*)(void*)>(engine, "PackExec")(&r);
    }
    std::fprintf(stderr, "%d files, %lu callbacks\n", count, callbacks);
    return count > 0 ? 0 : 1;
}
