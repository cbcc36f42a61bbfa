// Loading the engine libraries, building their exec records and turning
// their callbacks into the component's events.
#include "ArchiveBuilder.h"

#include "LiveComponents.h"
#include "MessageIds.h"
#include "Win32Support.h"

#include <cstring>
#include <stdexcept>

namespace tavrix::archive {

struct EngineNames {
    const char* file;
    const char* execExport;
    const char* versionExport;
    int loaded;
    int execMissing;
    int versionMissing;
    int notFound;
    int abort;
};

namespace {

constexpr EngineNames kUnpackNames{"UNPACK32.DLL",      "UnpackExec",           "GetUnpackVersion",
                                   msg::UnpackLoaded,   msg::UnpackExecMissing, msg::UnpackVersionMissing,
                                   msg::UnpackNotFound, msg::UnpackAbort};
constexpr EngineNames kPackNames{"PACK32.DLL",      "PackExec",           "GetPackVersion",
                                 msg::PackLoaded,   msg::PackExecMissing, msg::PackVersionMissing,
                                 msg::PackNotFound, msg::PackAbort};

std::uint32_t flag(bool on) {
    return on ? 1u : 0u;
}

// Engine texts use '/' between folders; the component shows '\'.
std::string withBackslashes(std::string text) {
    for (char& ch : text)
        if (ch == '/') ch = '\\';
    return text;
}

// Clears a pointer member when the scope ends, whatever happens.
template <typename T>
class ClearOnExit {
public:
    explicit ClearOnExit(T*& slot) : slot_(slot) {}
    ~ClearOnExit() { slot_ = nullptr; }
    ClearOnExit(const ClearOnExit&) = delete;
    ClearOnExit& operator=(const ClearOnExit&) = delete;

private:
    T*& slot_;
};

}  // namespace

void TArchiveBuilder::loadEngine(Engine& engine, const EngineNames& names) {
    ErrorModeScope quiet(kQuietErrorMode);
    std::string path = names.file;
    if (!dllDirectory_.empty() && win32::fileExists(dllDirectory_ + "\\" + names.file))
        path = dllDirectory_ + "\\" + names.file;

    engine.module.reset(::LoadLibraryA(path.c_str()));
    engine.unloadWhenIdle = false;
    engine.exec = nullptr;
    engine.version = nullptr;
    if (!engine.module) {
        ShowArchiveMessage(names.notFound);
        return;
    }
    if (trace_) ShowArchiveMessage(names.loaded);
    engine.exec = reinterpret_cast<EngineExecProc>(
        reinterpret_cast<void*>(::GetProcAddress(engine.module.get(), names.execExport)));
    if (engine.exec == nullptr) ShowArchiveMessage(names.execMissing);
    engine.version = reinterpret_cast<EngineVersionProc>(
        reinterpret_cast<void*>(::GetProcAddress(engine.module.get(), names.versionExport)));
    if (engine.version == nullptr) ShowArchiveMessage(names.versionMissing);
}

void TArchiveBuilder::unloadEngine(Engine& engine) {
    // While its call runs the library's code is on the stack (a handler may
    // ask from inside a callback): the operation unloads it when the call is
    // over.
    if (engine.busy) {
        engine.unloadWhenIdle = static_cast<bool>(engine.module);
        return;
    }
    engine.unloadWhenIdle = false;
    engine.exec = nullptr;
    engine.version = nullptr;
    engine.module.reset();
}

void TArchiveBuilder::Load_Pack_Dll() {
    loadEngine(pack_, kPackNames);
}
void TArchiveBuilder::Load_Unpack_Dll() {
    loadEngine(unpack_, kUnpackNames);
}
void TArchiveBuilder::Unload_Pack_Dll() {
    unloadEngine(pack_);
}
void TArchiveBuilder::Unload_Unpack_Dll() {
    unloadEngine(unpack_);
}

// A library without its version export is never asked: its loading already
// said so, and the answer is 0 as for a library that is not there.
int TArchiveBuilder::engineVersion(Engine& engine, const EngineNames& names) {
    const bool loadedHere = !engine.module;
    if (loadedHere) loadEngine(engine, names);
    int version = engine.version != nullptr ? engine.version() : 0;
    if (loadedHere) unloadEngine(engine);
    return version;
}

int TArchiveBuilder::GetPackVers() {
    return engineVersion(pack_, kPackNames);
}
int TArchiveBuilder::GetUnpackVers() {
    return engineVersion(unpack_, kUnpackNames);
}

// A call needs both entry points: without the version the record's layout is
// unknown, and a missing exec entry point is never called. The refusal
// repeats the message the loading gave.
bool TArchiveBuilder::engineCallable(const Engine& engine, const EngineNames& names) {
    if (!engine.module) {
        ShowArchiveMessage(names.notFound);
        return false;
    }
    if (engine.exec == nullptr) {
        ShowArchiveMessage(names.execMissing);
        return false;
    }
    if (engine.version == nullptr) {
        ShowArchiveMessage(names.versionMissing);
        return false;
    }
    return true;
}

void TArchiveBuilder::SetUnpackSwitches(const std::string& archivePath) {
    ExecRecordMemory& memory = *unpack_.record;
    UnpackExecCommon& r = memory.as<UnpackExecCommon>();
    r.ownerWindow = recordAddress(ownerWindow_);
    r.caller = recordAddress(this);
    r.version = kUnpackRecordVersion;
    r.callback = recordAddress(&EngineCallback);
    r.trace = flag(trace_);
    r.codePage = codePage_;
    r.password = memory.copyPassword(placeholderPassword_ ? PlaceholderPassword() : password_);
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
    ExecRecordMemory& memory = *pack_.record;
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

// The specifications, each in a copy of its own, in list order: inline in the
// older layout, as an array of entries in the newer one.
template <typename NewRecord, typename OldRecord, typename Entry>
void TArchiveBuilder::storeSpecs(ExecRecordMemory& memory, bool newer) {
    if (!newer && fSpecArgs_.size() > kOldLayoutMaxSpecs)
        throw std::length_error("more file specifications than the older record holds");
    if (newer) {
        NewRecord& r = memory.as<NewRecord>();
        r.common.specCount = static_cast<std::uint32_t>(fSpecArgs_.size());
        if (!fSpecArgs_.empty()) {
            auto* entries =
                reinterpret_cast<Entry*>(memory.allocateEntries(fSpecArgs_.size(), sizeof(Entry)));
            for (std::size_t i = 0; i < fSpecArgs_.size(); ++i)
                entries[i].spec = memory.copySpec(fSpecArgs_[i]);
            r.specs = recordAddress(entries);
        }
        r.marker = kRecordMarker;
    } else {
        OldRecord& r = memory.as<OldRecord>();
        r.common.specCount = static_cast<std::uint32_t>(fSpecArgs_.size());
        for (std::size_t i = 0; i < fSpecArgs_.size(); ++i) r.specs[i] = memory.copySpec(fSpecArgs_[i]);
        r.marker = kRecordMarker;
    }
}

void TArchiveBuilder::CallUnpackEngine(const std::string& archivePath) {
    if (!engineCallable(unpack_, kUnpackNames)) return;
    try {
        const bool newer = unpack_.version() > kUnpackNewLayoutAbove;
        ExecRecordMemory memory(newer ? sizeof(UnpackExecRecordNew) : sizeof(UnpackExecRecordOld));
        unpack_.record = &memory;
        ClearOnExit<ExecRecordMemory> clearRecord(unpack_.record);
        SetUnpackSwitches(archivePath);
        storeSpecs<UnpackExecRecordNew, UnpackExecRecordOld, UnpackFileSpec>(memory, newer);
        processedCount_ = unpack_.exec(memory.record());
        if (handlerFailure_) std::rethrow_exception(std::exchange(handlerFailure_, nullptr));
    } catch (...) {
        ShowArchiveMessage(kUnpackNames.abort);
    }
    fSpecArgs_.clear();
}

void TArchiveBuilder::CallPackEngine(const std::string& archivePath, PackCall kind) {
    if (!engineCallable(pack_, kPackNames)) return;
    try {
        const bool newer = pack_.version() > kPackNewLayoutAbove;
        ExecRecordMemory memory(newer ? sizeof(PackExecRecordNew) : sizeof(PackExecRecordOld));
        pack_.record = &memory;
        ClearOnExit<ExecRecordMemory> clearRecord(pack_.record);
        SetPackSwitches(archivePath);
        if (kind == PackCall::Delete) {
            // Deleting adds nothing: every adding switch off, the delete flag on.
            PackExecCommon& r = memory.as<PackExecCommon>();
            r.deleteEntries = 1;
            r.encrypt = r.junkDirNames = r.one80 = r.move = r.update = r.freshen = 0;
            r.recurse = 0;
        }
        storeSpecs<PackExecRecordNew, PackExecRecordOld, PackFileSpec>(memory, newer);
        if (newer && !tempDir_.empty()) memory.as<PackExecRecordNew>().tempDir = memory.copyTempDir(tempDir_);
        processedCount_ = pack_.exec(memory.record());
        if (handlerFailure_) std::rethrow_exception(std::exchange(handlerFailure_, nullptr));
    } catch (...) {
        ShowArchiveMessage(kPackNames.abort);
    }
    fSpecArgs_.clear();
}

BOOL __stdcall TArchiveBuilder::EngineCallback(EngineCallbackRecord* record) {
    if (record == nullptr) return TRUE;
    auto* component = recordPointer<TArchiveBuilder>(record->caller);
    // An unknown caller cannot be reported to anyone: ask the engine to stop.
    if (!IsLiveComponent(component)) return TRUE;
    try {
        return component->onCallback(*record);
    } catch (...) {
        // Nothing may unwind through the engine's frames: keep the handler's
        // failure for the end of the call and stop the engine.
        component->handlerFailure_ = std::current_exception();
        return TRUE;
    }
}

int TArchiveBuilder::onCallback(const EngineCallbackRecord& record) {
    const std::string text(record.text, strnlen(record.text, kCallbackTextCapacity));
    const long size = static_cast<long>(static_cast<std::int32_t>(record.size));
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
    ProcessMessages();
    return stopRequested() ? 1 : 0;
}

}  // namespace tavrix::archive
