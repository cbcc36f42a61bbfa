// Add and Delete against the test engines: preconditions, loading on demand,
// the branches that refuse, listing again, re-entry and failures.
#include "archive/MessageIds.h"
#include "tests/archive/ComponentTestSupport.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tavrix::archive {
namespace {

using namespace testing;

// A listed archive of the corpus: the test engines write nothing, so the
// listing after a call finds it unchanged.
std::string corpusArchive() {
    return besideProgram("corpus\\good\\plain.zip");
}

ScriptStep fileStart(const char* name) {
    ScriptStep s{kActionFileStart, 0, 10, {}};
    std::strncpy(s.text, name, sizeof s.text - 1);
    return s;
}

class PackOperation : public ComponentFixture {
protected:
    PackOperation() {
        builder.SetUnattended(true);
        builder.SetDLLDirectory(engineDir("pack-new"));
        builder.OnDirUpdate = [this](TArchiveBuilder*) { ++listings; };
    }
    // Loads the engine as a program would, so a test can script and watch it.
    HMODULE loadPack(int result, const std::vector<ScriptStep>& steps = {}) {
        builder.Load_Pack_Dll();
        script(builder.PackDllHandle(), steps, result);
        return builder.PackDllHandle();
    }
    int listings = 0;
};

TEST_F(PackOperation, PreconditionsEndTheCallBeforeAnyEngineIsLoaded) {
    struct Case {
        const char* what;
        bool remove;
        std::vector<std::string> specs;
        std::string archive;
        AddOpts options;
        std::string password;
        int expected;
    };
    const std::string existing = corpusArchive();
    const Case cases[] = {
        {"add without files", false, {}, existing, {}, "", msg::NoFilesToZip},
        {"add without archive", false, {"a.txt"}, "", {}, "", msg::NoZipFile},
        {"unattended encryption without password",
         false,
         {"a.txt"},
         existing,
         {AddEncrypt},
         "",
         msg::UnattendedNoPassword},
        {"delete without files", true, {}, existing, {}, "", msg::NoFilesToDelete},
        {"delete from a missing archive",
         true,
         {"a.txt"},
         besideProgram("no-such.zip"),
         {},
         "",
         msg::NoZipFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        builder.SetZipFileName(c.archive);
        builder.FSpecArgs() = c.specs;
        builder.SetAddOptions(c.options);
        builder.SetPassword(c.password);
        builder.SetProcessedCount(5);
        listings = 0;
        if (c.remove)
            builder.Delete();
        else
            builder.Add();
        EXPECT_EQ(builder.LastErrCode(), c.expected);
        EXPECT_EQ(builder.ProcessedCount(), 0);
        EXPECT_EQ(builder.PackDllHandle(), nullptr);
        EXPECT_EQ(listings, 0);
    }
}

TEST_F(PackOperation, EngineLoadedForTheCallIsUnloadedAndOneLoadedByTheProgramStays) {
    builder.SetZipFileName(corpusArchive());
    builder.FSpecArgs() = {"a.txt"};
    builder.Add();  // the test engine answers 0 when nothing scripted it
    EXPECT_EQ(builder.PackDllHandle(), nullptr);
    EXPECT_TRUE(builder.FSpecArgs().empty());
    EXPECT_FALSE(builder.PackEngineBusy());

    const HMODULE engine = loadPack(1);
    builder.FSpecArgs() = {"a.txt"};
    builder.Delete();
    EXPECT_EQ(builder.PackDllHandle(), engine);
    EXPECT_EQ(observe(engine).execCalls, 1);
    EXPECT_EQ(builder.ProcessedCount(), 1);
}

TEST_F(PackOperation, MissingEngineIsReportedOnceAndNothingElseHappens) {
    builder.SetDLLDirectory(engineDir("unpack-new"));  // holds no PACK32.DLL
    builder.SetZipFileName(corpusArchive());
    builder.FSpecArgs() = {"a.txt"};
    messages.clear();
    builder.Add();
    EXPECT_EQ(builder.LastErrCode(), msg::PackNotFound);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(builder.PackEngineBusy());
}

TEST_F(PackOperation, PositiveCountListsAgainAndNoneDoesNot) {
    builder.SetZipFileName(corpusArchive());
    const HMODULE engine = loadPack(2);
    for (bool remove : {false, true}) {
        listings = 0;
        builder.FSpecArgs() = {"x", "y"};
        remove ? builder.Delete() : builder.Add();
        EXPECT_EQ(builder.ProcessedCount(), 2);
        EXPECT_EQ(listings, 1) << remove;
    }
    script(engine, {}, 0);
    listings = 0;
    builder.FSpecArgs() = {"nothing-matches"};
    builder.Delete();
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_EQ(listings, 0);
}

TEST_F(PackOperation, RecordCarriesTheArchiveAndSpecsAndDeleteItsOverrides) {
    builder.SetZipFileName(corpusArchive());
    builder.SetAddOptions({AddDirNames, AddRecurseDirs, AddFreshen, AddUpdate});
    const HMODULE engine = loadPack(0);
    builder.FSpecArgs() = {"a\\*.txt", "b.dat"};
    builder.Add();
    const EngineObservation add = observe(engine);
    EXPECT_STREQ(add.archivePath, corpusArchive().c_str());
    ASSERT_EQ(add.specCount, 2u);
    EXPECT_STREQ(add.specs[1], "b.dat");
    std::uint32_t update = 0, freshen = 0, deleting = 1;
    std::memcpy(&update, add.record + offsetof(PackExecCommon, update), 4);
    std::memcpy(&freshen, add.record + offsetof(PackExecCommon, freshen), 4);
    std::memcpy(&deleting, add.record + offsetof(PackExecCommon, deleteEntries), 4);
    EXPECT_EQ(update, 1u);
    EXPECT_EQ(freshen, 0u);  // both asked: update wins
    EXPECT_EQ(deleting, 0u);

    builder.FSpecArgs() = {"b.dat"};
    builder.Delete();
    const EngineObservation del = observe(engine);
    std::memcpy(&update, del.record + offsetof(PackExecCommon, update), 4);
    std::memcpy(&deleting, del.record + offsetof(PackExecCommon, deleteEntries), 4);
    EXPECT_EQ(update, 0u);
    EXPECT_EQ(deleting, 1u);
}

TEST_F(PackOperation, OlderEngineGetsTheOlderRecord) {
    builder.SetDLLDirectory(engineDir("pack-old"));
    builder.SetZipFileName(corpusArchive());
    const HMODULE engine = loadPack(1);
    builder.FSpecArgs() = {"one", "two"};
    builder.Add();
    EXPECT_EQ(observe(engine).recordSize, sizeof(PackExecRecordOld));
    EXPECT_STREQ(observe(engine).specs[1], "two");
}

TEST_F(PackOperation, SpannedAndSelfExtractingBranchesRefuseBeforeTheEngineRuns) {
    struct Case {
        const char* what;
        AddOpts options;
        const char* archive;  // beside the program; none of them exists
        int expected;
    };
    const Case cases[] = {
        {"spanned freshen", {AddDiskSpan, AddFreshen}, "span.zip", msg::SpanFreshenUpdate},
        {"spanned update", {AddDiskSpanErase, AddUpdate}, "span.zip", msg::SpanFreshenUpdate},
        // No PACKSFX.BIN anywhere it is looked for: the stub cannot be written.
        {"new self-extractor", {}, "new.Exe", msg::AutoSfxError},
        {"new self-extractor spanned", {AddDiskSpan}, "new.EXE", msg::AutoSfxError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = besideProgram(c.archive);
        builder.SetZipFileName(path);
        builder.SetAddOptions(c.options);
        builder.FSpecArgs() = {"a.txt"};
        builder.Add();
        EXPECT_EQ(builder.LastErrCode(), c.expected);
        EXPECT_EQ(builder.PackDllHandle(), nullptr);  // loaded for the call, unloaded on this exit too
        EXPECT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // An archive that exists already is added to as it is, whatever its name.
    const std::string existingExe = besideProgram("existing.exe");
    ASSERT_TRUE(::CopyFileA(corpusArchive().c_str(), existingExe.c_str(), FALSE));
    const HMODULE engine = loadPack(0);
    builder.SetZipFileName(existingExe);
    builder.SetAddOptions({});
    builder.FSpecArgs() = {"a.txt"};
    builder.Add();
    EXPECT_EQ(observe(engine).execCalls, 1);
    EXPECT_STREQ(observe(engine).archivePath, existingExe.c_str());
    ::DeleteFileA(existingExe.c_str());
}

TEST_F(PackOperation, NewExeGetsTheStubFirstAndKeepsItOnlyWithEntries) {
    const std::string stub = besideProgram("fake-stub.bin");
    {
        std::FILE* f = std::fopen(stub.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("STUB", f);
        std::fclose(f);
    }
    builder.SetSFXPath(stub);
    const std::string exe = besideProgram("Fresh.exe");
    ::DeleteFileA(exe.c_str());
    auto head = [&exe] {
        char bytes[8] = {};
        std::FILE* f = std::fopen(exe.c_str(), "rb");
        if (f == nullptr) return std::string("(none)");
        const std::size_t n = std::fread(bytes, 1, 7, f);
        std::fclose(f);
        return std::string(bytes, n);
    };

    // The engine adds to the stub, its settings block and an empty archive.
    HMODULE engine = loadPack(2);
    builder.SetZipFileName(exe);
    builder.FSpecArgs() = {"a.txt"};
    builder.Add();
    EXPECT_EQ(observe(engine).execCalls, 1);
    EXPECT_STREQ(observe(engine).archivePath, exe.c_str());
    EXPECT_EQ(head(), "STUBMPU");
    builder.Unload_Pack_Dll();
    ::DeleteFileA(exe.c_str());

    // Nothing added: the stub does not stay as an archive of nothing.
    engine = loadPack(0);
    builder.SetZipFileName(exe);
    builder.FSpecArgs() = {"a.txt"};
    builder.Add();
    EXPECT_EQ(observe(engine).execCalls, 1);
    EXPECT_EQ(head(), "(none)");
    builder.Unload_Pack_Dll();

    // Refused after the stub was written (a self-extractor cannot span).
    builder.SetZipFileName(exe);
    builder.SetAddOptions({AddDiskSpan});
    builder.FSpecArgs() = {"a.txt"};
    builder.Add();
    EXPECT_EQ(builder.LastErrCode(), msg::SfxNotSpannable);
    EXPECT_EQ(head(), "(none)");
    ::DeleteFileA(stub.c_str());
}

TEST(ExeExtension, IsTheLastPartOfTheNameInAnyCase) {
    EXPECT_TRUE(hasExeExtension("C:\\a\\setup.exe"));
    EXPECT_TRUE(hasExeExtension("Setup.EXE"));
    EXPECT_TRUE(hasExeExtension("x.eXe"));
    EXPECT_FALSE(hasExeExtension("C:\\a.exe\\setup"));
    EXPECT_FALSE(hasExeExtension("setup.exe.zip"));
    EXPECT_FALSE(hasExeExtension("exe"));
}

TEST_F(PackOperation, AddOrDeleteStartedDuringAnAddReturnsSilentlyAndAnExtractRuns) {
    builder.SetZipFileName(corpusArchive());
    builder.SetDLLDirectory(engineDir("unpack-new"));
    builder.Load_Unpack_Dll();
    const HMODULE unpackEngine = builder.UnpackDllHandle();
    script(unpackEngine, {}, 7);
    builder.SetDLLDirectory(engineDir("pack-new"));
    const HMODULE engine = loadPack(4, {fileStart("a"), fileStart("b"), fileStart("c")});
    int starts = 0;
    int innerExtracted = -1;
    builder.OnProgress = [&](TArchiveBuilder* sender, ProgressType type, const std::string&, long) {
        if (type != pgFileStart) return;
        const std::size_t before = messages.size();
        sender->FSpecArgs() = {"inner"};
        switch (++starts) {
            case 1:
                sender->Add();
                break;
            case 2:
                sender->Delete();
                break;
            default:
                sender->Extract();
                innerExtracted = sender->ProcessedCount();
                return;
        }
        EXPECT_EQ(messages.size(), before);  // silently
        EXPECT_TRUE(sender->PackEngineBusy());
    };
    builder.FSpecArgs() = {"outer"};
    builder.Add();
    EXPECT_EQ(starts, 3);
    EXPECT_EQ(observe(engine).execCalls, 1);
    EXPECT_STREQ(observe(engine).specs[0], "outer");
    EXPECT_EQ(observe(unpackEngine).execCalls, 1);
    EXPECT_STREQ(observe(unpackEngine).specs[0], "inner");
    EXPECT_EQ(innerExtracted, 7);
    EXPECT_EQ(builder.ProcessedCount(), 4);  // the outer call's own count
    EXPECT_FALSE(builder.PackEngineBusy());
}

TEST_F(PackOperation, LoadingAnEngineDuringItsCallKeepsTheRunningOne) {
    builder.SetZipFileName(corpusArchive());
    const HMODULE engine = loadPack(2, {fileStart("a"), fileStart("b")});
    int starts = 0;
    builder.OnProgress = [&](TArchiveBuilder* sender, ProgressType type, const std::string&, long) {
        if (type != pgFileStart) return;
        ++starts;
        // Another engine's folder: its library in place of the running one
        // would free the code the call returns into.
        sender->SetDLLDirectory(engineDir("pack-old"));
        sender->Load_Pack_Dll();
        EXPECT_EQ(sender->PackDllHandle(), engine);
    };
    builder.FSpecArgs() = {"a.txt"};
    builder.Add();
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(builder.PackDllHandle(), engine);
    EXPECT_EQ(observe(engine).execCalls, 1);
    EXPECT_EQ(builder.ProcessedCount(), 2);
    EXPECT_FALSE(builder.PackEngineBusy());
}

TEST_F(PackOperation, FailureInsideTheCallIsReportedAsTheEnginesAbort) {
    builder.SetZipFileName(corpusArchive());
    builder.OnProgress = [](TArchiveBuilder*, ProgressType, const std::string&, long) {
        throw std::runtime_error("handler failed");
    };
    const HMODULE engine = loadPack(1, {fileStart("a"), fileStart("b")});
    builder.FSpecArgs() = {"a"};
    builder.Add();
    EXPECT_EQ(builder.LastErrCode(), msg::PackAbort);
    EXPECT_EQ(builder.LastMessage(), "Fatal Error in Pack32.DLL: abort exception");
    EXPECT_EQ(observe(engine).stoppedAtStep, 0);
    EXPECT_FALSE(builder.PackEngineBusy());
    EXPECT_FALSE(builder.Cancel());
    EXPECT_EQ(builder.PackExecRecord(), nullptr);
}

TEST_F(PackOperation, CancelIsClearedAtTheStartAndAtTheEnd) {
    builder.SetZipFileName(corpusArchive());
    builder.SetCancel(true);
    const HMODULE engine = loadPack(1, {fileStart("a"), fileStart("b")});
    builder.OnProgress = [this](TArchiveBuilder*, ProgressType, const std::string&, long) {
        builder.SetCancel(true);
    };
    builder.FSpecArgs() = {"a"};
    builder.Add();
    EXPECT_EQ(observe(engine).stoppedAtStep, 0);  // not at once: Cancel was cleared first
    EXPECT_EQ(observe(engine).callbacksMade, 1);
    EXPECT_FALSE(builder.Cancel());
}

}  // namespace
}  // namespace tavrix::archive
