// Extract: one synchronous call of the extraction engine over ZipFileName.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/support/ScopeExit.h"

namespace tavrix::archive {

void TArchiveBuilder::Extract() {
    lastErrCode_ = 0;
    processedCount_ = 0;
    lastMessage_.clear();
    // A call that finds an extraction running must not wipe that one's count.
    if (!unpack_.busy()) engineErrorCount_ = 0;
    if (!win32::fileExists(zipFileName_)) {
        ShowArchiveMessage(msg::NoZipFile);
        return;
    }
    cancel_ = false;
    if (unpack_.busy()) return;
    runExtract();
}

void TArchiveBuilder::runExtract() {
    const bool loadedHere = !unpack_.loaded();
    ScopeExit cleanUp([this, loadedHere] {
        placeholderPassword_ = false;
        unpack_.setBusy(false);
        if (loadedHere || unpack_.unloadWhenIdle()) Unload_Unpack_Dll();
        cancel_ = false;
    });
    if (unattended_ && addOptions_.has(AddEncrypt) && password_.empty()) {
        // For this call only: kept in Password, it would let a later
        // unattended Add encrypt with a password nobody knows.
        placeholderPassword_ = true;
        ShowArchiveMessage(msg::UnattendedExtract);
    }
    if (loadedHere) {
        Load_Unpack_Dll();
        // Its loading has said why it cannot be called; once is enough.
        if (!unpack_.entryPointsFound()) return;
    }
    // A spanned set is joined into one temporary archive first; the engine
    // reads that, and it is deleted whatever happens.
    std::string archive = zipFileName_;
    std::string joined;
    ScopeExit dropJoined([&joined] {
        if (!joined.empty()) ::DeleteFileA(joined.c_str());
    });
    if (lastDiskNumber_ != 0) {
        joined = temporaryFolder(tempDir_);
        if (ReadSpan(zipFileName_, joined) != 0) return;
        archive = joined;
    }
    unpack_.setBusy(true);
    // The engine extracts relative to the current directory. A folder that
    // does not exist leaves it alone; it is not restored afterwards.
    if (!extrBaseDir_.empty() && win32::directoryExists(extrBaseDir_))
        ::SetCurrentDirectoryA(extrBaseDir_.c_str());
    CallUnpackEngine(archive);
}

}  // namespace tavrix::archive
