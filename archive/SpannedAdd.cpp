// Add onto a spanned set: the engine writes one temporary archive, which
// WriteSpan then cuts into the set's volumes under ZipFileName.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/Win32Support.h"

namespace tavrix::archive {

bool TArchiveBuilder::beginSpannedAdd(std::string& engineTarget) {
    if (!tempDir_.empty()) tempDir_ = temporaryFolder(tempDir_);
    const std::string folder = temporaryFolder(tempDir_);
    char name[MAX_PATH];
    if (::GetTempFileNameA(folder.c_str(), "zip", 0, name) == 0) {
        ShowArchiveMessage(msg::TempFileFailed);
        return false;
    }
    // The engine makes the archive under this name; the empty file the
    // system created for it would not be one.
    ::DeleteFileA(name);
    engineTarget = name;
    if (verbose_ && OnMessage) OnMessage(this, 0, "Temporary zipfile: " + engineTarget);
    return true;
}

void TArchiveBuilder::endSpannedAdd(const std::string& engineTarget) {
    if (processedCount_ != 0 && WriteSpan(engineTarget, zipFileName_) != 0) processedCount_ = 0;
    ::DeleteFileA(engineTarget.c_str());
}

}  // namespace tavrix::archive
