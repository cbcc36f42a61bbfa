// The installation record's text and the plan worked out from a listing:
// what goes in comes out, and a record that is cut, altered or names a file
// outside the destination is refused whole.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "installer/InstallPlan.h"
#include "installer/InstallRecord.h"

namespace tavrix::installer {
namespace {

InstallRecord sampleRecord() {
    InstallRecord record;
    record.title = "My Plane = Mk II";
    record.complete = true;
    record.createdDestinationLevels = 2;
    record.folders = {"panel", "texture.Red"};
    record.files = {{"aircraft.cfg", 1234, 0x0a1b2c3d}, {"texture.Red\\a b.bmp", 5000000000ull, 0xffffffff}};
    record.replaced = {"panel\\panel.cfg"};
    record.edited = {"C:\\FS2000\\Aircraft\\My Plane\\Aircraft.CFG|3 1 Red",
                     "\\\\hangar\\FS2000\\scenery.cfg|12 40 0 Scenery\\Lakeside"};
    return record;
}

TEST(InstallRecord, WhatIsWrittenReadsBackTheSame) {
    const InstallRecord record = sampleRecord();
    const std::string text = recordText(record);
    EXPECT_EQ(text.rfind("Tavrix installation record 1\r\nTitle=My Plane = Mk II\r\nState=complete\r\n", 0),
              0u);
    EXPECT_NE(text.find("\r\nFile=5000000000 ffffffff texture.Red\\a b.bmp\r\n"), std::string::npos);
    const TextResult<InstallRecord> read = parseRecord(text);
    ASSERT_TRUE(read) << read.failure();
    EXPECT_EQ(*read, record);
    InstallRecord empty;
    ASSERT_TRUE(parseRecord(recordText(empty)));
    EXPECT_EQ(*parseRecord(recordText(empty)), empty);
}

// One kind of damage a row: each must be refused with the same clear text.
TEST(InstallRecord, DamagedCutOrOutsideRecordsAreRefused) {
    const std::string good = recordText(sampleRecord());
    auto resealed = [](std::string body) {
        // A record altered with care: its CRC is made to match again.
        body = body.substr(0, body.rfind("End="));
        return body + "End=" + zeroPadded(crc32(0, body.data(), body.size()), 8, 16) + "\r\n";
    };
    std::string flipped = good;
    flipped[good.find("1234")] = '9';
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"cut in the middle", good.substr(0, good.size() / 2)},
        {"closing line cut", good.substr(0, good.size() - 3)},
        {"one digit changed", flipped},
        {"another heading", resealed("Other record 1\r\n" + good.substr(good.find("Title=")))},
        {"a drive", resealed(good.substr(0, good.find("Replaced=")) + "Replaced=C:\\boot.ini\r\nEnd=0\r\n")},
        {"a parent",
         resealed(good.substr(0, good.find("Replaced=")) + "File=1 00000000 ..\\x.dll\r\nEnd=0\r\n")},
        {"a leading backslash",
         resealed(good.substr(0, good.find("Replaced=")) + "Folder=\\Windows\r\nEnd=0\r\n")},
        {"an unknown line", resealed(good.substr(0, good.find("Replaced=")) + "Delete=*\r\nEnd=0\r\n")},
        {"a bad size", resealed(good.substr(0, good.find("Replaced=")) + "File=-1 00000000 x\r\nEnd=0\r\n")},
        {"a short CRC", resealed(good.substr(0, good.find("Replaced=")) + "File=1 abc x\r\nEnd=0\r\n")},
        // Only the simulator's two lists are edited, named in full with their section.
        {"an edited record",
         resealed(good.substr(0, good.find("Replaced=")) + "Edited=C:\\x\\Record.txt|1 0 Red\r\nEnd=0\r\n")},
        {"an edited list not in full",
         resealed(good.substr(0, good.find("Replaced=")) + "Edited=FS\\scenery.cfg|1 2 0 X\r\nEnd=0\r\n")},
        {"an edited list without its section",
         resealed(good.substr(0, good.find("Replaced=")) + "Edited=C:\\scenery.cfg\r\nEnd=0\r\n")},
        {"a bad state", resealed(good.substr(0, good.find("State=")) + "State=done\r\n" +
                                 good.substr(good.find("Created destination=")))},
    };
    for (const auto& c : cases) {
        const TextResult<InstallRecord> read = parseRecord(c.text);
        EXPECT_FALSE(read) << c.what;
        EXPECT_EQ(read.failure(), "The installation record is damaged; nothing was removed.") << c.what;
    }
}

