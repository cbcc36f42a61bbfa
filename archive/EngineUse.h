// One operation's use of an engine library: loaded for the call when the
// program had not loaded it, and at the call's end marked idle, unloaded
// again when it was loaded for the call (or was asked to go while the call
// ran), and Cancel forgotten.
#pragma once

#include "archive/ArchiveBuilder.h"
#include "archive/EngineLibrary.h"

namespace tavrix::archive {

class EngineUse {
public:
    EngineUse(TArchiveBuilder& component, EngineLibrary& engine);
    ~EngineUse();
    EngineUse(const EngineUse&) = delete;
    EngineUse& operator=(const EngineUse&) = delete;

    // False when the library loaded for the call lacks an entry point: its
    // loading has said why, once is enough. A library the program loaded
    // itself is left to the call to refuse.
    bool ready() const { return !loadedHere_ || engine_.entryPointsFound(); }

private:
    TArchiveBuilder& component_;
    EngineLibrary& engine_;
    bool loadedHere_;
};

}  // namespace tavrix::archive
