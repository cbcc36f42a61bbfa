// The component against test engines of our own: loading, the version query,
// both record layouts of both engines byte by byte, the string copies, and
// the callback's events.
#include "archive/MessageIds.h"
#include "tests/archive/ComponentTestSupport.h"

#include <cstring>

#include "tests/archive/HeapBlocks.h"

namespace tavrix::archive {
namespace {

using namespace testing;

// Fields are found through the declared records: their 32-bit offsets are
// pinned where they are declared, and a 64-bit build has wider addresses.
template <typename T>
T valueAt(const EngineObservation& seen, std::size_t offset) {
    T v;
    std::memcpy(&v, seen.record + offset, sizeof v);
    return v;
}
std::uint32_t u32At(const EngineObservation& seen, std::size_t offset) {
    return valueAt<std::uint32_t>(seen, offset);
}
std::uint16_t u16At(const EngineObservation& seen, std::size_t offset) {
    return valueAt<std::uint16_t>(seen, offset);
}
RecordAddress addressAt(const EngineObservation& seen, std::size_t offset) {
    return valueAt<RecordAddress>(seen, offset);
}
constexpr std::size_t kAddressSize = sizeof(RecordAddress);
#define UNPACK_AT(field) offsetof(UnpackExecCommon, field)
#define PACK_AT(field) offsetof(PackExecCommon, field)
bool zeroBetween(const EngineObservation& seen, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (seen.record[i] != 0) return false;
    return true;
}

ScriptStep step(std::uint32_t action, std::uint32_t size, const char* text = "", std::uint32_t code = 0) {
    ScriptStep s{action, code, size, {}};
    std::strncpy(s.text, text, sizeof s.text - 1);
    return s;
}

class EngineLoading : public ComponentFixture {
protected:
    EngineLoading() { builder.SetUnattended(true); }
};

TEST_F(EngineLoading, LoadsFromTheDllDirectoryAndTracesIt) {
    builder.SetDLLDirectory(engineDir("unpack-new") + "\\");
    EXPECT_EQ(builder.DLLDirectory(), engineDir("unpack-new"));
    builder.SetTrace(true);
    builder.Load_Unpack_Dll();
    ASSERT_NE(builder.UnpackDllHandle(), nullptr);
    EXPECT_NE(builder.UnpackExec(), nullptr);
    EXPECT_NE(builder.GetUnpackVersion(), nullptr);
    EXPECT_EQ(messages, (std::vector<SeenMessage>{{0, "UNPACK32 Loaded!"}}));
    char path[MAX_PATH];
    ::GetModuleFileNameA(builder.UnpackDllHandle(), path, sizeof path);
    EXPECT_EQ(std::string(path), engineDir("unpack-new") + "\\UNPACK32.DLL");

    builder.Unload_Unpack_Dll();
    EXPECT_EQ(builder.UnpackDllHandle(), nullptr);
    EXPECT_EQ(::GetModuleHandleA("UNPACK32.DLL"), nullptr);
    builder.Unload_Unpack_Dll();  // not loaded: nothing happens

    builder.SetDLLDirectory(engineDir("pack-new"));
    builder.Load_Pack_Dll();
    EXPECT_NE(builder.PackExec(), nullptr);
    EXPECT_NE(builder.GetPackVersion(), nullptr);
    EXPECT_EQ(messages.back(), (SeenMessage{0, "PACK32 Loaded"}));
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(EngineLoading, MissingLibrariesAreReportedNotRaised) {
    builder.SetDLLDirectory(besideProgram("engines"));
    builder.Load_Unpack_Dll();
    builder.Load_Pack_Dll();
    EXPECT_EQ(builder.UnpackDllHandle(), nullptr);
    EXPECT_EQ(builder.PackDllHandle(), nullptr);
    EXPECT_EQ(messages,
              (std::vector<SeenMessage>{{0, "UNPACK32.DLL not found!"}, {0, "PACK32.DLL not found!"}}));
    EXPECT_EQ(builder.LastErrCode(), msg::PackNotFound);
}

TEST_F(EngineLoading, WithoutTheLibraryInTheDllDirectoryTheBareNameIsSearched) {
    char previous[MAX_PATH];
    ::GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(engineDir("pack-new").c_str()));
    builder.SetDLLDirectory(besideProgram("engines"));
    builder.Load_Pack_Dll();
    ::SetCurrentDirectoryA(previous);
    EXPECT_NE(builder.PackDllHandle(), nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(EngineLoading, ErrorModeIsRestoredAfterLoading) {
    ::SetErrorMode(0);
    builder.SetDLLDirectory(engineDir("unpack-new"));
    builder.Load_Unpack_Dll();
    EXPECT_EQ(::SetErrorMode(0), 0u);
    builder.SetDLLDirectory(besideProgram("engines"));
    builder.Load_Pack_Dll();  // fails
    EXPECT_EQ(::SetErrorMode(0), 0u);
}

TEST_F(EngineLoading, MissingExecEntryPointIsNeverCalled) {
    builder.SetDLLDirectory(engineDir("unpack-noexec"));
    builder.Load_Unpack_Dll();
    ASSERT_NE(builder.UnpackDllHandle(), nullptr);  // the library stays loaded
    EXPECT_EQ(builder.UnpackExec(), nullptr);
    EXPECT_EQ(messages, (std::vector<SeenMessage>{{0, "UnpackExec function not found in UNPACK32.DLL!"}}));
    EXPECT_EQ(builder.GetUnpackVers(), 160);

    builder.SetProcessedCount(42);
    builder.FSpecArgs() = {"a.txt"};
    builder.CallUnpackEngine("C:\\x.zip");
    EXPECT_EQ(builder.LastErrCode(), msg::UnpackExecMissing);
    EXPECT_EQ(builder.ProcessedCount(), 42);
    EXPECT_EQ(observe(builder.UnpackDllHandle()).execCalls, 0);
}

TEST_F(EngineLoading, WithoutVersionEntryPointTheLayoutIsUnknownAndNoCallIsMade) {
    builder.SetDLLDirectory(engineDir("unpack-noversion"));
    builder.Load_Unpack_Dll();
    ASSERT_NE(builder.UnpackDllHandle(), nullptr);
    EXPECT_EQ(messages,
              (std::vector<SeenMessage>{{0, "GetUnpackVersion function not found in UNPACK32.DLL!"}}));
    EXPECT_EQ(builder.GetUnpackVers(), 0);
    builder.CallUnpackEngine("C:\\x.zip");
    EXPECT_EQ(builder.LastErrCode(), msg::UnpackVersionMissing);
    EXPECT_EQ(observe(builder.UnpackDllHandle()).execCalls, 0);
}

TEST_F(EngineLoading, VersionQueryLoadsOnlyForTheQuery) {
    builder.SetDLLDirectory(engineDir("pack-old"));
    EXPECT_EQ(builder.GetPackVers(), 150);
    EXPECT_EQ(builder.PackDllHandle(), nullptr);
    EXPECT_EQ(::GetModuleHandleA("PACK32.DLL"), nullptr);

    builder.Load_Pack_Dll();
    HMODULE loaded = builder.PackDllHandle();
    EXPECT_EQ(builder.PackVers(), 150);
    EXPECT_EQ(builder.PackDllHandle(), loaded);  // loaded by the program: stays

    builder.SetDLLDirectory(besideProgram("engines"));
    EXPECT_EQ(builder.GetUnpackVers(), 0);
    EXPECT_EQ(builder.UnpackDllHandle(), nullptr);
    EXPECT_TRUE(messages.back().text == "UNPACK32.DLL not found!");
}

// ---- The records, per engine and layout ----

struct LayoutCase {
    const char* variant;
    bool pack;
    bool newer;
    std::uint32_t recordSize;
};

class RecordLayout : public ComponentFixture, public ::testing::WithParamInterface<LayoutCase> {
protected:
    RecordLayout() {
        builder.SetUnattended(true);
        builder.SetDLLDirectory(engineDir(GetParam().variant));
        if (GetParam().pack)
            builder.Load_Pack_Dll();
        else
            builder.Load_Unpack_Dll();
    }
    HMODULE engine() const { return GetParam().pack ? builder.PackDllHandle() : builder.UnpackDllHandle(); }
    void call(const std::string& path, TArchiveBuilder::PackCall kind = TArchiveBuilder::PackCall::Add) {
        if (GetParam().pack)
            builder.CallPackEngine(path, kind);
        else
            builder.CallUnpackEngine(path);
    }
    std::size_t countAt() const { return GetParam().pack ? PACK_AT(specCount) : UNPACK_AT(specCount); }
    std::size_t specsAt() const {
        if (GetParam().pack)
            return GetParam().newer ? offsetof(PackExecRecordNew, specs) : offsetof(PackExecRecordOld, specs);
        return GetParam().newer ? offsetof(UnpackExecRecordNew, specs) : offsetof(UnpackExecRecordOld, specs);
    }
};

TEST_P(RecordLayout, SizeMarkerCallerAndCallbackAreInPlace) {
    script(engine(), {}, 3);
    builder.FSpecArgs() = {"one.txt", "dir/*.dat", "three"};
    call("C:\\pkg\\Setup.qzp");
    const auto& seen = observe(engine());
    ASSERT_EQ(seen.execCalls, 1);
    EXPECT_EQ(builder.ProcessedCount(), 3);
    EXPECT_EQ(seen.recordSize, GetParam().recordSize);
    EXPECT_EQ(addressAt(seen, UNPACK_AT(caller)), recordAddress(&builder));
    EXPECT_EQ(u32At(seen, UNPACK_AT(version)), GetParam().pack ? 158u : 152u);
    EXPECT_EQ(addressAt(seen, UNPACK_AT(callback)), recordAddress(&TArchiveBuilder::EngineCallback));
    EXPECT_EQ(std::string(seen.archivePath), "C:\\pkg\\Setup.qzp");
    EXPECT_EQ(u32At(seen, countAt()), 3u);

    // Copies of the file patterns, in list order.
    EXPECT_STREQ(seen.specs[0], "one.txt");
    EXPECT_STREQ(seen.specs[1], "dir/*.dat");
    EXPECT_STREQ(seen.specs[2], "three");
    const std::size_t end = GetParam().recordSize;
    if (GetParam().newer) {
        EXPECT_EQ(u32At(seen, end - 4), kRecordMarker);
        EXPECT_NE(addressAt(seen, specsAt()), 0u);
        EXPECT_TRUE(zeroBetween(seen, specsAt() + kAddressSize, end - 4));
        const std::size_t entrySize = GetParam().pack ? sizeof(PackFileSpec) : sizeof(UnpackFileSpec);
        for (int i = 0; i < 3; ++i)
            for (std::size_t b = kAddressSize; b < entrySize; ++b)
                EXPECT_EQ(seen.entries[i][b], 0) << i << ":" << b;
    } else {
        EXPECT_EQ(u32At(seen, specsAt() - 4), kRecordMarker);
        for (int i = 0; i < 3; ++i) EXPECT_NE(addressAt(seen, specsAt() + kAddressSize * i), 0u);
        EXPECT_TRUE(zeroBetween(seen, specsAt() + 3 * kAddressSize, end));
    }
    EXPECT_TRUE(builder.FSpecArgs().empty());  // cleared when the engine returns
    EXPECT_EQ(builder.UnpackExecRecord(), nullptr);
    EXPECT_EQ(builder.PackExecRecord(), nullptr);
}

TEST_P(RecordLayout, NothingStaysAllocatedAfterTheCall) {
    builder.FSpecArgs() = {"a", "b", "c", "d"};
    builder.SetPassword("secret");
    builder.SetTempDir("C:\\temp");
    long duringCall = -1;
    builder.OnProgress = [&duringCall](TArchiveBuilder*, ProgressType, const std::string&, long) {
        duringCall = LiveHeapBlocks();
    };
    script(engine(), {step(kActionBatchEnd, 0)}, 1);
    const long before = LiveHeapBlocks();
    call("C:\\archive-with-a-long-name-to-be-copied.zip");
    EXPECT_EQ(LiveHeapBlocks(), before);
    EXPECT_GT(duringCall, before);  // the record and its copies existed during the call
}

TEST_P(RecordLayout, EmptyFilePatternListHandsOverNoPattern) {
    call("C:\\a.zip");
    const auto& seen = observe(engine());
    EXPECT_EQ(u32At(seen, countAt()), 0u);
    EXPECT_EQ(addressAt(seen, specsAt()), 0u);  // no entry array, or an empty first pointer
}

TEST_P(RecordLayout, OlderLayoutNeverTakesMoreThanItsPointerArray) {
    builder.FSpecArgs().assign(GetParam().newer ? 5000 : 4098, "x");
    call("C:\\a.zip");
    const auto& seen = observe(engine());
    if (GetParam().newer) {
        EXPECT_EQ(seen.execCalls, 1);
        EXPECT_EQ(u32At(seen, countAt()), 5000u);
    } else {
        EXPECT_EQ(seen.execCalls, 0);
        EXPECT_EQ(builder.LastErrCode(), GetParam().pack ? msg::PackAbort : msg::UnpackAbort);
    }
    EXPECT_TRUE(builder.FSpecArgs().empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordLayout,
                         ::testing::Values(LayoutCase{"unpack-new", false, true, sizeof(UnpackExecRecordNew)},
                                           LayoutCase{"unpack-old", false, false,
                                                      sizeof(UnpackExecRecordOld)},
                                           LayoutCase{"pack-new", true, true, sizeof(PackExecRecordNew)},
                                           LayoutCase{"pack-old", true, false, sizeof(PackExecRecordOld)}),
                         [](const auto& info) {
                             std::string name = info.param.variant;
                             name.erase(name.find('-'), 1);
                             return name;
                         });

class UnpackSwitches : public ComponentFixture {
protected:
    UnpackSwitches() : builder2(reinterpret_cast<HWND>(0x5678)) {
        builder2.SetUnattended(true);
        builder2.SetDLLDirectory(engineDir("unpack-new"));
        builder2.Load_Unpack_Dll();
    }
    ~UnpackSwitches() override { builder2.Unload_Unpack_Dll(); }
    const EngineObservation& run() {
        builder2.CallUnpackEngine("C:\\a.zip");
        return observe(builder2.UnpackDllHandle());
    }
    TArchiveBuilder builder2;
};

TEST_F(UnpackSwitches, EveryFieldFollowsItsProperty) {
    builder2.SetTrace(true);
    builder2.SetCodePage(cpOEM);
    builder2.SetPassword("pw");
    builder2.SetExtrOptions({ExtrTest, ExtrFreshen, ExtrDirNames, ExtrOverWrite});
    const auto& on = run();
    EXPECT_EQ(addressAt(on, UNPACK_AT(ownerWindow)), 0x5678u);
    EXPECT_EQ(u32At(on, UNPACK_AT(trace)), 1u);
    EXPECT_EQ(u16At(on, UNPACK_AT(codePage)), 2);
    EXPECT_STREQ(on.password, "pw");
    EXPECT_EQ(u32At(on, UNPACK_AT(test)), 1u);
    EXPECT_EQ(u32At(on, UNPACK_AT(zero32)), 0u);
    EXPECT_EQ(u32At(on, UNPACK_AT(zero36)), 0u);
    EXPECT_EQ(u32At(on, UNPACK_AT(one40)), 1u);
    EXPECT_EQ(u32At(on, UNPACK_AT(verbose)), 1u);  // Trace asks for verbose messages too
    EXPECT_EQ(u32At(on, UNPACK_AT(update)), 0u);
    EXPECT_EQ(u32At(on, UNPACK_AT(freshen)), 1u);
    EXPECT_EQ(u32At(on, UNPACK_AT(directories)), 1u);
    EXPECT_EQ(u32At(on, UNPACK_AT(overwrite)), 1u);

    builder2.SetTrace(false);
    builder2.SetCodePage(cpAUTO);
    builder2.SetPassword("");
    builder2.SetExtrOptions({ExtrUpdate, ExtrFreshen});
    const auto& off = run();
    EXPECT_EQ(u32At(off, UNPACK_AT(trace)), 0u);
    EXPECT_EQ(u16At(off, UNPACK_AT(codePage)), 0);
    EXPECT_NE(addressAt(off, UNPACK_AT(password)), 0u);  // an empty password is still a string
    EXPECT_STREQ(off.password, "");
    EXPECT_EQ(u32At(off, UNPACK_AT(test)), 0u);
    EXPECT_EQ(u32At(off, UNPACK_AT(verbose)), 0u);
    EXPECT_EQ(u32At(off, UNPACK_AT(update)), 1u);
    EXPECT_EQ(u32At(off, UNPACK_AT(freshen)), 0u);  // freshen gives way to update
    EXPECT_EQ(u32At(off, UNPACK_AT(directories)), 0u);
    EXPECT_EQ(u32At(off, UNPACK_AT(overwrite)), 0u);

    builder2.SetVerbose(true);
    EXPECT_EQ(u32At(run(), UNPACK_AT(verbose)), 1u);
}

class PackSwitches : public ComponentFixture {
protected:
    PackSwitches() {
        builder.SetUnattended(true);
        builder.SetDLLDirectory(engineDir("pack-new"));
        builder.Load_Pack_Dll();
    }
    const EngineObservation& run(TArchiveBuilder::PackCall kind = TArchiveBuilder::PackCall::Add) {
        builder.FSpecArgs() = {"*.*"};
        builder.CallPackEngine("C:\\a.zip", kind);
        return observe(builder.PackDllHandle());
    }
};

TEST_F(PackSwitches, EveryFieldFollowsItsProperty) {
    builder.SetAddOptions({AddDirNames, AddRecurseDirs, AddMove, AddFreshen, AddUpdate, AddZipTime,
                           AddForceDOS, AddHiddenFiles, AddEncrypt, AddSeparateDirs});
    builder.SetAddCompLevel(6);
    builder.SetPassword("pw");
    builder.SetTempDir("C:\\tmp");
    const auto& on = run();
    const std::pair<std::size_t, std::uint32_t> expectedOn[] = {
        {PACK_AT(zero24), 0},       {PACK_AT(encrypt), 1},       {PACK_AT(hiddenFiles), 1},
        {PACK_AT(zero36), 0},       {PACK_AT(zero40), 0},        {PACK_AT(noDirEntries), 0},
        {PACK_AT(zero48), 0},       {PACK_AT(verbose), 0},       {PACK_AT(one56), 1},
        {PACK_AT(level), 6},        {PACK_AT(zero64), 0},        {PACK_AT(zero68), 0},
        {PACK_AT(junkDirNames), 0}, {PACK_AT(one80), 1},         {PACK_AT(forceDos), 1},
        {PACK_AT(move), 1},         {PACK_AT(deleteEntries), 0}, {PACK_AT(update), 1},
        {PACK_AT(freshen), 0},      {PACK_AT(zero104), 0},       {PACK_AT(zipTime), 1}};
    for (auto [offset, value] : expectedOn) EXPECT_EQ(u32At(on, offset), value) << "offset " << offset;
    EXPECT_EQ(u16At(on, PACK_AT(recurse)), 1);
    EXPECT_STREQ(on.password, "pw");
    EXPECT_STREQ(on.tempDir, "C:\\tmp");

    builder.SetAddOptions({AddFreshen});
    builder.SetTempDir("");
    builder.SetVerbose(true);
    const auto& off = run();
    const std::pair<std::size_t, std::uint32_t> expectedOff[] = {
        {PACK_AT(encrypt), 0}, {PACK_AT(hiddenFiles), 0},  {PACK_AT(noDirEntries), 1},
        {PACK_AT(verbose), 1}, {PACK_AT(junkDirNames), 1}, {PACK_AT(forceDos), 0},
        {PACK_AT(move), 0},    {PACK_AT(update), 0},       {PACK_AT(freshen), 1},
        {PACK_AT(zipTime), 0}};
    for (auto [offset, value] : expectedOff) EXPECT_EQ(u32At(off, offset), value) << "offset " << offset;
    EXPECT_EQ(u16At(off, PACK_AT(recurse)), 0);
    EXPECT_EQ(addressAt(off, offsetof(PackExecRecordNew, tempDir)), 0u);
}

TEST_F(PackSwitches, DeleteTurnsEveryAddingSwitchOff) {
    builder.SetAddOptions({AddDirNames, AddRecurseDirs, AddMove, AddUpdate, AddEncrypt});
    const auto& seen = run(TArchiveBuilder::PackCall::Delete);
    for (std::size_t offset : {PACK_AT(encrypt), PACK_AT(junkDirNames), PACK_AT(one80), PACK_AT(move),
                               PACK_AT(update), PACK_AT(freshen)})
        EXPECT_EQ(u32At(seen, offset), 0u) << offset;
    EXPECT_EQ(u16At(seen, PACK_AT(recurse)), 0);
    EXPECT_EQ(u32At(seen, PACK_AT(deleteEntries)), 1u);
    EXPECT_STREQ(seen.specs[0], "*.*");
}

// ---- The callback ----

class Callback : public ComponentFixture {
protected:
    struct Progress {
        ProgressType type;
        std::string name;
        long size;
        bool operator==(const Progress&) const = default;
    };
    Callback() {
        builder.SetDLLDirectory(engineDir("unpack-new"));
        builder.SetUnattended(true);
        builder.Load_Unpack_Dll();
        builder.OnProgress = [this](TArchiveBuilder* sender, ProgressType type, const std::string& name,
                                    long size) {
            EXPECT_EQ(sender, &builder);
            progress.push_back({type, name, size});
        };
    }
    void run(const std::vector<ScriptStep>& steps) {
        script(builder.UnpackDllHandle(), steps, 2);
        builder.CallUnpackEngine("C:\\a.zip");
    }
    std::vector<Progress> progress;
};

TEST_F(Callback, ActionsBecomeProgressEventsInTheEnginesOrder) {
    run({step(kActionFileCount, 2), step(kActionByteCount, 1000),
         step(kActionFileStart, 600, "dir/sub/a.txt"), step(kActionAdvance, 250), step(kActionAdvance, 350),
         step(0, 7), step(7, 7), step(kActionFileStart, 400, "b"), step(kActionAdvance, 400),
         step(kActionBatchEnd, 99)});
    EXPECT_EQ(progress, (std::vector<Progress>{{pgFileCount, "", 2},
                                               {pgByteCount, "", 1000},
                                               {pgFileStart, "dir\\sub\\a.txt", 600},
                                               {pgAdvance, "", 250},
                                               {pgAdvance, "", 350},
                                               {pgFileStart, "b", 400},
                                               {pgAdvance, "", 400},
                                               {pgBatchEnd, "", 0}}));
    EXPECT_EQ(builder.BatchTotalBytes(), 1000);
    EXPECT_EQ(builder.ProcessedCount(), 2);
    EXPECT_EQ(observe(builder.UnpackDllHandle()).stoppedAtStep, -1);
}

// The record's sizes are unsigned 32-bit: 2 GiB and more reach a handler
// as the largest long, never as a negative size.
TEST_F(Callback, SizesOfTwoGibibytesAndMoreNeverTurnNegative) {
    run({step(kActionByteCount, 0xC0000000), step(kActionFileStart, 0x80000000, "big"),
         step(kActionAdvance, 0xFFFFFFFF)});
    EXPECT_EQ(progress, (std::vector<Progress>{{pgByteCount, "", 0x7FFFFFFF},
                                               {pgFileStart, "big", 0x7FFFFFFF},
                                               {pgAdvance, "", 0x7FFFFFFF}}));
    EXPECT_EQ(builder.BatchTotalBytes(), 0x7FFFFFFF);
}

TEST_F(Callback, ByteCountIsKeptWithoutAHandler) {
    builder.OnProgress = nullptr;
    run({step(kActionByteCount, 123456)});
    EXPECT_EQ(builder.BatchTotalBytes(), 123456);
}

TEST_F(Callback, EngineMessagesSetTheErrorMembersButShowNoBox) {
    builder.SetUnattended(false);
    builder.SetLastErrCode(77);
    run({step(kActionMessage, 0, "note/with slash \r\n", 0)});
    EXPECT_EQ(builder.LastErrCode(), 77);  // code 0 leaves it
    EXPECT_EQ(builder.LastMessage(), "note\\with slash");
    run({step(kActionMessage, 0, "broken entry", 0x1FF)});
    EXPECT_EQ(builder.LastErrCode(), -1);  // low byte, sign-extended
    EXPECT_EQ(builder.EngineErrCode(), 0x1FF);
    EXPECT_EQ(builder.LastMessage(), "broken entry");
    EXPECT_EQ(messages, (std::vector<SeenMessage>{{0, "note\\with slash"}, {0x1FF, "broken entry"}}));
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(progress.empty());
}

TEST_F(Callback, CancelAnswersTheEngineToStop) {
    builder.OnProgress = [this](TArchiveBuilder*, ProgressType type, const std::string&, long) {
        if (type == pgFileStart) builder.SetCancel(true);
    };
    run({step(kActionFileCount, 3), step(kActionFileStart, 1, "a"), step(kActionAdvance, 1),
         step(kActionBatchEnd, 0)});
    EXPECT_EQ(observe(builder.UnpackDllHandle()).stoppedAtStep, 1);

    builder.OnProgress = nullptr;  // set beforehand, no handler: the first answer is already "stop"
    builder.SetCancel(true);
    run({step(kActionFileCount, 3), step(kActionBatchEnd, 0)});
    EXPECT_EQ(observe(builder.UnpackDllHandle()).stoppedAtStep, 0);
}

int g_handledDuringCall = 0;
TArchiveBuilder* g_running = nullptr;

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_APP && g_running != nullptr && g_running->UnpackExecRecord() != nullptr)
        ++g_handledDuringCall;
    return ::DefWindowProcA(window, message, wp, lp);
}

// A message-only window counting the WM_APP messages it handles while
// `builder` is in an engine call.
class CountingWindow {
public:
    explicit CountingWindow(TArchiveBuilder& builder) {
        g_running = &builder;
        g_handledDuringCall = 0;
        WNDCLASSA wc{};
        wc.lpfnWndProc = CountingWindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "ArchiveCallbackPumpTest";
        ::RegisterClassA(&wc);
        handle = ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, wc.hInstance,
                                 nullptr);
    }
    ~CountingWindow() {
        ::DestroyWindow(handle);
        g_running = nullptr;
    }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;
    void post() const { ::PostMessageA(handle, WM_APP, 0, 0); }
    HWND handle;
};

TEST_F(Callback, EachCallbackProcessesTheMessageQueue) {
    CountingWindow window(builder);
    ASSERT_NE(window.handle, nullptr);
    window.post();
    run({step(kActionFileCount, 1)});
    EXPECT_EQ(g_handledDuringCall, 1);
}

TEST_F(Callback, WithAMessageIntervalTheQueueWaitsForItButCancelDoesNot) {
    CountingWindow window(builder);
    ASSERT_NE(window.handle, nullptr);
    builder.SetMessageInterval(60'000);
    window.post();
    builder.OnProgress = [&](TArchiveBuilder*, ProgressType type, const std::string&, long) {
        if (type != pgAdvance) return;
        window.post();
        if (g_handledDuringCall == 1) builder.SetCancel(true);
    };
    run({step(kActionFileCount, 1), step(kActionFileStart, 1, "a"), step(kActionAdvance, 1),
         step(kActionAdvance, 1), step(kActionBatchEnd, 0)});
    EXPECT_EQ(g_handledDuringCall, 1) << "the first callback processes the queue, the next ones leave it";
    EXPECT_EQ(observe(builder.UnpackDllHandle()).stoppedAtStep, 2);
}

TEST_F(Callback, HandlerFailureStopsTheEngineAndIsReportedAfterIt) {
    builder.OnProgress = [](TArchiveBuilder*, ProgressType, const std::string&, long) {
        throw std::runtime_error("handler failed");
    };
    run({step(kActionFileCount, 1), step(kActionBatchEnd, 0)});
    EXPECT_EQ(observe(builder.UnpackDllHandle()).stoppedAtStep, 0);
    EXPECT_EQ(builder.LastErrCode(), msg::UnpackAbort);
    EXPECT_EQ(builder.LastMessage(), "Fatal Error in Unpack32.DLL: abort exception");
}

TEST_F(Callback, UnknownCallerIsToldToStop) {
    EngineCallbackRecord record{};
    record.caller = 0x1234;
    record.action = kActionFileCount;
    EXPECT_EQ(TArchiveBuilder::EngineCallback(&record), TRUE);
    EXPECT_EQ(TArchiveBuilder::EngineCallback(nullptr), TRUE);
    record.caller = recordAddress(&builder);
    EXPECT_EQ(TArchiveBuilder::EngineCallback(&record), FALSE);
    EXPECT_EQ(progress.size(), 1u);
}

}  // namespace
}  // namespace tavrix::archive
