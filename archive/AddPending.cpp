// The branch of Add that writes a new self-extracting archive. Until the stub
// writer is part of the component, it refuses before the engine runs, so no
// half-made archive is ever left.
#include "ArchiveBuilder.h"

#include "MessageIds.h"

namespace tavrix::archive {

bool TArchiveBuilder::writeStubForNewExe() {
    ShowArchiveMessage(msg::SfxAddPending);
    return false;
}

}  // namespace tavrix::archive
