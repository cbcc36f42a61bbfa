// Extract against the test engines, which show what they were handed: the
// record and its layout, the password, the file patterns; and against
// engines that are missing or incomplete.
#include "archive/MessageIds.h"
#include "tests/extract/ExtractTestSupport.h"

#include <cstring>

namespace tavrix::archive {
namespace {

using namespace testing;

class WithTestEngine : public ExtractFixture {
protected:
    WithTestEngine() {
        builder.SetUnattended(true);
        builder.SetExtrBaseDir(out);
        useArchive(dataPath("tree.zip"));
    }
    // The test engine loaded by the program, so that what it saw can be read.
    const EngineObservation& loadAndScript(const char* variant, int result) {
        builder.SetDLLDirectory(testEngineDir(variant));
        builder.Load_Unpack_Dll();
        if (builder.UnpackDllHandle() == nullptr) throw std::runtime_error("test engine missing");
        script(builder.UnpackDllHandle(), {}, result);
        return observe(builder.UnpackDllHandle());
    }
};

struct LayoutCase {
    const char* variant;
    std::uint32_t recordSize;
};

class RecordLayout : public WithTestEngine, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(RecordLayout, FollowsTheEngineVersionAndCarriesTheArchiveAndFilePatterns) {
    const EngineObservation& seen = loadAndScript(GetParam().variant, 4);
    builder.FSpecArgs() = {"docs\\*.txt", "top.txt", "Space Name\\*"};
    builder.Extract();
    EXPECT_EQ(seen.execCalls, 1);
    EXPECT_EQ(seen.recordSize, GetParam().recordSize);
    EXPECT_STREQ(seen.archivePath, dataPath("tree.zip").c_str());
    ASSERT_EQ(seen.specCount, 3u);
    EXPECT_STREQ(seen.specs[0], "docs\\*.txt");
    EXPECT_STREQ(seen.specs[1], "top.txt");
    EXPECT_STREQ(seen.specs[2], "Space Name\\*");
    EXPECT_STREQ(seen.password, "");
    EXPECT_EQ(builder.ProcessedCount(), 4);  // whatever the engine answers
    EXPECT_TRUE(builder.FSpecArgs().empty());
    EXPECT_EQ(builder.UnpackExecRecord(), nullptr);
    EXPECT_EQ(currentDirectory(), out);
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Extract, RecordLayout,
                         ::testing::Values(LayoutCase{"unpack-new", sizeof(UnpackExecRecordNew)},
                                           LayoutCase{"unpack-old", sizeof(UnpackExecRecordOld)}),
                         [](const auto& info) { return info.index == 0 ? "NewerAbove151" : "OlderUpTo151"; });

TEST_F(WithTestEngine, WithoutFilePatternsTheWholeArchiveIsAskedFor) {
    const EngineObservation& seen = loadAndScript("unpack-new", 0);
    builder.Extract();
    ASSERT_EQ(seen.execCalls, 1);
    EXPECT_EQ(seen.specCount, 0u);
    RecordAddress entries;
    std::memcpy(&entries, seen.record + offsetof(UnpackExecRecordNew, specs), sizeof entries);
    EXPECT_EQ(entries, 0u);
}

struct PasswordCase {
    const char* name;
    bool unattended;
    bool encrypt;
    const char* password;
    bool placeholder;  // handed over, with the warning
};

class UnattendedPassword : public WithTestEngine, public ::testing::WithParamInterface<PasswordCase> {};

TEST_P(UnattendedPassword, PlaceholderOnlyWhenNobodyCanBeAsked) {
    const PasswordCase& c = GetParam();
    const EngineObservation& seen = loadAndScript("unpack-new", 1);
    builder.SetUnattended(c.unattended);
    builder.SetAddOptions(c.encrypt ? AddOpts{AddEncrypt, AddDirNames} : AddOpts{AddDirNames});
    builder.SetPassword(c.password);
    for (int round = 0; round < 2; ++round) {
        messages.clear();
        builder.Extract();
        ASSERT_EQ(seen.execCalls, round + 1);
        if (c.placeholder) {
            EXPECT_EQ(std::string(seen.password), PlaceholderPassword());
            EXPECT_EQ(messages, (std::vector<SeenMessage>{
                                    {0, "Warning - Unattended Extract: possible not all files extracted"}}));
            EXPECT_EQ(builder.LastErrCode(), msg::UnattendedExtract);
        } else {
            EXPECT_EQ(std::string(seen.password), c.password);
            EXPECT_TRUE(messages.empty());
        }
        // Never kept: a later unattended Add must not encrypt with it.
        EXPECT_EQ(builder.Password(), c.password);
    }
    EXPECT_TRUE(boxes.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(Extract, UnattendedPassword,
                         ::testing::Values(PasswordCase{"UnattendedEncryptNoPassword", true, true, "", true},
                                           PasswordCase{"UnattendedEncryptPassword", true, true, "secret",
                                                        false},
                                           PasswordCase{"AttendedEncryptNoPassword", false, true, "", false},
                                           PasswordCase{"UnattendedPlainNoPassword", true, false, "", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlaceholderPasswordText, IsSeventyNineTimesOneCharacter) {
    const std::string p = PlaceholderPassword();
    ASSERT_EQ(p.size(), 79u);
    EXPECT_EQ(p, std::string(79, p[0]));
    EXPECT_NE(p[0], '\0');
}

// An engine that is missing, or lacks an entry point: Extract says so once
// more (once in all when it loaded the engine itself) and returns without
// progress. A library that loaded is unloaded again unless the program
// loaded it.
struct EngineProblem {
    const char* name;
    const char* variant;  // "" = a folder without any engine
    bool loadedByProgram;
    std::vector<std::string> messages;  // from the program's load, then Extract
    bool loadedAfter;
};

const std::string kNotFound = "UNPACK32.DLL not found!";
const std::string kNoExec = "UnpackExec function not found in UNPACK32.DLL!";
const std::string kNoVersion = "GetUnpackVersion function not found in UNPACK32.DLL!";

class EngineProblems : public ExtractFixture, public ::testing::WithParamInterface<EngineProblem> {};

TEST_P(EngineProblems, AreReportedAtExtractWithoutProgress) {
    const EngineProblem& p = GetParam();
    builder.SetDLLDirectory(p.variant[0] == '\0' ? programDir() + "engines" : testEngineDir(p.variant));
    builder.SetExtrBaseDir(out);
    useArchive(dataPath("tree.zip"));
    if (p.loadedByProgram) builder.Load_Unpack_Dll();
    builder.Extract();
    std::vector<SeenMessage> expected;
    for (const std::string& text : p.messages) expected.push_back({0, text});
    EXPECT_EQ(messages, expected);
    EXPECT_EQ(boxes.texts, p.messages);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_EQ(builder.UnpackDllHandle() != nullptr, p.loadedAfter);
    EXPECT_FALSE(builder.UnpackEngineBusy());
    EXPECT_TRUE(readTree(out).files.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Extract, EngineProblems,
    ::testing::Values(
        EngineProblem{"Missing", "", false, {kNotFound}, false},
        EngineProblem{"MissingAtStartUpAndAtExtract", "", true, {kNotFound, kNotFound}, false},
        EngineProblem{"NoExecLoadedOnDemand", "unpack-noexec", false, {kNoExec}, false},
        EngineProblem{"NoExecLoadedByProgram", "unpack-noexec", true, {kNoExec, kNoExec}, true},
        EngineProblem{"NoVersionLoadedOnDemand", "unpack-noversion", false, {kNoVersion}, false},
        EngineProblem{"NoVersionLoadedByProgram", "unpack-noversion", true, {kNoVersion, kNoVersion}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A spanned set is joined before the engine sees it; one whose other
// volumes cannot be had never reaches the engine.
class SpannedSet : public ExtractFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(SpannedSet, ThatCannotBeJoinedIsNotHandedToTheEngine) {
    const bool loadedByProgram = GetParam();
    builder.SetUnattended(true);
    builder.SetDLLDirectory(testEngineDir("unpack-new"));
    builder.SetExtrBaseDir(out);
    useArchive(besideProgram(programDir() + "..\\archive\\corpus\\bad\\directory_on_other_disk.zip"));
    ASSERT_NE(builder.LastDiskNumber(), 0);
    if (loadedByProgram) builder.Load_Unpack_Dll();
    builder.FSpecArgs() = {"a.txt"};
    builder.Extract();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().text, "Please insert disk volume 1");
    EXPECT_EQ(builder.LastErrCode(), msg::InsertVolume);
    // The join's batch, ended early: no file was started.
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), (Event{pgBatchEnd, "", 0}));
    EXPECT_EQ(countOf(pgFileStart), 0u);
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_FALSE(builder.UnpackEngineBusy());
    if (loadedByProgram) {
        ASSERT_NE(builder.UnpackDllHandle(), nullptr);
        EXPECT_EQ(observe(builder.UnpackDllHandle()).execCalls, 0);
    } else {
        EXPECT_EQ(builder.UnpackDllHandle(), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Extract, SpannedSet, ::testing::Bool(), [](const auto& info) {
    return info.param ? "EngineLoadedByProgram" : "EngineNotLoaded";
});

TEST_F(WithTestEngine, CancelIsClearedAtTheStartAndAtTheEnd) {
    builder.SetDLLDirectory(testEngineDir("unpack-new"));
    builder.Load_Unpack_Dll();
    ScriptStep advance{kActionAdvance, 0, 10, {}};
    script(builder.UnpackDllHandle(), {advance, advance}, 2);
    builder.SetCancel(true);  // left over from before: must not stop this call
    builder.Extract();
    const EngineObservation& seen = observe(builder.UnpackDllHandle());
    EXPECT_EQ(seen.callbacksMade, 2);
    EXPECT_EQ(seen.stoppedAtStep, -1);
    EXPECT_EQ(countOf(pgAdvance), 2u);

    onEvent = [this](const Event&) { builder.SetCancel(true); };
    builder.Extract();
    EXPECT_EQ(seen.stoppedAtStep, 0);
    EXPECT_FALSE(builder.Cancel());
    EXPECT_EQ(builder.ProcessedCount(), 2);  // a stopped call keeps the engine's count
}

TEST_F(WithTestEngine, EngineMessagesWithACodeAreCountedPerExtraction) {
    builder.SetDLLDirectory(testEngineDir("unpack-new"));
    builder.Load_Unpack_Dll();
    auto message = [](std::uint32_t code, const char* text) {
        ScriptStep s{kActionMessage, code, 0, {}};
        std::strncpy(s.text, text, sizeof s.text - 1);
        return s;
    };
    ScriptStep start{kActionFileStart, 0, 5, "b.txt"};
    script(builder.UnpackDllHandle(),
           {message(26, "CRC error: a.txt"), message(0, "OK: note"), start,
            message(30, "Cannot write: b.txt"), message(33, "Stopped: ")},
           1);
    onEvent = [this](const Event&) { builder.SetCancel(true); };  // at b.txt's start
    builder.Extract();
    EXPECT_EQ(builder.EngineErrorCount(), 1);  // the note (code 0) is no error
    EXPECT_EQ(observe(builder.UnpackDllHandle()).stoppedAtStep, 2);

    onEvent = nullptr;
    builder.Extract();
    EXPECT_EQ(builder.EngineErrorCount(), 3);
    EXPECT_EQ(builder.LastMessage(), "Stopped:");
    EXPECT_EQ(builder.LastErrCode(), 33);
}

}  // namespace
}  // namespace tavrix::archive
