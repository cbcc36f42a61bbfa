// The component's side of the engine calls: its loading members, the exec
// records built from its properties, and the callbacks turned into events.
#include "archive/ArchiveBuilder.h"
#include "archive/SpanJoin.h"

#include "archive/LiveComponents.h"
#include "archive/MessageIds.h"
#include "archive/Win32Support.h"

#include <cstring>

namespace tavrix::archive {

namespace {

constexpr std::size_t kPlaceholderPasswordLength = 79;
constexpr char kPlaceholderPasswordCharacter = '~';

std::uint32_t flag(bool on) {
    return on ? 1u : 0u;
}

}  // namespace

std::string PlaceholderPassword() {
    return std::string(kPlaceholderPasswordLength, kPlaceholderPasswordCharacter);
}

EngineLibrary::Report TArchiveBuilder::reporter() {
    return [this](int id) { ShowArchiveMessage(id); };
}

void TArchiveBuilder::Load_Pack_Dll() {
    pack_.load(dllDirectory_, trace_, reporter());
}
void TArchiveBuilder::Load_Unpack_Dll() {
    unpack_.load(dllDirectory_, trace_, reporter());
}
void noteHandlerFailure(TArchiveBuilder* sender) noexcept {
    if (sender != nullptr) sender->handlerFailed_ = true;
}
void TArchiveBuilder::Unload_Pack_Dll() {
    pack_.unload();
}
void TArchiveBuilder::Unload_Unpack_Dll() {
    unpack_.unload();
}
int TArchiveBuilder::GetPackVers() {
    return pack_.version(dllDirectory_, trace_, reporter());
}
int TArchiveBuilder::GetUnpackVers() {
    return unpack_.version(dllDirectory_, trace_, reporter());
}

void TArchiveBuilder::SetUnpackSwitches(const std::string& archivePath) {
    ExecRecordMemory& memory = *unpack_.record();
    UnpackExecCommon& r = memory.as<UnpackExecCommon>();
    r.ownerWindow = recordAddress(ownerWindow_);
    r.caller = recordAddress(this);
    r.version = kUnpackRecordVersion;
    r.callback = recordAddress(&EngineCallback);
    r.trace = flag(trace_);
    r.codePage = codePage_;
    const bool placeholder = running_ != nullptr && running_->handsPlaceholderPassword();
    r.password = memory.copyPassword(placeholder ? PlaceholderPassword() : password_);
    r.test = flag(extrOptions_.has(ExtrTest));
    r.one40 = 1;
    r.verbose = flag(verbose_ || trace_);
    r.update = flag(extrOptions_.has(ExtrUpdate));
    r.freshen = flag(extrOptions_.has(ExtrFreshen) && !extrOptions_.has(ExtrUpdate));
    r.directories = flag(extrOptions_.has(ExtrDirNames));
    r.overwrite = flag(extrOptions_.has(ExtrOverWrite));
    r.archivePath = memory.copyArchivePath(archivePath);
}

void TArchiveBuilder::SetPackSwitches(const std::string& archivePath) {
    ExecRecordMemory& memory = *pack_.record();
    PackExecCommon& r = memory.as<PackExecCommon>();
    r.ownerWindow = recordAddress(ownerWindow_);
    r.caller = recordAddress(this);
    r.version = kPackRecordVersion;
    r.callback = recordAddress(&EngineCallback);
    r.trace = flag(trace_);
    r.password = memory.copyPassword(password_);
    r.encrypt = flag(addOptions_.has(AddEncrypt));
    r.hiddenFiles = flag(addOptions_.has(AddHiddenFiles));
    r.noDirEntries = flag(!addOptions_.has(AddSeparateDirs));
    r.verbose = flag(verbose_ || trace_);
    r.one56 = 1;
    r.level = static_cast<std::uint32_t>(addCompLevel_);
    r.junkDirNames = flag(!addOptions_.has(AddDirNames));
    r.recurse = static_cast<std::uint16_t>(flag(addOptions_.has(AddRecurseDirs)));
    r.one80 = 1;
    r.forceDos = flag(addOptions_.has(AddForceDOS));
    r.move = flag(addOptions_.has(AddMove));
    r.update = flag(addOptions_.has(AddUpdate));
    r.freshen = flag(addOptions_.has(AddFreshen) && !addOptions_.has(AddUpdate));
    r.zipTime = flag(addOptions_.has(AddZipTime));
    r.archivePath = memory.copyArchivePath(archivePath);
}

void TArchiveBuilder::CallUnpackEngine(const std::string& archivePath) {
    if (!callUnpackEngine(archivePath, processedCount_)) ShowArchiveMessage(kUnpackEngine.abort);
}

bool TArchiveBuilder::callUnpackEngine(const std::string& archivePath, int& processed) {
    // A refusal is the engine's own message, told by callable().
    if (!unpack_.callable(reporter())) return true;
    handlerFailed_ = false;
    const bool called = unpack_.call(
        [&](ExecRecordMemory& memory, bool newer) {
            SetUnpackSwitches(archivePath);
            return storeFilePatterns<UnpackExecRecordNew, UnpackExecRecordOld, UnpackFileSpec>(
                memory, fSpecArgs_, newer);
        },
        processed);
    const bool aborted = !called || std::exchange(handlerFailed_, false);
    fSpecArgs_.clear();
    return !aborted;
}

void TArchiveBuilder::CallPackEngine(const std::string& archivePath, PackCall kind) {
    if (!callPackEngine(archivePath, kind, processedCount_)) ShowArchiveMessage(kPackEngine.abort);
}

bool TArchiveBuilder::callPackEngine(const std::string& archivePath, PackCall kind, int& processed) {
    // A refusal is the engine's own message, told by callable().
    if (!pack_.callable(reporter())) return true;
    handlerFailed_ = false;
    const bool called = pack_.call(
        [&](ExecRecordMemory& memory, bool newer) {
            SetPackSwitches(archivePath);
            if (kind == PackCall::Delete) {
                // Deleting adds nothing: every adding switch off, the delete flag on.
                PackExecCommon& r = memory.as<PackExecCommon>();
                r.deleteEntries = 1;
                r.encrypt = r.junkDirNames = r.one80 = r.move = r.update = r.freshen = 0;
                r.recurse = 0;
            }
            if (!storeFilePatterns<PackExecRecordNew, PackExecRecordOld, PackFileSpec>(memory, fSpecArgs_,
                                                                                       newer))
                return false;
            if (newer && !tempDir_.empty())
                memory.as<PackExecRecordNew>().tempDir = memory.copyTempDir(tempDir_);
            return true;
        },
        processed);
    const bool aborted = !called || std::exchange(handlerFailed_, false);
    fSpecArgs_.clear();
    return !aborted;
}

BOOL __stdcall TArchiveBuilder::EngineCallback(EngineCallbackRecord* record) {
    if (record == nullptr) return TRUE;
    auto* component = recordPointer<TArchiveBuilder>(record->caller);
    // An unknown caller cannot be reported to anyone: ask the engine to stop.
    if (!isLiveComponent(component)) return TRUE;
    // A handler's failure was caught in the handler's own frame (see
    // ArchiveEvent): the engine is told to stop, the call's end reports it.
    return component->onCallback(*record);
}

int TArchiveBuilder::onCallback(const EngineCallbackRecord& record) {
    const std::string text(record.text, strnlen(record.text, kCallbackTextCapacity));
    // The record's sizes are unsigned: 2 GiB and more are no negative sizes.
    const long size = progressSize(record.size);
    switch (record.action) {
        case kActionFileStart:
            if (OnProgress) OnProgress(this, pgFileStart, withBackslashes(text), size);
            break;
        case kActionAdvance:
            if (OnProgress) OnProgress(this, pgAdvance, std::string(), size);
            break;
        case kActionBatchEnd:
            if (OnProgress) OnProgress(this, pgBatchEnd, std::string(), 0);
            break;
        case kActionFileCount:
            if (OnProgress) OnProgress(this, pgFileCount, std::string(), size);
            break;
        case kActionByteCount:
            batchTotalBytes_ = static_cast<int>(size);
            if (OnProgress) OnProgress(this, pgByteCount, std::string(), size);
            break;
        case kActionMessage: {
            std::string message = withBackslashes(text);
            while (!message.empty() && static_cast<unsigned char>(message.back()) <= ' ') message.pop_back();
            // Once the component has asked the engine to stop, what it still
            // reports is the stop itself, not a failed file.
            if (record.errorCode != 0 && !stopRequested()) ++engineErrorCount_;
            if (record.errorCode != 0) {
                lastErrCode_ = static_cast<std::int8_t>(record.errorCode & 0xFF);
                engineErrCode_ = static_cast<int>(record.errorCode);
            }
            lastMessage_ = message;
            if (OnMessage) OnMessage(this, static_cast<int>(record.errorCode), message);
            break;
        }
        default:
            break;
    }
    if (const DWORD now = ::GetTickCount(); now - messagesProcessedAt_ >= messageInterval_) {
        messagesProcessedAt_ = now;
        processMessages();
    }
    return stopRequested() ? 1 : 0;
}

}  // namespace tavrix::archive
