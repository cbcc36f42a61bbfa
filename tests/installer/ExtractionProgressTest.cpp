// The installation page's arithmetic: bar positions from byte counts, and
// the warning about files the engine did not write.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "installer/ExtractionProgress.h"
#include "installer/ExtractionReport.h"

namespace tavrix::installer {
namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

TEST(BarPosition, RunsFromOneToTenThousandAndOneIn64Bits) {
    struct Case {
        std::uint64_t done, total;
        int position;
    } cases[] = {
        {0, 1000, 1},
        {250, 1000, 2501},
        {999, 1000, 9991},
        {1000, 1000, 10001},
        {214749, 214749, 10001},   // the product passes 2^31
        {1000000, 3000000, 3334},  // truncated, not rounded
        {INT_MAX, INT_MAX, 10001},
        {2000, 1000, 10001},  // beyond the total stands at the end
        {kGiB, 5 * kGiB, 2001},
        {5 * kGiB / 2, 5 * kGiB, 5001},
        {5 * kGiB - 1, 5 * kGiB, 10000},
        {3000000000u, 4000000000u, 7501},  // sizes beyond 2^31 are not negative
        {UINT64_MAX / 2, UINT64_MAX, 5000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(barPosition(c.done, c.total), c.position) << c.done << "/" << c.total;
}

TEST(BarPosition, BatchTotalBeyondFourGigabytesIsTakenFromTheListing) {
    // The engine's report keeps the low 32 bits only.
    EXPECT_EQ(widenedBatchTotal(static_cast<std::uint32_t>(5 * kGiB), 5 * kGiB), 5 * kGiB);
    EXPECT_EQ(widenedBatchTotal(0, 4 * kGiB), 4 * kGiB) << "exactly 4 GiB reports 0";
    EXPECT_EQ(widenedBatchTotal(1000, 1000), 1000u);
    // Entries the engine will not extract (refused names) make the listing
    // disagree: the engine's own figure counts then.
    EXPECT_EQ(widenedBatchTotal(1000, 1500), 1000u);
    EXPECT_EQ(widenedBatchTotal(1000, 5 * kGiB + 2000), 1000u);
}

struct Event {
    enum Kind { ByteCount, FileStart, Advance } kind;
    std::uint64_t bytes;
    int file;   // expected positions after an advance
    int batch;  // -1: the package bar is left alone
};

std::vector<std::pair<int, int>> play(const std::vector<Event>& events) {
    ExtractionProgress progress;
    std::vector<std::pair<int, int>> seen;
    for (const Event& e : events) {
        if (e.kind == Event::ByteCount) progress.batchTotal(e.bytes);
        if (e.kind == Event::FileStart) progress.fileStart(static_cast<std::uint32_t>(e.bytes));
        if (e.kind != Event::Advance) continue;
        progress.advance(static_cast<std::uint32_t>(e.bytes));
        seen.emplace_back(progress.filePosition(), progress.batchPosition().value_or(-1));
    }
    return seen;
}

TEST(ExtractionProgress, FollowsTheComponentsEvents) {
    struct Case {
        const char* name;
        std::vector<Event> events;
    } cases[] = {
        {"1000 bytes in 250-byte steps",
         {{Event::ByteCount, 1000},
          {Event::FileStart, 1000},
          {Event::Advance, 250, 2501, 2501},
          {Event::Advance, 250, 5001, 5001},
          {Event::Advance, 250, 7501, 7501},
          {Event::Advance, 250, 10001, 10001}}},
        {"empty file is full at once",
         {{Event::ByteCount, 400},
          {Event::FileStart, 0},
          {Event::Advance, 0, 10001, 1},
          {Event::FileStart, 400},
          {Event::Advance, 400, 10001, 10001}}},
        {"no batch total leaves the package bar",
         {{Event::ByteCount, 0}, {Event::FileStart, 10}, {Event::Advance, 5, 5001, -1}}},
        {"large counters are exact",
         {{Event::ByteCount, 3000000},
          {Event::FileStart, 2000000},
          {Event::Advance, 1000000, 5001, 3334},
          {Event::Advance, 1000000, 10001, 6667},
          {Event::FileStart, 1000000},
          {Event::Advance, 1000000, 10001, 10001}}},
        {"a package of 5 GiB moves the package bar in proportion",
         {{Event::ByteCount, 5 * kGiB},
          {Event::FileStart, 3 * kGiB},
          {Event::Advance, kGiB, 3334, 2001},
          {Event::Advance, 2 * kGiB, 10001, 6001},
          {Event::FileStart, 2 * kGiB},
          {Event::Advance, kGiB, 5001, 8001},
          {Event::Advance, kGiB, 10001, 10001}}},
        {"a new file starts its bar again",
         {{Event::ByteCount, 200},
          {Event::FileStart, 100},
          {Event::Advance, 100, 10001, 5001},
          {Event::FileStart, 100},
          {Event::Advance, 50, 5001, 7501}}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<int, int>> expected;
        for (const Event& e : c.events)
            if (e.kind == Event::Advance) expected.emplace_back(e.file, e.batch);
        EXPECT_EQ(play(c.events), expected) << c.name;
    }
}

TEST(ExtractionReport, TellsFailedAndKeptFilesApart) {
    EXPECT_EQ(extractionProblemsText({}), "");
    const std::string failed =
        extractionProblemsText({.failedFiles = 2, .lastFailure = "CRC error: bad.bin"});
    EXPECT_NE(failed.find("2 files could not be installed. The last message was:\nCRC error: bad.bin"),
              std::string::npos)
        << failed;
    EXPECT_EQ(failed.find("already"), std::string::npos);

    const std::string kept = extractionProblemsText({.keptFiles = 1});
    EXPECT_EQ(kept.find("could not"), std::string::npos) << "kept files have not failed";
    EXPECT_NE(kept.find("1 file was already in the destination folder and was left unchanged; the package's "
                        "copy was not written."),
              std::string::npos)
        << kept;

    const std::string both = extractionProblemsText({.failedFiles = 1, .keptFiles = 3, .lastFailure = "x"});
    EXPECT_NE(both.find("1 file could not be installed."), std::string::npos) << both;
    EXPECT_NE(both.find("3 files were already"), std::string::npos) << both;
}

TEST(ExtractionReport, OnlyACompleteInstallationIsCalledSuccessful) {
    EXPECT_EQ(completionHeading(0), "Installation complete");
    EXPECT_EQ(completionSentence(0),
              "was installed successfully. Click the Finish button to exit \r\nthis installation.");
    EXPECT_EQ(completionHeading(1), "Installation incomplete");
    EXPECT_EQ(completionSentence(1),
              "was not installed completely: 1 file of the package is missing. Click the Finish button to "
              "exit this installation.");
    EXPECT_EQ(
        completionSentence(12).find("was not installed completely: 12 files of the package are missing."),
        0u);
    EXPECT_EQ(completionSentence(3).find("successfully"), std::string::npos);
}

TEST(ExtractionReport, EngineThatGaveUpIsToldWithItsMessage) {
    EXPECT_EQ(extractionFailedText("Not a ZIP archive: Setup.qzp"),
              "The installation could not be completed. The last message was:\nNot a ZIP archive: Setup.qzp");
    EXPECT_EQ(extractionFailedText(""), "The installation could not be completed.");
}

}  // namespace
}  // namespace tavrix::installer
