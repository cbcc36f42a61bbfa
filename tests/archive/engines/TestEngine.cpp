// A test engine: built once per variant (UNPACK or PACK, a version, entry
// points left out) from the same source.
#include "contract/CallBack.h"
#include "contract/EngineRecords.h"
#include "tests/archive/engines/TestEngineProtocol.h"

#include <windows.h>

#include <cstring>

using namespace tavrix::contract;
using tavrix::archive::testing::EngineObservation;
using tavrix::archive::testing::ScriptStep;

namespace {

EngineObservation g_seen;
ScriptStep g_script[tavrix::archive::testing::kMaxSteps];
int g_steps = 0;
int g_result = 0;

#ifdef ENGINE_PACK
constexpr bool kNewer = ENGINE_VERSION > kPackNewLayoutAbove;
constexpr std::uint32_t kRecordSize = kNewer ? sizeof(PackExecRecordNew) : sizeof(PackExecRecordOld);
constexpr std::size_t kEntrySize = sizeof(PackFileSpec);
#else
constexpr bool kNewer = ENGINE_VERSION > kUnpackNewLayoutAbove;
constexpr std::uint32_t kRecordSize = kNewer ? sizeof(UnpackExecRecordNew) : sizeof(UnpackExecRecordOld);
constexpr std::size_t kEntrySize = sizeof(UnpackFileSpec);
#endif

#ifdef ENGINE_PACK
using Common = PackExecCommon;
using NewRecord = PackExecRecordNew;
using OldRecord = PackExecRecordOld;
#else
using Common = UnpackExecCommon;
using NewRecord = UnpackExecRecordNew;
using OldRecord = UnpackExecRecordOld;
#endif

void copyText(char* out, std::size_t room, RecordAddress address) {
    if (address == 0) return;
    std::strncpy(out, recordPointer<const char>(address), room - 1);
}

template <typename T = RecordAddress>
T field(const std::uint8_t* record, std::size_t offset) {
    T v;
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}

[[maybe_unused]] int exec(void* recordAddress) {
    const auto* record = static_cast<const std::uint8_t*>(recordAddress);
    const int calls = g_seen.execCalls + 1;
    const int versionCalls = g_seen.versionCalls;
    std::memset(&g_seen, 0, sizeof g_seen);
    g_seen.execCalls = calls;
    g_seen.versionCalls = versionCalls;
    g_seen.stoppedAtStep = -1;
    g_seen.recordSize = kRecordSize;
    std::memcpy(g_seen.record, record, kRecordSize);

#ifdef ENGINE_PACK
    if (kNewer) copyText(g_seen.tempDir, sizeof g_seen.tempDir, field(record, offsetof(NewRecord, tempDir)));
#endif
    copyText(g_seen.password, sizeof g_seen.password, field(record, offsetof(Common, password)));
    copyText(g_seen.archivePath, sizeof g_seen.archivePath, field(record, offsetof(Common, archivePath)));
    g_seen.specCount = field<std::uint32_t>(record, offsetof(Common, specCount));
    for (std::uint32_t i = 0; i < g_seen.specCount && i < tavrix::archive::testing::kMaxSeenSpecs; ++i) {
        if (kNewer) {
            const auto* entry =
                recordPointer<const std::uint8_t>(field(record, offsetof(NewRecord, specs))) + i * kEntrySize;
            std::memcpy(g_seen.entries[i], entry, kEntrySize);
            copyText(g_seen.specs[i], sizeof g_seen.specs[i], field(entry, 0));
        } else {
            copyText(g_seen.specs[i], sizeof g_seen.specs[i],
                     field(record, offsetof(OldRecord, specs) + sizeof(RecordAddress) * i));
        }
    }

    using Callback = BOOL(__stdcall*)(EngineCallbackRecord*);
    auto callback = reinterpret_cast<Callback>(field(record, offsetof(Common, callback)));
    for (int i = 0; i < g_steps; ++i) {
        EngineCallbackRecord cb{};
        cb.window = field(record, offsetof(Common, ownerWindow));
        cb.caller = field(record, offsetof(Common, caller));
        cb.action = g_script[i].action;
        cb.errorCode = g_script[i].errorCode;
        cb.size = g_script[i].size;
        std::strncpy(cb.text, g_script[i].text, sizeof cb.text - 1);
        ++g_seen.callbacksMade;
        if (callback(&cb) != 0) {
            g_seen.stoppedAtStep = i;
            break;
        }
    }
    return g_result;
}

[[maybe_unused]] int version() {
    ++g_seen.versionCalls;
    return ENGINE_VERSION;
}

}  // namespace

extern "C" {

#ifndef OMIT_EXEC
#ifdef ENGINE_PACK
__declspec(dllexport) int __stdcall PackExec(void* record) {
    return exec(record);
}
#else
__declspec(dllexport) int __stdcall UnpackExec(void* record) {
    return exec(record);
}
#endif
#endif

#ifndef OMIT_VERSION
#ifdef ENGINE_PACK
__declspec(dllexport) int __stdcall GetPackVersion() {
    return version();
}
#else
__declspec(dllexport) int __stdcall GetUnpackVersion() {
    return version();
}
#endif
#endif

__declspec(dllexport) void TestEngineSetScript(const ScriptStep* steps, int count, int result) {
    g_steps = count < tavrix::archive::testing::kMaxSteps ? count : tavrix::archive::testing::kMaxSteps;
    for (int i = 0; i < g_steps; ++i) g_script[i] = steps[i];
    g_result = result;
}

__declspec(dllexport) const EngineObservation* TestEngineObservation() {
    return &g_seen;
}

}  // extern "C"
