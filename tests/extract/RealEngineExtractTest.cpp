// Extract with the real UNPACK32.DLL of this build, on archives Python's
// zipfile made: what lands on disk, the events the installation page relies
// on, stopping, failures of handlers and of entries.
#include "archive/MessageIds.h"
#include "tests/extract/ExtractTestSupport.h"

#include <numeric>
#include <stdexcept>

namespace tavrix::archive {
namespace {

using namespace testing;

struct ExpectedFile {
    std::string name;
    long size;
};

// The files of the listed archive, in directory order.
std::vector<ExpectedFile> filesOf(const TArchiveBuilder& builder) {
    std::vector<ExpectedFile> files;
    for (const ZipDirEntry& e : builder.DirEntries())
        if (!e.fileName.empty() && e.fileName.back() != '\\')
            files.push_back({e.fileName, static_cast<long>(e.header.uncompressedSize)});
    return files;
}

// File count and byte count first; per file one start and advances adding up
// to its size; one batch end last.
void expectBatchOrder(const std::vector<Event>& events, const std::vector<ExpectedFile>& files) {
    ASSERT_GE(events.size(), 3u);
    const long total = std::accumulate(files.begin(), files.end(), 0L,
                                       [](long sum, const ExpectedFile& f) { return sum + f.size; });
    EXPECT_EQ(events[0], (Event{pgFileCount, "", static_cast<long>(files.size())}));
    EXPECT_EQ(events[1], (Event{pgByteCount, "", total}));
    std::size_t at = 2;
    for (const ExpectedFile& file : files) {
        ASSERT_LT(at, events.size());
        EXPECT_EQ(events[at], (Event{pgFileStart, file.name, file.size}));
        long advanced = 0;
        for (++at; at < events.size() && events[at].type == pgAdvance; ++at) {
            EXPECT_GE(events[at].size, 0);
            advanced += events[at].size;
        }
        EXPECT_EQ(advanced, file.size) << file.name;
    }
    ASSERT_EQ(at + 1, events.size());
    EXPECT_EQ(events[at], (Event{pgBatchEnd, "", 0}));
}

class RealEngine : public ExtractFixture {
protected:
    RealEngine() {
        builder.SetDLLDirectory(realEngineDir());
        builder.SetExtrBaseDir(out);
    }
};

TEST_F(RealEngine, ExtractsTheWholeTreeByteForByteWithItsEventsInOrder) {
    useArchive(dataPath("tree.zip"));
    const std::vector<ExpectedFile> files = filesOf(builder);
    ASSERT_EQ(files.size(), 6u);
    bool busyDuringCall = false, recordDuringCall = false;
    onEvent = [&](const Event&) {
        busyDuringCall = builder.UnpackEngineBusy();
        recordDuringCall = builder.UnpackExecRecord() != nullptr;
    };

    builder.Extract();

    EXPECT_EQ(readTree(out), readTree(dataPath("tree")));
    EXPECT_EQ(readTree(out).folders.count("empty_dir"), 1u);
    expectBatchOrder(events, files);
    EXPECT_EQ(builder.ProcessedCount(), 6);
    EXPECT_EQ(builder.EngineErrorCount(), 0);
    EXPECT_EQ(builder.LastErrCode(), 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(busyDuringCall);
    EXPECT_TRUE(recordDuringCall);
    EXPECT_FALSE(builder.UnpackEngineBusy());
    EXPECT_EQ(builder.UnpackExecRecord(), nullptr);
    EXPECT_EQ(currentDirectory(), out);  // left where the engine worked
    // Loaded for the call only.
    EXPECT_EQ(builder.UnpackDllHandle(), nullptr);
    EXPECT_EQ(::GetModuleHandleA("UNPACK32.DLL"), nullptr);
}

TEST_F(RealEngine, AnEngineTheProgramLoadedStaysLoadedAcrossExtractions) {
    builder.Load_Unpack_Dll();
    const HMODULE engine = builder.UnpackDllHandle();
    ASSERT_NE(engine, nullptr);
    useArchive(dataPath("tree.zip"));
    for (const char* folder : {"\\one", "\\two"}) {
        ASSERT_TRUE(::CreateDirectoryA((out + folder).c_str(), nullptr));
        builder.SetExtrBaseDir(out + folder);
        builder.Extract();
        EXPECT_EQ(builder.ProcessedCount(), 6);
        EXPECT_EQ(readTree(out + folder), readTree(dataPath("tree")));
        EXPECT_EQ(builder.UnpackDllHandle(), engine);
        EXPECT_EQ(::GetModuleHandleA("UNPACK32.DLL"), engine);
    }
}

TEST_F(RealEngine, MissingArchiveGivesOneMessageAndNoProgress) {
    useArchive(out + "\\absent.zip");
    builder.SetProcessedCount(9);
    builder.Extract();
    const std::string text = "Error - no zip file specified!";
    EXPECT_EQ(messages, (std::vector<SeenMessage>{{0, text}}));
    EXPECT_EQ(boxes.texts, std::vector<std::string>{text});
    EXPECT_EQ(builder.LastErrCode(), msg::NoZipFile);
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(builder.UnpackDllHandle(), nullptr);  // never loaded
}

// Without a usable destination the current directory stays, and the engine
// extracts relative to it.
class UnusableBaseDir : public RealEngine, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnusableBaseDir, LeavesTheCurrentDirectoryAndExtractsThere) {
    const std::string baseDir = GetParam()[0] == '\0' ? std::string() : out + GetParam();
    const bool namesAFile = baseDir.ends_with(".txt");
    if (namesAFile) std::ofstream(baseDir) << "not a folder";
    ASSERT_TRUE(::SetCurrentDirectoryA(out.c_str()));
    builder.SetExtrBaseDir(baseDir);
    useArchive(dataPath("tree.zip"));
    builder.Extract();
    EXPECT_EQ(currentDirectory(), out);
    Tree extracted = readTree(out);
    if (namesAFile) extracted.files.erase(GetParam() + 1);
    EXPECT_EQ(extracted, readTree(dataPath("tree")));
    EXPECT_EQ(builder.ProcessedCount(), 6);
}

std::string unusableBaseDirName(std::size_t index) {
    const char* names[] = {"Empty", "Missing", "MissingTwoLevels", "NamesAFile"};
    return names[index];
}

INSTANTIATE_TEST_SUITE_P(Extract, UnusableBaseDir,
                         ::testing::Values("", "\\missing", "\\missing\\deeper", "\\a-file.txt"),
                         [](const auto& info) { return unusableBaseDirName(info.index); });

TEST_F(RealEngine, ReEnteredFromAProgressHandlerReturnsSilentlyAfterClearingResults) {
    useArchive(dataPath("tree.zip"));
    bool nested = false;
    onEvent = [&](const Event& e) {
        if (nested || e.type != pgAdvance) return;
        nested = true;
        builder.SetLastErrCode(77);
        builder.SetLastMessage("before");
        builder.SetProcessedCount(5);
        builder.SetCancel(true);
        const std::size_t eventsBefore = events.size();
        builder.Extract();
        EXPECT_EQ(events.size(), eventsBefore);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(builder.LastErrCode(), 0);
        EXPECT_EQ(builder.LastMessage(), "");
        EXPECT_EQ(builder.ProcessedCount(), 0);
        EXPECT_FALSE(builder.Cancel());  // so the running extraction goes on
        EXPECT_TRUE(builder.UnpackEngineBusy());
    };
    builder.Extract();
    EXPECT_TRUE(nested);
    EXPECT_EQ(countOf(pgBatchEnd), 1u);
    EXPECT_EQ(readTree(out), readTree(dataPath("tree")));
    EXPECT_EQ(builder.ProcessedCount(), 6);
    EXPECT_TRUE(boxes.texts.empty());
}

// A window of this thread that sets the component's Cancel when told to:
// what a quit confirmation does while the extraction pumps the queue.
constexpr UINT kCancelMessage = WM_APP + 1;

LRESULT CALLBACK cancellingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCancelMessage) {
        reinterpret_cast<TArchiveBuilder*>(lParam)->SetCancel(true);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

class MessageOnlyWindow {
public:
    MessageOnlyWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = cancellingWindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "ExtractTestCanceller";
        ::RegisterClassA(&wc);
        handle = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
    }
    ~MessageOnlyWindow() { ::DestroyWindow(handle); }
    MessageOnlyWindow(const MessageOnlyWindow&) = delete;
    MessageOnlyWindow& operator=(const MessageOnlyWindow&) = delete;
    HWND handle;
};

// How the stop request reaches the component in the middle of second.bin.
enum class StopBy {
    CancelInProgressHandler,
    CancelInPumpedWindowMessage,
    CancelAndQuit,  // a confirmed quit: the program's loop must still see its end
    ExceptionInProgressHandler
};

class Stopping : public RealEngine, public ::testing::WithParamInterface<StopBy> {};

TEST_P(Stopping, EndsAtTheNextChunkKeepingOnlyCompleteFiles) {
    MessageOnlyWindow canceller;
    ASSERT_NE(canceller.handle, nullptr);
    useArchive(dataPath("long.zip"));
    std::size_t stopAt = 0;
    onEvent = [&](const Event& e) {
        if (stopAt != 0 || e.type != pgAdvance || events[events.size() - 2].name != "second.bin") return;
        stopAt = events.size();
        switch (GetParam()) {
            case StopBy::CancelInProgressHandler:
                builder.SetCancel(true);
                break;
            case StopBy::CancelInPumpedWindowMessage:
                ::PostMessageA(canceller.handle, kCancelMessage, 0, reinterpret_cast<LPARAM>(&builder));
                break;
            case StopBy::CancelAndQuit:
                builder.SetCancel(true);
                ::PostQuitMessage(3);
                break;
            case StopBy::ExceptionInProgressHandler:
                throw std::runtime_error("handler failed");
        }
    };

    builder.Extract();

    ASSERT_NE(stopAt, 0u);
    EXPECT_EQ(events.size(), stopAt) << "no event after the stop";
    EXPECT_EQ(countOf(pgBatchEnd), 0u);
    const Tree extracted = readTree(out);
    EXPECT_EQ(fileNames(extracted), std::vector<std::string>{"first.bin"});
    EXPECT_EQ(extracted.files.at("first.bin"), readBytes(dataPath("first.bin")));
    EXPECT_EQ(builder.ProcessedCount(), 1);
    EXPECT_EQ(builder.EngineErrorCount(), 0);  // the engine's note on stopping is no failure
    EXPECT_FALSE(builder.Cancel());
    EXPECT_FALSE(builder.UnpackEngineBusy());
    EXPECT_EQ(builder.UnpackDllHandle(), nullptr);
    const std::string abort = "Fatal Error in Unpack32.DLL: abort exception";
    if (GetParam() == StopBy::ExceptionInProgressHandler) {
        EXPECT_EQ(builder.LastErrCode(), msg::UnpackAbort);
        EXPECT_EQ(messages.back(), (SeenMessage{0, abort}));
        EXPECT_EQ(boxes.texts, std::vector<std::string>{abort});
    } else {
        EXPECT_TRUE(boxes.texts.empty());
    }
    MSG quit;
    const bool quitWaits = ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    EXPECT_EQ(quitWaits, GetParam() == StopBy::CancelAndQuit);
    if (quitWaits) {
        EXPECT_EQ(quit.wParam, 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Extract, Stopping,
                         ::testing::Values(StopBy::CancelInProgressHandler,
                                           StopBy::CancelInPumpedWindowMessage, StopBy::CancelAndQuit,
                                           StopBy::ExceptionInProgressHandler),
                         [](const auto& info) {
                             switch (info.param) {
                                 case StopBy::CancelInProgressHandler:
                                     return "CancelInProgressHandler";
                                 case StopBy::CancelInPumpedWindowMessage:
                                     return "CancelInPumpedWindowMessage";
                                 case StopBy::CancelAndQuit:
                                     return "CancelAndQuit";
                                 case StopBy::ExceptionInProgressHandler:
                                     break;
                             }
                             return "ExceptionInProgressHandler";
                         });

TEST_F(RealEngine, EntryFailuresAreCountedAndTheBatchStillEnds) {
    const std::string outside = programDir() + "out\\evil.txt";
    ::DeleteFileA(outside.c_str());
    useArchive(dataPath("faulty.zip"));
    builder.Extract();

    EXPECT_EQ(builder.EngineErrorCount(), 2);  // ../evil.txt refused, bad.txt damaged
    EXPECT_EQ(builder.LastMessage(), "CRC error: bad.txt");
    EXPECT_EQ(builder.LastErrCode(), 26);
    EXPECT_EQ(builder.EngineErrCode(), 26);
    EXPECT_EQ(countOf(pgBatchEnd), 1u);
    EXPECT_EQ(builder.ProcessedCount(), 2);
    const Tree extracted = readTree(out);
    EXPECT_EQ(fileNames(extracted), (std::vector<std::string>{"after.txt", "good.txt"}));
    EXPECT_EQ(extracted.files.at("good.txt"), readBytes(dataPath("good.txt")));
    EXPECT_EQ(extracted.files.at("after.txt"), readBytes(dataPath("after.txt")));
    EXPECT_EQ(::GetFileAttributesA(outside.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(boxes.texts.empty());  // engine messages never show a box

    // The next extraction starts counting afresh.
    builder.SetExtrBaseDir(out + "\\again");
    ::CreateDirectoryA((out + "\\again").c_str(), nullptr);
    useArchive(dataPath("tree.zip"));
    builder.Extract();
    EXPECT_EQ(builder.EngineErrorCount(), 0);
    EXPECT_EQ(builder.ProcessedCount(), 6);
}

TEST_F(RealEngine, AFailingMessageHandlerEndsTheCallAsAnAbort) {
    useArchive(dataPath("faulty.zip"));
    builder.OnMessage = [this](TArchiveBuilder*, int code, const std::string& text) {
        messages.push_back({code, text});
        if (code != 0) throw std::runtime_error("handler failed");
    };
    builder.Extract();
    EXPECT_EQ(builder.LastErrCode(), msg::UnpackAbort);
    EXPECT_EQ(messages.back(), (SeenMessage{0, "Fatal Error in Unpack32.DLL: abort exception"}));
    EXPECT_EQ(countOf(pgBatchEnd), 0u);
    EXPECT_FALSE(builder.UnpackEngineBusy());
    EXPECT_EQ(builder.UnpackDllHandle(), nullptr);
}

TEST_F(RealEngine, FilePatternsSelectEntriesAndAreClearedAfterwards) {
    useArchive(dataPath("tree.zip"));
    builder.FSpecArgs() = {"readme.txt", "top.txt"};
    builder.Extract();
    EXPECT_TRUE(builder.FSpecArgs().empty());
    EXPECT_EQ(builder.ProcessedCount(), 2);
    const Tree extracted = readTree(out);
    EXPECT_EQ(fileNames(extracted), (std::vector<std::string>{"docs\\readme.txt", "top.txt"}));
    EXPECT_EQ(extracted.files.at("top.txt"), readBytes(dataPath("tree\\top.txt")));
}

TEST_F(RealEngine, AnUnloadAskedForDuringTheCallWaitsUntilTheEngineReturns) {
    builder.Load_Unpack_Dll();
    useArchive(dataPath("tree.zip"));
    bool asked = false;
    onEvent = [&](const Event& e) {
        if (asked || e.type != pgFileStart) return;
        asked = true;
        builder.Unload_Unpack_Dll();
        EXPECT_NE(::GetModuleHandleA("UNPACK32.DLL"), nullptr);
    };
    builder.Extract();
    EXPECT_TRUE(asked);
    EXPECT_EQ(builder.ProcessedCount(), 6);
    EXPECT_EQ(builder.UnpackDllHandle(), nullptr);
    EXPECT_EQ(::GetModuleHandleA("UNPACK32.DLL"), nullptr);
}

}  // namespace
}  // namespace tavrix::archive
