// Add: the files FSpecArgs names added to ZipFileName by the compression
// engine (PackOperation).
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/PackOperation.h"

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
    PackOperation call(*this, PackCall::Add);
    call.run();
    reportEngineCall(call.result());
}

}  // namespace tavrix::archive
