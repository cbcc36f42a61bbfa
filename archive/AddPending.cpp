// The branches of Add that write self-extracting and spanned archives. A new
// .EXE starts as the stub, its settings block and an empty archive (the
// creation form of ConvertSFX). Until the volume writer is part of the
// component, a spanned Add refuses before the engine runs, so no half-made
// archive is ever left.
#include "ArchiveBuilder.h"

#include "MessageIds.h"

namespace tavrix::archive {

bool TArchiveBuilder::writeStubForNewExe() {
    const int result = ConvertSFX(true);
    if (result == 0) return true;
    ShowExceptionError(EArchiveBuilder(msg::AutoSfxError, result));
    return false;
}

bool TArchiveBuilder::beginSpannedAdd(std::string&) {
    ShowArchiveMessage(msg::SpannedAddPending);
    return false;
}

void TArchiveBuilder::endSpannedAdd(const std::string&) {}

}  // namespace tavrix::archive
