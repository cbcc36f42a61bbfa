// Add: the files FSpecArgs names added to ZipFileName by the compression
// engine (PackOperation).
#include "archive/ArchiveBuilder.h"

#include "archive/FileNames.h"
#include "archive/MessageIds.h"
#include "archive/PackOperation.h"

namespace tavrix::archive {

bool hasExeExtension(const std::string& path) {
    return hasExtension(path, ".EXE");
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
    PackOperation call(*this, PackCall::Add);
    call.run();
    reportEngineCall(call.result());
}

}  // namespace tavrix::archive
