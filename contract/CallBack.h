// The record an engine fills for every call of the component's callback.
// Shared, byte for byte, by the component and the engine libraries; the
// offsets are the 32-bit build's (a 64-bit build carries its two addresses
// pointer-wide).
#pragma once

#include <cstddef>
#include <cstdint>

#include "contract/EngineRecords.h"

namespace tavrix::contract {

// Action codes an engine puts into EngineCallbackRecord::action.
enum EngineAction : std::uint32_t {
    kActionFileStart = 1,  // size: the file's size; text: its name
    kActionAdvance = 2,    // size: bytes processed since the previous report
    kActionBatchEnd = 3,
    kActionMessage = 4,    // errorCode and text
    kActionFileCount = 5,  // size: number of files in the batch
    kActionByteCount = 6,  // size: total bytes of the batch
};

// Room the engines give the text; the component reads up to the first NUL.
inline constexpr std::size_t kCallbackTextCapacity = 512;

#pragma pack(push, 1)
struct EngineCallbackRecord {
    RecordAddress window;              // 0: window handle from the exec record
    RecordAddress caller;              // 4: the exec record's caller field, repeated
    std::uint32_t reserved1;           // 8
    std::uint32_t reserved2;           // 12
    std::uint32_t action;              // 16: EngineAction
    std::uint32_t errorCode;           // 20: with kActionMessage
    std::uint32_t size;                // 24: size or count
    char text[kCallbackTextCapacity];  // 28: NUL-terminated name or message
};
#pragma pack(pop)

#if UINTPTR_MAX == UINT32_MAX
static_assert(offsetof(EngineCallbackRecord, window) == 0);
static_assert(offsetof(EngineCallbackRecord, caller) == 4);
static_assert(offsetof(EngineCallbackRecord, reserved1) == 8);
static_assert(offsetof(EngineCallbackRecord, reserved2) == 12);
static_assert(offsetof(EngineCallbackRecord, action) == 16);
static_assert(offsetof(EngineCallbackRecord, errorCode) == 20);
static_assert(offsetof(EngineCallbackRecord, size) == 24);
static_assert(offsetof(EngineCallbackRecord, text) == 28);
static_assert(sizeof(EngineCallbackRecord) == 28 + kCallbackTextCapacity);
#endif

}  // namespace tavrix::contract
