// TArchiveBuilder: the non-visual archive component. It reads ZIP directories
// itself and hands extraction and compression to the engine libraries
// UNPACK32.DLL and PACK32.DLL, which it loads at run time.
//
// Every public operation reports through the message catalogue (a box unless
// Unattended, always OnMessage) and the result members; none raises. The
// component is a facade: each operation (listing, extraction, add and
// delete, joining and cutting a spanned set) makes an object of its own
// (Operation.h) that holds that call's state and ends in one
// OperationResult, which only the component reports. It is built without
// exceptions: inside an operation, the first failure is kept (failed()) and
// the work stops at the next check, the steps that read, write or ask
// becoming no-ops once it is there.
#pragma once

#include "archive/ArchiveMessages.h"
#include "archive/ArchiveTypes.h"
#include "archive/DirectoryReader.h"
#include "archive/DiskSpan.h"
#include "archive/EngineContract.h"
#include "archive/EngineLibrary.h"
#include "archive/ExecRecord.h"
#include "archive/Operation.h"
#include "archive/ZipDirEntry.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tavrix::archive {

class TArchiveBuilder;

// Marks the operation running on `sender` as failed by a handler: it stops
// the engine and ends as the engine's abort.
void noteHandlerFailure(TArchiveBuilder* sender) noexcept;

// An event: a bound handler, the component first. A handler built with
// exceptions that lets one out has it caught here, in the handler's own
// code (this constructor is compiled with the program's): nothing unwinds
// through the component, which then ends its operation as failed. A
// program built without exceptions pays nothing for it.
template <typename... Args>
class ArchiveEvent {
public:
    using Handler = std::function<void(TArchiveBuilder*, Args...)>;

    ArchiveEvent() = default;
    ArchiveEvent(std::nullptr_t) {}
    template <typename F, typename = std::enable_if_t<std::is_invocable_v<F&, TArchiveBuilder*, Args...> &&
                                                      !std::is_same_v<std::decay_t<F>, ArchiveEvent>>>
    ArchiveEvent(F handler) : call_(guarded(std::move(handler))) {}

    explicit operator bool() const { return static_cast<bool>(call_); }
    void operator()(TArchiveBuilder* sender, Args... args) const { call_(sender, args...); }

private:
    template <typename F>
    static Handler guarded(F handler) {
#if defined(__cpp_exceptions)
        return [handler = std::move(handler)](TArchiveBuilder* sender, Args... args) mutable {
            try {
                handler(sender, args...);
            } catch (...) {
                noteHandlerFailure(sender);
            }
        };
#else
        return handler;
#endif
    }

    Handler call_;
};

using ProgressEvent = ArchiveEvent<ProgressType, const std::string&, long>;
using MessageEvent = ArchiveEvent<int, const std::string&>;
using NotifyEvent = ArchiveEvent<>;

// Binds a method of a window (or any object) as an event handler:
//   builder.OnProgress = BindEvent(&TForm6::ArchiveBuilder1Progress, this);
template <typename Object, typename... Args>
auto BindEvent(void (Object::*method)(TArchiveBuilder*, Args...), Object* object) {
    return [object, method](TArchiveBuilder* sender, Args... args) { (object->*method)(sender, args...); };
}

// What an unattended Extract hands the engine when encrypted entries may be
// met and no Password is set: nobody can be asked, and a password that opens
// nothing makes the engine skip those entries instead of asking. 79 times one
// character, made when needed.
std::string PlaceholderPassword();

// Whether a path ends in ".exe", in any case.
bool hasExeExtension(const std::string& path);

class TArchiveBuilder {
public:
    static constexpr const char* kVersionInfo = "1.52 M";

    // `applicationWindow` is the program's top-level window: handed to the
    // engines and the owner of the component's message boxes.
    explicit TArchiveBuilder(HWND applicationWindow = nullptr);
    ~TArchiveBuilder();
    TArchiveBuilder(const TArchiveBuilder&) = delete;
    TArchiveBuilder& operator=(const TArchiveBuilder&) = delete;

