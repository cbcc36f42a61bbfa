#include "archive/ArchiveBuilder.h"

#include "archive/LiveComponents.h"
#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/win32/MessageBoxSeam.h"

#include <algorithm>

namespace tavrix::archive {
namespace {

std::vector<const TArchiveBuilder*>& liveComponents() {
    static std::vector<const TArchiveBuilder*> live;
    return live;
}

}  // namespace

bool isLiveComponent(const void* candidate) {
    const auto& live = liveComponents();
    return std::find(live.begin(), live.end(), candidate) != live.end();
}

TArchiveBuilder::TArchiveBuilder(HWND applicationWindow) : ownerWindow_(applicationWindow) {
    liveComponents().push_back(this);
}

// The engines are not unloaded here: whoever loaded one unloads it. Should a
// program forget, the module owners still release the libraries.
TArchiveBuilder::~TArchiveBuilder() {
    auto& live = liveComponents();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    FreeZipDirEntryRecords();
}

void TArchiveBuilder::SetZipFileName(const std::string& v) {
    zipFileName_ = v;
    if (!designing_) List();
}

void TArchiveBuilder::SetDLLDirectory(const std::string& v) {
    dllDirectory_ = v;
    if (!dllDirectory_.empty() && dllDirectory_.back() == '\\') dllDirectory_.pop_back();
}

void TArchiveBuilder::SetKeepFreeOnDisk1(long v) {
    if (v >= 0) keepFreeOnDisk1_ = v;
}

void TArchiveBuilder::SetMaxVolumeSize(long v) {
    if (v >= 0) maxVolumeSize_ = v;
}

void TArchiveBuilder::SetMinFreeVolumeSize(long v) {
    if (v > 0) minFreeVolumeSize_ = v;
}

void TArchiveBuilder::showBox(const std::string& text) {
    win32::showMessageBox(ownerWindow_, text, applicationTitle(ownerWindow_), MB_OK);
}

void TArchiveBuilder::ShowArchiveMessage(int id, const std::string& userText) {
    ShowExceptionError(EArchiveBuilder::WithNote(id, userText));
}

void TArchiveBuilder::ShowExceptionError(const EArchiveBuilder& error) {
    // Set before the box: what runs while it is up sees this failure.
    lastErrCode_ = error.ResourceId();
    lastMessage_ = error.what();
    if (error.Display() && !unattended_) showBox(lastMessage_);
    if (OnMessage) OnMessage(this, 0, lastMessage_);
}

void TArchiveBuilder::report(const OperationResult& result, int handlerFailureId) {
    if (result.handlerFailed)
        ShowArchiveMessage(handlerFailureId);
    else if (result.failure)
        ShowExceptionError(*result.failure);
}

void TArchiveBuilder::reportFailure(const OperationResult& result) {
    if (result.failure) ShowExceptionError(*result.failure);
}

void TArchiveBuilder::reportEngineCall(const OperationResult& result) {
    processedCount_ = result.processed;
    reportFailure(result);
}

void TArchiveBuilder::reportSpanFailure(const OperationResult& result, bool writing) {
    report(result, msg::SpanUnknownError);
    if (writing && !completeVolumes_.empty() && OnMessage) {
        std::string names;
        for (const std::string& volume : completeVolumes_) names += (names.empty() ? "" : ", ") + volume;
        OnMessage(this, 0, EArchiveBuilder(msg::CompleteVolumes, names).what());
    }
    // A progress display always sees the end of the batch.
    if (OnProgress) OnProgress(this, pgBatchEnd, std::string(), 0);
}

}  // namespace tavrix::archive
