// What both engines' exec entry points do around their own work: a null
// record does nothing, the work runs on the platform's file system, and no
// exception is let across the library boundary.
#pragma once

#include <cstdint>
#include <string>

#include "FileSystem.h"
#include "Progress.h"

namespace tavrix::engines {

// The number of entries `run` processed on the platform's file system; 0, with
// an internal-error message naming `archivePath`, when it throws.
template <typename Run>
int processedOnPlatform(zip::ProgressSink& sink, const std::string& archivePath, Run&& run) {
    auto fs = zip::makePlatformFileSystem();
    try {
        return static_cast<int>(run(*fs).processed);
    } catch (...) {  // nothing may cross the library boundary
        sink.message(zip::MessageId::kInternal, archivePath);
        return 0;
    }
}

// `exec` on the record's bytes; 0 for a null record, and when anything throws
// (before a sink exists to tell of it).
template <typename Exec>
int execGuarded(void* record, Exec&& exec) {
    if (!record) return 0;
    try {
        return exec(static_cast<const std::uint8_t*>(record));
    } catch (...) {
        return 0;
    }
}

}  // namespace tavrix::engines
