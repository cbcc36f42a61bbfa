// Add, and the compression-engine call it shares with Delete.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/support/ScopeExit.h"

namespace tavrix::archive {

bool hasExeExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t folder = path.find_last_of("\\/");
    if (dot == std::string::npos || (folder != std::string::npos && dot < folder)) return false;
    std::string extension = path.substr(dot);
    for (char& ch : extension)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return extension == ".EXE";
}

void TArchiveBuilder::Add() {
    lastErrCode_ = 0;
    processedCount_ = 0;
    lastMessage_.clear();
    if (fSpecArgs_.empty()) {
        ShowArchiveMessage(msg::NoFilesToZip);
        return;
    }
    if (zipFileName_.empty()) {
        ShowArchiveMessage(msg::NoZipFile);
        return;
    }
    if (unattended_ && addOptions_.has(AddEncrypt) && password_.empty()) {
        ShowArchiveMessage(msg::UnattendedNoPassword);
        return;
    }
    if (pack_.busy()) return;
    cancel_ = false;
    // A new self-extracting archive starts with its stub; the entries follow it.
    const bool newExe =
        hasExeExtension(zipFileName_) && archiveDataStart_ == 0 && !win32::fileExists(zipFileName_);
    if (newExe && !writeStubForNewExe()) return;
    runPack(PackCall::Add);
    // A stub that got no entries (the engine failed, or the Add was refused
    // after it was written) is not left behind as an archive.
    if (newExe && processedCount_ <= 0) ::DeleteFileA(zipFileName_.c_str());
}

void TArchiveBuilder::runPack(PackCall kind) {
    {
        const bool loadedHere = !pack_.loaded();
        ScopeExit cleanUp([this, loadedHere] {
            pack_.setBusy(false);
            if (loadedHere || pack_.unloadWhenIdle()) Unload_Pack_Dll();
            cancel_ = false;
        });
        if (loadedHere) {
            Load_Pack_Dll();
            // Its loading has said why it cannot be called; once is enough.
            if (!pack_.entryPointsFound()) return;
        }
        std::string target = zipFileName_;
        const bool spanned =
            kind == PackCall::Add && (addOptions_.has(AddDiskSpan) || addOptions_.has(AddDiskSpanErase));
        if (spanned) {
            if (addOptions_.has(AddFreshen) || addOptions_.has(AddUpdate)) {
                ShowArchiveMessage(msg::SpanFreshenUpdate);
                return;
            }
            if (hasExeExtension(zipFileName_)) {
                ShowArchiveMessage(msg::SfxNotSpannable);
                return;
            }
            if (!beginSpannedAdd(target)) return;
        }
        pack_.setBusy(true);
        CallPackEngine(target, kind);
        if (spanned) endSpannedAdd(target);
    }
    // The engine is unloaded (when loaded here) before the new directory is read.
    if (processedCount_ > 0) List();
}

}  // namespace tavrix::archive
