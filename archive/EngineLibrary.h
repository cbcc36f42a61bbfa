// One engine library as the component drives it: the module and its two entry
// points, the flags of a running call, the record layout its version selects,
// and the call itself with the record's memory.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

#include "archive/EngineContract.h"
#include "archive/ExecRecord.h"
#include "common/win32/UniqueHandle.h"

namespace tavrix::archive {

// An engine's file, exports, layouts and the messages about it.
struct EngineNames {
    const char* file;
    const char* execExport;
    const char* versionExport;
    int newLayoutAbove;  // versions above it take the newer record
    std::size_t newRecordSize;
    std::size_t oldRecordSize;
    int loaded;
    int execMissing;
    int versionMissing;
    int notFound;
    int abort;
};

extern const EngineNames kUnpackEngine;
extern const EngineNames kPackEngine;

class EngineLibrary {
public:
    // How the library tells the component's user what happened (a message id).
    using Report = std::function<void(int id)>;
    // Fills the record of one call; `newer` names its layout. False: the
    // record cannot say what the call is to do.
    using RecordFiller = std::function<bool(ExecRecordMemory& memory, bool newer)>;

    explicit EngineLibrary(const EngineNames& names) : names_(names) {}
    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

    const EngineNames& names() const { return names_; }

    // From `directory` when it holds the library, else by bare name. Reports
    // a missing library or entry point; with `trace`, the loading too.
    void load(const std::string& directory, bool trace, const Report& report);
    // At once, or when the running call is over: while it runs, the library's
    // code is on the stack (a handler may ask from inside a callback).
    void unload();
    // The library's version, loaded for the question alone when it is not
    // loaded; 0 when it cannot be asked.
    int version(const std::string& directory, bool trace, const Report& report);
    // A call needs both entry points: without the version the record's layout
    // is unknown, and a missing exec entry point is never called. The refusal
    // repeats the message the loading gave.
    bool callable(const Report& report) const;
    // One synchronous call with a record `fill` writes, the engine's result
    // in `result`; the record and its string copies live for the call alone.
    // False, and no call, when `fill` failed. Needs callable().
    bool call(const RecordFiller& fill, int& result);

    bool loaded() const { return static_cast<bool>(module_); }
    bool entryPointsFound() const { return exec_ != nullptr && version_ != nullptr; }
    HMODULE module() const { return module_.get(); }
    contract::EngineExecProc exec() const { return exec_; }
    contract::EngineVersionProc versionEntry() const { return version_; }
    ExecRecordMemory* record() const { return record_; }
    bool busy() const { return busy_; }
    void setBusy(bool busy) { busy_ = busy; }
    bool unloadWhenIdle() const { return unloadWhenIdle_; }

private:
    const EngineNames& names_;
    win32::UniqueModule module_;
    contract::EngineExecProc exec_ = nullptr;
    contract::EngineVersionProc version_ = nullptr;
    bool busy_ = false;
    ExecRecordMemory* record_ = nullptr;  // the running call's record
    bool unloadWhenIdle_ = false;         // asked while its call ran
};

}  // namespace tavrix::archive