TEST(InstallRecord, TitlesBecomeOneFolderName) {
    EXPECT_EQ(recordFolder("My Plane"), "Uninstall\\My Plane");
    EXPECT_EQ(recordFolderName("A/B\\C:D*?\"<>|"), "A_B_C_D______");
    EXPECT_EQ(recordFolderName(" Spaced. . "), "Spaced");
    EXPECT_EQ(recordFolderName(""), "Add-on");
    EXPECT_EQ(recordFolderName(".."), "Add-on");
    EXPECT_TRUE(isNameInside("texture\\a.bmp"));
    for (const char* outside : {"", "\\a", "a\\", "a\\\\b", "C:a", "..", "a\\..\\b", ".\\a", "a?", "a/b"})
        EXPECT_FALSE(isNameInside(outside)) << outside;
}

TEST(InstallPlan, FoldersOnceOutermostFirstAndFilesByWhatIsThere) {
    const std::vector<std::string> folders = {"panel"};
    const std::map<std::string, FoundFile> files = {
        {"readme.txt", {8, 0x11}},        // the package's own contents
        {"panel\\panel.cfg", {9, 0x22}},  // other contents
    };
    const DestinationProbe probe{[&](const std::string& name) {
                                     return std::find(folders.begin(), folders.end(), name) != folders.end();
                                 },
                                 [&](const std::string& name, std::uint64_t) -> std::optional<FoundFile> {
                                     const auto found = files.find(name);
                                     if (found == files.end()) return std::nullopt;
                                     return found->second;
                                 }};
    const InstallPlan plan = planInstallation({{"readme.txt", 8, 0x11},
                                               {"panel\\panel.cfg", 10, 0x33},
                                               {"texture\\", 0, 0},
                                               {"texture\\night\\a.bmp", 100, 1},
                                               {"texture\\b.bmp", 50, 2},
                                               {"..\\evil.dll", 5, 3},
                                               {"C:\\boot.ini", 5, 4}},
                                              probe);
    EXPECT_EQ(plan.folders, (std::vector<std::string>{"texture", "texture\\night"}));
    EXPECT_EQ(plan.newFiles,
              (std::vector<RecordedFile>{{"texture\\night\\a.bmp", 100, 1}, {"texture\\b.bmp", 50, 2}}));
    EXPECT_EQ(plan.existing, (std::vector<RecordedFile>{{"panel\\panel.cfg", 10, 0x33}}));
    EXPECT_EQ(plan.sameFiles, 1);
    EXPECT_EQ(plan.unsafeNames, (std::vector<std::string>{"..\\evil.dll", "C:\\boot.ini"}));
    EXPECT_EQ(plan.bytesToWrite(false), 150u) << "the files kept are not counted";
    EXPECT_EQ(plan.bytesToWrite(true), 160u);
}

TEST(InstallPlan, NothingBelowAMissingFolderIsLookedFor) {
    std::vector<std::string> foldersAsked, filesAsked;
    const DestinationProbe probe{[&](const std::string& name) {
                                     foldersAsked.push_back(name);
                                     return name == "panel";
                                 },
                                 [&](const std::string& name, std::uint64_t) -> std::optional<FoundFile> {
                                     filesAsked.push_back(name);
                                     return std::nullopt;
                                 }};
    std::vector<PackageEntry> entries = {{"readme.txt", 1, 1}, {"panel\\panel.cfg", 1, 1}};
    for (int n = 0; n < 1000; ++n)
        entries.push_back({"texture\\" + std::string(n % 2 ? "day\\" : "night\\") + std::to_string(n), 1, 1});
    const InstallPlan plan = planInstallation(entries, probe);
    EXPECT_EQ(foldersAsked, (std::vector<std::string>{"panel", "texture"}));
    EXPECT_EQ(filesAsked, (std::vector<std::string>{"readme.txt", "panel\\panel.cfg"}));
    EXPECT_EQ(plan.folders, (std::vector<std::string>{"texture", "texture\\night", "texture\\day"}));
    EXPECT_EQ(plan.newFiles.size(), 1002u);
}

}  // namespace
}  // namespace tavrix::installer
