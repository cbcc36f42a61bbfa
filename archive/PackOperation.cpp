#include "archive/PackOperation.h"

#include "archive/EngineUse.h"
#include "archive/MessageIds.h"
#include "archive/Win32Support.h"

namespace tavrix::archive {

void PackOperation::run() {
    TArchiveBuilder& component = owner();
    const std::string& archive = component.zipFileName_;
    // A new self-extracting archive starts with its stub; the entries follow it.
    const bool newExe = kind_ == TArchiveBuilder::PackCall::Add && hasExeExtension(archive) &&
                        component.archiveDataStart_ == 0 && !win32::fileExists(archive);
    if (newExe && !writeStubForNewExe()) return;
    callEngine();
    // The engine is unloaded (when loaded here) before the new directory is read.
    if (processed() > 0) component.List();
    // A stub that got no entries (the engine failed, or the Add was refused
    // after it was written) is not left behind as an archive.
    if (newExe && processed() <= 0) ::DeleteFileA(archive.c_str());
}

void PackOperation::callEngine() {
    TArchiveBuilder& component = owner();
    EngineLibrary& engine = component.pack_;
    EngineUse use(component, engine);
    if (!use.ready()) return;
    engineTarget_ = component.zipFileName_;
    const AddOpts options = component.addOptions_;
    const bool spanned = kind_ == TArchiveBuilder::PackCall::Add &&
                         (options.has(AddDiskSpan) || options.has(AddDiskSpanErase));
    if (spanned) {
        if (options.has(AddFreshen) || options.has(AddUpdate)) {
            fail(EArchiveBuilder(msg::SpanFreshenUpdate, true));
            return;
        }
        if (hasExeExtension(component.zipFileName_)) {
            fail(EArchiveBuilder(msg::SfxNotSpannable, true));
            return;
        }
        if (!beginSpannedAdd()) return;
    }
    engine.setBusy(true);
    if (!component.callPackEngine(engineTarget_, kind_, processed()))
        fail(EArchiveBuilder(kPackEngine.abort, true));
    if (spanned) endSpannedAdd();
}

// Add onto a new .EXE: the archive starts as the stub, its settings block
// and an empty archive, so that the engine's entries follow them.
bool PackOperation::writeStubForNewExe() {
    TArchiveBuilder& component = owner();
    const int result = component.ConvertSFX(true);
    if (result == 0) return true;
    return fail(EArchiveBuilder(msg::AutoSfxError, result));
}

bool PackOperation::beginSpannedAdd() {
    TArchiveBuilder& component = owner();
    std::string& tempDir = component.tempDir_;
    if (!tempDir.empty()) tempDir = temporaryFolder(tempDir);
    const std::string folder = temporaryFolder(tempDir);
    char name[MAX_PATH];
    if (::GetTempFileNameA(folder.c_str(), "zip", 0, name) == 0) {
        return fail(EArchiveBuilder(msg::TempFileFailed, true));
    }
    // The engine makes the archive under this name; the empty file the
    // system created for it would not be one.
    ::DeleteFileA(name);
    engineTarget_ = name;
    if (component.verbose_ && component.OnMessage)
        component.OnMessage(&component, 0, "Temporary zipfile: " + engineTarget_);
    return true;
}

void PackOperation::endSpannedAdd() {
    TArchiveBuilder& component = owner();
    if (processed() != 0 && component.WriteSpan(engineTarget_, component.zipFileName_) != 0) processed() = 0;
    ::DeleteFileA(engineTarget_.c_str());
}

}  // namespace tavrix::archive
