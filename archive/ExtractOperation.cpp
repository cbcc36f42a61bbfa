// Extract: one synchronous call of the extraction engine over ZipFileName.
#include "archive/ExtractOperation.h"

#include "archive/ArchiveBuilder.h"
#include "archive/EngineUse.h"
#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/support/ScopeExit.h"

namespace tavrix::archive {

void ExtractOperation::run() {
    TArchiveBuilder& component = owner();
    EngineLibrary& engine = component.unpack_;
    if (component.unattended_ && component.addOptions_.has(AddEncrypt) && component.password_.empty()) {
        placeholderPassword_ = true;
        component.ShowArchiveMessage(msg::UnattendedExtract);
    }
    EngineUse use(component, engine);
    if (!use.ready()) return;
    std::string archive = component.zipFileName_;
    std::string joined;
    ScopeExit dropJoined([&joined] {
        if (!joined.empty()) ::DeleteFileA(joined.c_str());
    });
    if (component.lastDiskNumber_ != 0) {
        joined = temporaryFolder(component.tempDir_);
        if (component.ReadSpan(component.zipFileName_, joined) != 0) return;
        archive = joined;
    }
    engine.setBusy(true);
    // The engine extracts relative to the current directory. A folder that
    // does not exist leaves it alone; it is not restored afterwards.
    const std::string& folder = component.extrBaseDir_;
    if (!folder.empty() && win32::directoryExists(folder)) ::SetCurrentDirectoryA(folder.c_str());
    if (!component.callUnpackEngine(archive, processed())) fail(EArchiveBuilder(kUnpackEngine.abort, true));
}

// The component's member for it.

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
    ExtractOperation call(*this);
    call.run();
    reportEngineCall(call.result());
}

}  // namespace tavrix::archive
