// The installer's portable rules: the error report's closing period and the
// line endings of the agreement text.
#include <gtest/gtest.h>

#include "installer/DestinationRules.h"
#include "installer/TextLines.h"
#include "installer/ui/ErrorText.h"

namespace tavrix::installer {
namespace {

TEST(ErrorText, PeriodFollowsTextsEndingAboveThePeriod) {
    struct Case {
        const char* text;
        const char* shown;
    } cases[] = {
        {"", ""},
        {"Cannot open file C:\\x.bmp", "Cannot open file C:\\x.bmp."},
        {"Resource b1 not found", "Resource b1 not found."},
        {"Unknown picture file extension (.gif)", "Unknown picture file extension (.gif)"},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"Really?", "Really?."},
        {"Ends in 7", "Ends in 7."},
        {"Comma,", "Comma,"},
        {"Minus-", "Minus-"},
        {"Slash/", "Slash/."},
        {"Accent \xE9", "Accent \xE9."},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::withClosingPeriod(c.text), c.shown) << c.text;
}

TEST(TextLines, EveryKindOfLineEndingEndsALine) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(splitLines(""), Lines{});
    EXPECT_EQ(splitLines("one"), Lines{"one"});
    EXPECT_EQ(splitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(splitLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines("\r\n\r\n"), (Lines{"", ""}));
}

TEST(FolderCreation, ParentsFirstAndNothingForDrivesOrExistingFolders) {
    auto exists = [](std::initializer_list<const char*> folders) {
        return [folders](const std::string& path) {
            for (const char* folder : folders)
                if (path == folder) return true;
            return false;
        };
    };
    using Folders = std::vector<std::string>;
    EXPECT_EQ(foldersToCreate("C:\\A\\B\\C\\", exists({"C:\\A"})), (Folders{"C:\\A\\B", "C:\\A\\B\\C"}));
    EXPECT_EQ(foldersToCreate("C:", exists({})), Folders{});
    EXPECT_EQ(foldersToCreate("C:\\", exists({})), Folders{});
    EXPECT_EQ(foldersToCreate("C:\\A", exists({"C:\\A"})), Folders{});
    EXPECT_EQ(foldersToCreate("\\\\server\\share\\x", exists({"\\\\server\\share"})),
              Folders{"\\\\server\\share\\x"});
    EXPECT_EQ(foldersToCreate("", exists({})), std::nullopt);
    EXPECT_EQ(foldersToCreate("relative", exists({})), std::nullopt);
}

TEST(FolderProposal, OnlyTheNamedSimulatorsKeyIsReadAndPartsAreJoinedAsTheyAre) {
    std::vector<std::string> keysRead;
    auto reader = [&keysRead](std::optional<std::string> path) {
        return [&keysRead, path](const char* key) {
            keysRead.push_back(key);
            return path;
        };
    };
    EXPECT_EQ(proposeFolder("Flightsimulator 2000", "Aircraft", "X", reader("C:\\FS")),
              "C:\\FS\\Aircraft\\X");
    EXPECT_EQ(keysRead, std::vector<std::string>{kSimulator2000Key});
    keysRead.clear();
    EXPECT_EQ(proposeFolder("Flightsimulator 98", "Scenery MD", "X", reader("C:\\FS98\\")), "C:\\FS98\\");
    EXPECT_EQ(keysRead, std::vector<std::string>{kSimulator98Key});
    keysRead.clear();
    EXPECT_EQ(proposeFolder("Flightsimulator 98 ", "Aircraft", "X", reader("C:\\FS")), std::nullopt);
    EXPECT_EQ(proposeFolder("Flightsimulator 2000", "Aircraft", "X", reader(std::nullopt)), std::nullopt);
    EXPECT_EQ(keysRead, std::vector<std::string>{kSimulator2000Key});
    // A key without a usable value: the parts alone would name a folder in
    // the root of the current drive.
    EXPECT_EQ(proposeFolder("Flightsimulator 2000", "Aircraft", "X", reader("")), std::nullopt);
}

}  // namespace
}  // namespace tavrix::installer
