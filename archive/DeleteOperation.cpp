// Delete: the compression engine removes entries from ZipFileName, copying
// the others without inflating them.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/PackOperation.h"
#include "archive/Win32Support.h"

namespace tavrix::archive {

void TArchiveBuilder::Delete() {
    lastErrCode_ = 0;
    processedCount_ = 0;
    lastMessage_.clear();
    if (fSpecArgs_.empty()) {
        ShowArchiveMessage(msg::NoFilesToDelete);
        return;
    }
    if (!win32::fileExists(zipFileName_)) {
        ShowArchiveMessage(msg::NoZipFile);
        return;
    }
    if (pack_.busy()) return;
    cancel_ = false;
    PackOperation call(*this, PackCall::Delete);
    call.run();
    reportEngineCall(call.result());
}

}  // namespace tavrix::archive