    // ---- Published properties (defaults are set by the constructor) ----
    bool Verbose() const { return verbose_; }
    void SetVerbose(bool v) { verbose_ = v; }
    bool Trace() const { return trace_; }
    void SetTrace(bool v) { trace_ = v; }
    int AddCompLevel() const { return addCompLevel_; }
    void SetAddCompLevel(int v) { addCompLevel_ = v; }
    AddOpts AddOptions() const { return addOptions_; }
    void SetAddOptions(AddOpts v) { addOptions_ = v; }
    ExtrOpts ExtrOptions() const { return extrOptions_; }
    void SetExtrOptions(ExtrOpts v) { extrOptions_ = v; }
    SFXOpts SFXOptions() const { return sfxOptions_; }
    void SetSFXOptions(SFXOpts v) { sfxOptions_ = v; }
    const std::string& ExtrBaseDir() const { return extrBaseDir_; }
    void SetExtrBaseDir(const std::string& v) { extrBaseDir_ = v; }
    // The component owns the list; assigning copies the strings.
    std::vector<std::string>& FSpecArgs() { return fSpecArgs_; }
    const std::vector<std::string>& FSpecArgs() const { return fSpecArgs_; }
    void SetFSpecArgs(const std::vector<std::string>& v) { fSpecArgs_ = v; }
    const std::string& ZipFileName() const { return zipFileName_; }
    void SetZipFileName(const std::string& v);  // lists the archive at once
    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& v) { password_ = v; }
    const std::string& SFXPath() const { return sfxPath_; }
    void SetSFXPath(const std::string& v) { sfxPath_ = v; }
    const std::string& DLLDirectory() const { return dllDirectory_; }
    void SetDLLDirectory(const std::string& v);  // drops one trailing backslash
    OvrOpts SFXOverWriteMode() const { return sfxOverWriteMode_; }
    void SetSFXOverWriteMode(OvrOpts v) { sfxOverWriteMode_ = v; }
    const std::string& SFXCaption() const { return sfxCaption_; }
    void SetSFXCaption(const std::string& v) { sfxCaption_ = v; }
    const std::string& SFXDefaultDir() const { return sfxDefaultDir_; }
    void SetSFXDefaultDir(const std::string& v) { sfxDefaultDir_ = v; }
    const std::string& SFXCommandLine() const { return sfxCommandLine_; }
    void SetSFXCommandLine(const std::string& v) { sfxCommandLine_ = v; }
    const std::string& TempDir() const { return tempDir_; }
    void SetTempDir(const std::string& v) { tempDir_ = v; }
    long KeepFreeOnDisk1() const { return keepFreeOnDisk1_; }
    void SetKeepFreeOnDisk1(long v);  // negative values are ignored
    long MaxVolumeSize() const { return maxVolumeSize_; }
    void SetMaxVolumeSize(long v);  // negative values are ignored
    long MinFreeVolumeSize() const { return minFreeVolumeSize_; }
    void SetMinFreeVolumeSize(long v);  // 0 or less is ignored
    bool ConfirmErase() const { return confirmErase_; }
    void SetConfirmErase(bool v) { confirmErase_ = v; }
    bool Unattended() const { return unattended_; }
    void SetUnattended(bool v) { unattended_ = v; }
    CPOpts CodePage() const { return codePage_; }
    void SetCodePage(CPOpts v) { codePage_ = v; }
    DeleteOpts HowToDelete() const { return howToDelete_; }
    void SetHowToDelete(DeleteOpts v) { howToDelete_ = v; }
    std::string VersionInfo() const { return kVersionInfo; }
    void SetVersionInfo(const std::string&) {}  // always reads "1.52 M"

    // ---- Published events ----
    ProgressEvent OnProgress;
    MessageEvent OnMessage;
    NotifyEvent OnDirUpdate;  // after a listing

    // ---- Run-time members ----
    int Count() const;
    std::string ZipComment() const;  // converted like the names
    int PackVers() { return GetPackVers(); }
    int UnpackVers() { return GetUnpackVers(); }
    const std::vector<ZipDirEntry>& DirEntries() const { return dirEntries_; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    int LastErrCode() const { return lastErrCode_; }
    void SetLastErrCode(int v) { lastErrCode_ = v; }
    const std::string& LastMessage() const { return lastMessage_; }
    void SetLastMessage(const std::string& v) { lastMessage_ = v; }
    int EngineErrCode() const { return engineErrCode_; }
    // Engine messages with an error code (a damaged entry, a refused name, a
    // file that could not be written...) during the last Extract, up to the
    // moment the component asked the engine to stop: what a program tells
    // its user when a batch ended with failures. LastMessage and LastErrCode
    // then hold the last of them (unless a component message came later).
    int EngineErrorCount() const { return engineErrorCount_; }
    int ProcessedCount() const { return processedCount_; }
    void SetProcessedCount(int v) { processedCount_ = v; }
    // Set by the operations for the length of their engine call.
    bool PackEngineBusy() const { return pack_.busy(); }
    void SetPackEngineBusy(bool v) { pack_.setBusy(v); }
    bool UnpackEngineBusy() const { return unpack_.busy(); }
    void SetUnpackEngineBusy(bool v) { unpack_.setBusy(v); }
    int BatchTotalBytes() const { return batchTotalBytes_; }
    // An engine's callback processes the message queue when this many
    // milliseconds have passed since one last did; 0 (the default): on every
    // callback. Under Wine even an empty queue costs a round trip to its
    // server, more than many a chunk of extraction.
    unsigned MessageInterval() const { return messageInterval_; }
    void SetMessageInterval(unsigned ms) { messageInterval_ = ms; }
    HWND OwnerWindow() const { return ownerWindow_; }
    bool Designing() const { return designing_; }  // no design-time environment here: always false

    HMODULE PackDllHandle() const { return pack_.module(); }
    HMODULE UnpackDllHandle() const { return unpack_.module(); }
    EngineExecProc PackExec() const { return pack_.exec(); }
    EngineVersionProc GetPackVersion() const { return pack_.versionEntry(); }
    EngineExecProc UnpackExec() const { return unpack_.exec(); }
    EngineVersionProc GetUnpackVersion() const { return unpack_.versionEntry(); }
    ExecRecordMemory* PackExecRecord() const { return pack_.record(); }
    ExecRecordMemory* UnpackExecRecord() const { return unpack_.record(); }

    // Members a listing sets.
    std::uint64_t EndOfCentralOffset() const { return endOfCentralOffset_; }
    std::uint64_t ArchiveFileSize() const { return archiveFileSize_; }
    std::uint64_t ArchiveEnd() const { return archiveEnd_; }
    std::uint64_t CentralDirOffset() const { return centralDirOffset_; }
    std::int64_t ArchiveDataStart() const { return archiveDataStart_; }
    int LastDiskNumber() const { return lastDiskNumber_; }
    bool SpannedArchive() const { return spannedArchive_; }
    bool StructureWarning() const { return structureWarning_; }
    // While a spanning call runs: those of the drive it uses.
    const std::string& VolumeLabel() const;
    const std::string& DriveRoot() const;

    // ---- Engines ----
    void Load_Pack_Dll();
    void Load_Unpack_Dll();
    void Unload_Pack_Dll();
    void Unload_Unpack_Dll();
    int GetPackVers();  // 0 when the engine cannot be loaded
    int GetUnpackVers();

    // One synchronous call of a loaded engine with the record built from the
    // properties, `archivePath` and FSpecArgs (the core of Extract, Add and
    // Delete). Sets ProcessedCount; clears FSpecArgs. Refuses (with the
    // engine's message) when the engine or one of its entry points is
    // missing; a failure during the call is reported as 10501 or 10101.
    enum class PackCall { Add, Delete };
    void CallUnpackEngine(const std::string& archivePath);
    void CallPackEngine(const std::string& archivePath, PackCall kind);

    // Fill the common part of the running call's record from the properties.
    void SetUnpackSwitches(const std::string& archivePath);
    void SetPackSwitches(const std::string& archivePath);

    // The address every exec record carries: turns callback records into
    // events. Returns nonzero to ask the engine to stop.
    static BOOL __stdcall EngineCallback(EngineCallbackRecord* record);

    // ---- Operations ----
    // Extracts the entries FSpecArgs names (all of them when it is empty)
    // from ZipFileName, relative to ExtrBaseDir when that names an existing
    // folder (else the current directory). Loads the extraction engine for
    // the call when the program has not, and unloads it again. Returns at
    // once when an extraction is already running. Result: ProcessedCount,
    // EngineErrorCount, LastErrCode, LastMessage; never raises.
    void Extract();
    // Adds the files FSpecArgs names to ZipFileName (made when missing), as
    // AddOptions, AddCompLevel, Password and TempDir say; Delete removes the
    // entries FSpecArgs names. Both load the compression engine for the call
    // when the program has not, return at once while one of them runs, and
    // list the archive again when the engine processed anything. Result:
    // ProcessedCount, LastErrCode, LastMessage; never raise.
    void Add();
    void Delete();

    // ---- Password prompts ----
    // One box captioned "Password": kind 1 "Enter Password", kind 2 "Enter
    // Password for New Archive", kind 0 "Confirm Password". Cancel, an empty
    // answer and one over 80 characters all give "".
    static constexpr int kConfirmPassword = 0;
    static constexpr int kExtractPassword = 1;
    static constexpr int kNewArchivePassword = 2;
    std::string GetPassword(int kind);
    void GetAddPassword();   // asks twice; Password only when both agree
    void GetExtrPassword();  // asks once

    // ---- Self-extracting archives (SfxConversionOperation) ----
    // Results: 0, or kConvert* below. `createNew`: stub, settings block and
    // an empty archive under ZipFileName itself, for Add to add to.
    int ConvertSFX(bool createNew = false);
    int ConvertZIP();
    // `length` bytes from `from` to `to` (-1: to the end of `from`): 0 or -2.
    int CopyBuffer(HANDLE from, HANDLE to, std::int64_t length);
    // The central directory `end` describes, read from `in` at its position,
    // written with `shift` added to every local-header offset and to the
    // directory offset; then the end record and the comment. 0 or -2.
    int RWCentralDir(HANDLE in, HANDLE out, const ZipEndOfCentral& end, std::int64_t shift);
    // Deletes through the shell, silently; to the recycle bin with
    // htdAllowUndo. The shell's result, or -1 when there is no such file.
    int EraseFile(const std::string& name, DeleteOpts how);
    // Copies a file and its date: 0, or kCopy* below.
    int CopyFileA(const std::string& source, const std::string& destination);

    // ---- Directory ----
    void List();
    void ConvertOem2Iso(char* text) const;  // NUL-terminated, in place
    void FreeZipDirEntryRecords();
    // Finds the end record of the archive being read and leaves the file open.
    bool CheckIfLastDisk(ZipEndOfCentral& end, bool raiseErrors);
    bool IsDiskPresent();

    // ---- Messages ----
    void ShowArchiveMessage(int id, const std::string& userText = {});
    void ShowExceptionError(const EArchiveBuilder& error);

    // The running operation's first failure, which its end reports. The
    // members below that read, write or ask for disks do nothing once it is
    // there; fail() keeps an earlier one and gives false. Without a running
    // operation there is none to keep.
    bool failed() const { return running_ != nullptr && running_->failed(); }
    bool fail(EArchiveBuilder error) { return running_ != nullptr && running_->fail(std::move(error)); }

    // ---- Spanned sets (volumes on removable disks, or numbered files) ----
    // Cuts the single archive `inFileName` into volumes named after
    // `outFileName`. 0, or -7 (a component error was reported), -9 (a
    // handler failed); -8 (no memory) is not given by this build, where
    // memory that runs out ends the program. A failed or cancelled call deletes the
    // volume it was writing; CompleteVolumes() names those fully written.
    int WriteSpan(const std::string& inFileName, const std::string& outFileName);
    // Joins the set whose volume `inFileName` names into one archive; an
    // `outFileName` ending in '\' names a folder for a temporary name. Gives
    // back the joined archive's name, or "" (and no file) after a failure.
    int ReadSpan(const std::string& inFileName, std::string& outFileName);
    const std::vector<std::string>& CompleteVolumes() const { return completeVolumes_; }
    bool Joining() const;     // a ReadSpan is running
    int CurrentDisk() const;  // of the running spanning call or listing; 0 without one

    // The members below act on the running WriteSpan or ReadSpan (or
    // listing, for the drive's): without one they do nothing, or look at the
    // drive of the last listing.
    void WriteSplit(const void* data, std::size_t length, std::uint64_t need);
    void RWSplitData(std::uint64_t length, int errorId);
    void WriteJoin(const void* data, std::size_t length, int errorId);
    void RWJoinData(std::uint64_t length, int errorId);
    UINT CheckForDisk();
    bool IsRightDisk(UINT driveType);
    void GetNewDisk(int volume);
    void DiskFreeAndSize(int which);
    int FormatDisk();  // the shell's result: -1 failed, -2 cancelled, -3 nothing formatted
    void AllocSpanMem(std::size_t count);
    void DeleteSpanMem();
    // The entry's index; SpanEntries().size() when there is none (a failure).
    std::size_t FindZipEntry(std::string_view name);
    const std::vector<SpanEntry>& SpanEntries() const;

private:
    // The operations that run on the component's properties and engines.
    friend class Operation;
    friend class ExtractOperation;
    friend class PackOperation;
    friend class SfxConversionOperation;
    friend class EngineUse;
    // CallUnpackEngine and CallPackEngine with the count going to `processed`
    // and the engine's abort (a failed call, or a handler that failed during
    // it) given back as false, for the operation to report.
    bool callUnpackEngine(const std::string& archivePath, int& processed);
    bool callPackEngine(const std::string& archivePath, PackCall kind, int& processed);
    EngineLibrary::Report reporter();
    int onCallback(const EngineCallbackRecord& record);
    // Cancel, or a handler failed inside a callback: the engine is to stop.
    bool stopRequested() const { return cancel_ || handlerFailed_; }
    friend void noteHandlerFailure(TArchiveBuilder* sender) noexcept;
    void showBox(const std::string& text);
    void adoptListing(DirectoryListing& listing);
    // A call's end as the program sees it, for a failure: the box (unless
    // Unattended), OnMessage and LastErrCode/LastMessage, with the message
    // `handlerFailureId` when an event handler failed. Nothing after a success.
    void report(const OperationResult& result, int handlerFailureId);
    // The failure alone: a call whose handler failures were told where they
    // happened (an engine's, as its abort) or do not end it.
    void reportFailure(const OperationResult& result);
    // The end of an Extract, Add or Delete: its failure and ProcessedCount.
    void reportEngineCall(const OperationResult& result);
    // The running call's drive and spanning state, when it has them.
    VolumeDrive* runningDrive() const { return running_ != nullptr ? running_->drive() : nullptr; }
    SpanOperation* runningSpan() const { return running_ != nullptr ? running_->spanning() : nullptr; }
    // Shows why a spanning routine failed, with the volumes a writing one
    // completed, and ends the batch for a progress display.
    void reportSpanFailure(const OperationResult& result, bool writing);

    HWND ownerWindow_;
    bool designing_ = false;

    bool verbose_ = false;
    bool trace_ = false;
    int addCompLevel_ = 9;
    AddOpts addOptions_;
    ExtrOpts extrOptions_;
    SFXOpts sfxOptions_{SFXCheckSize};
    std::string extrBaseDir_;
    std::vector<std::string> fSpecArgs_;
    std::string zipFileName_;
    std::string password_;
    std::string sfxPath_;
    std::string dllDirectory_;
    OvrOpts sfxOverWriteMode_ = OvrConfirm;
    std::string sfxCaption_ = "Self-extracting Archive";
    std::string sfxDefaultDir_;
    std::string sfxCommandLine_;
    std::string tempDir_;
    long keepFreeOnDisk1_ = 0;
    long maxVolumeSize_ = 0;
    long minFreeVolumeSize_ = 65536;
    bool confirmErase_ = true;
    bool unattended_ = false;
    CPOpts codePage_ = cpAUTO;
    DeleteOpts howToDelete_ = htdAllowUndo;

    bool cancel_ = false;
    int lastErrCode_ = 0;
    std::string lastMessage_;
    int engineErrCode_ = 0;
    int processedCount_ = 0;
    int batchTotalBytes_ = 0;
    int engineErrorCount_ = 0;
    unsigned messageInterval_ = 0;
    DWORD messagesProcessedAt_ = 0;  // tick count
    EngineLibrary pack_{kPackEngine};
    EngineLibrary unpack_{kUnpackEngine};
    bool handlerFailed_ = false;    // a handler let an exception out
    Operation* running_ = nullptr;  // the innermost call running now

    // What the last listing found.
    std::vector<ZipDirEntry> dirEntries_;
    std::string zipComment_;  // raw; converted when read
    std::uint64_t endOfCentralOffset_ = 0;
    std::uint64_t archiveFileSize_ = 0;
    std::uint64_t archiveEnd_ = 0;
    std::uint64_t centralDirOffset_ = 0;
    std::int64_t archiveDataStart_ = 0;
    int lastDiskNumber_ = 0;
    bool spannedArchive_ = false;
    bool structureWarning_ = false;
    std::uint8_t hostSystem_ = 0;
    std::uint8_t hostVersion_ = 0;
    std::string volumeLabel_;
    std::string driveRoot_;

    std::vector<std::string> completeVolumes_;  // of the last WriteSpan
};

}  // namespace tavrix::archive
