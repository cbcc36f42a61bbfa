// What a test engine is told to do and what it saw. The test engines are
// small stand-ins for UNPACK32.DLL and PACK32.DLL: they copy every record
// they receive, with the strings it points at, and call back in the order a
// test scripts.
#pragma once

#include <cstdint>

#include "contract/EngineRecords.h"

namespace tavrix::archive::testing {

struct ScriptStep {
    std::uint32_t action;
    std::uint32_t errorCode;
    std::uint32_t size;
    char text[96];
};

inline constexpr int kMaxSeenSpecs = 8;
inline constexpr int kMaxSteps = 32;

struct EngineObservation {
    int execCalls;
    int versionCalls;
    std::uint32_t recordSize;                                  // the layout the engine's version selects
    std::uint8_t record[sizeof(contract::PackExecRecordOld)];  // the record's bytes as received
    char password[128];
    char archivePath[260];
    char tempDir[260];
    std::uint32_t specCount;
    char specs[kMaxSeenSpecs][64];
    std::uint8_t entries[kMaxSeenSpecs]
                        [sizeof(contract::PackFileSpec)];  // newer layouts: the entry array's bytes
    int callbacksMade;
    int stoppedAtStep;  // step whose callback answered nonzero, -1 if none
};

}  // namespace tavrix::archive::testing
