#include "archive/EngineLibrary.h"

#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/support/ScopeExit.h"

namespace tavrix::archive {

const EngineNames kUnpackEngine{"UNPACK32.DLL",
                                "UnpackExec",
                                "GetUnpackVersion",
                                kUnpackNewLayoutAbove,
                                sizeof(UnpackExecRecordNew),
                                sizeof(UnpackExecRecordOld),
                                msg::UnpackLoaded,
                                msg::UnpackExecMissing,
                                msg::UnpackVersionMissing,
                                msg::UnpackNotFound,
                                msg::UnpackAbort};
const EngineNames kPackEngine{"PACK32.DLL",
                              "PackExec",
                              "GetPackVersion",
                              kPackNewLayoutAbove,
                              sizeof(PackExecRecordNew),
                              sizeof(PackExecRecordOld),
                              msg::PackLoaded,
                              msg::PackExecMissing,
                              msg::PackVersionMissing,
                              msg::PackNotFound,
                              msg::PackAbort};

namespace {

template <typename Function>
Function entryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

void EngineLibrary::load(const std::string& directory, bool trace, const Report& report) {
    // Asked from an event handler while this engine runs: the library in
    // use stays (another one in its place would free the code on the stack).
    if (busy_) return;
    ErrorModeScope quiet(kQuietErrorMode);
    std::string path = names_.file;
    if (!directory.empty() && win32::fileExists(directory + "\\" + names_.file))
        path = directory + "\\" + names_.file;

    module_.reset(::LoadLibraryA(path.c_str()));
    unloadWhenIdle_ = false;
    exec_ = nullptr;
    version_ = nullptr;
    if (!module_) {
        report(names_.notFound);
        return;
    }
    if (trace) report(names_.loaded);
    exec_ = entryPoint<contract::EngineExecProc>(module_.get(), names_.execExport);
    if (exec_ == nullptr) report(names_.execMissing);
    version_ = entryPoint<contract::EngineVersionProc>(module_.get(), names_.versionExport);
    if (version_ == nullptr) report(names_.versionMissing);
}

void EngineLibrary::unload() {
    if (busy_) {
        unloadWhenIdle_ = static_cast<bool>(module_);
        return;
    }
    unloadWhenIdle_ = false;
    exec_ = nullptr;
    version_ = nullptr;
    module_.reset();
}

// A library without its version export is never asked: its loading already
// said so, and the answer is 0 as for a library that is not there.
int EngineLibrary::version(const std::string& directory, bool trace, const Report& report) {
    const bool loadedHere = !module_;
    if (loadedHere) load(directory, trace, report);
    const int answer = version_ != nullptr ? version_() : 0;
    if (loadedHere) unload();
    return answer;
}

bool EngineLibrary::callable(const Report& report) const {
    if (!module_) {
        report(names_.notFound);
        return false;
    }
    if (exec_ == nullptr) {
        report(names_.execMissing);
        return false;
    }
    if (version_ == nullptr) {
        report(names_.versionMissing);
        return false;
    }
    return true;
}

bool EngineLibrary::call(const RecordFiller& fill, int& result) {
    const bool newer = version_() > names_.newLayoutAbove;
    ExecRecordMemory memory(newer ? names_.newRecordSize : names_.oldRecordSize);
    record_ = &memory;
    ScopeExit forgetRecord([this] { record_ = nullptr; });
    if (!fill(memory, newer)) return false;
    result = exec_(memory.record());
    return true;
}

}  // namespace tavrix::archive
