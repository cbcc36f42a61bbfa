// The branches of Add that write self-extracting and spanned archives. Until
// the stub writer and the volume writer are part of the component, both
// refuse before the engine runs, so no half-made archive is ever left.
#include "ArchiveBuilder.h"

#include "MessageIds.h"

namespace tavrix::archive {

bool TArchiveBuilder::writeStubForNewExe() {
    ShowArchiveMessage(msg::SfxAddPending);
    return false;
}

bool TArchiveBuilder::beginSpannedAdd(std::string&) {
    ShowArchiveMessage(msg::SpannedAddPending);
    return false;
}

void TArchiveBuilder::endSpannedAdd(const std::string&) {}

}  // namespace tavrix::archive
