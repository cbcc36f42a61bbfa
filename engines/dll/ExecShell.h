// What both engines' exec entry points do around their own work: a null
// record does nothing, and the work runs on the platform's file system.
//
// The engines are built without exceptions (they travel on the first disk
// and in front of every self-extracting archive, and the unwinder alone
// would be a fifth of each): nothing can cross the library boundary that
// way. Running out of memory ends the process and says so on the error
// output, or in a box where there is none
// (common/runtime/NoExceptionsRuntime.cpp); the one allocation an archive's
// own numbers size, its directory, is bounded and checked where it is read.
#pragma once

#include <cstdint>

#include "engines/core/FileSystem.h"

namespace tavrix::engines {

// The number of entries `run` processed on the platform's file system.
template <typename Run>
int processedOnPlatform(Run&& run) {
    auto fs = zip::makePlatformFileSystem();
    return static_cast<int>(run(*fs).processed);
}

// `exec` on the record's bytes; 0 for a null record.
template <typename Exec>
int execRecord(void* record, Exec&& exec) {
    if (!record) return 0;
    return exec(static_cast<const std::uint8_t*>(record));
}

}  // namespace tavrix::engines
