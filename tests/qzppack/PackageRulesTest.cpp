// The package check's rules for Ostrel.ini: a good description passes, and
// each fault, one at a time, is found with a fix that names the remedy.
#include "qzppack/PackageRules.h"

#include <gtest/gtest.h>

namespace tavrix::qzppack {
namespace {

std::vector<DescriptionKey> goodDescription() {
    return {
        {"Splash", "Filename", "splash.bmp"},
        {"Addon", "Condition", "Freeware"},
        {"Addon", "Type", "Aircraft"},
        {"Title", "hl", "Tavrix Cub Trainer"},
        {"Flightsim", "Version", "Flightsimulator 2000"},
        {"Authors", "1", "ann.smith@example.com"},
        {"Authors", "2", "Ann Smith"},
    };
}

// The description with (section, key) set to `value`, added when missing;
// an empty value takes the key away.
std::vector<DescriptionKey> with(const std::string& section, const std::string& key,
                                 const std::string& value) {
    std::vector<DescriptionKey> keys;
    bool found = false;
    for (DescriptionKey entry : goodDescription()) {
        if (entry.section == section && entry.key == key) {
            found = true;
            if (value.empty()) continue;
            entry.value = value;
        }
        keys.push_back(entry);
    }
    if (!found) keys.push_back({section, key, value});
    return keys;
}

TEST(PackageRules, AGoodDescriptionHasNoProblem) {
    for (const Finding& f : checkDescription(goodDescription(), "[Splash]\r\n")) ADD_FAILURE() << f.problem;
    // Scenery for the simulator's own folder, and keys in other letter case.
    auto scenery = with("Addon", "Type", "Scenery MD");
    scenery.push_back({"TITLE", "HL", "ignored: the first of two alike is read"});
    EXPECT_TRUE(checkDescription(scenery, "").empty());
    EXPECT_EQ(descriptionValues(scenery).title, "Tavrix Cub Trainer");
    // The sections that ask for an area in scenery.cfg or a livery in aircraft.cfg.
    for (const char* key : {"Title", "Folder", "Layer"}) scenery.push_back({"Scenery", key, "1"});
    for (const char* key : {"Title", "Aircraft", "Texture", "Base"}) scenery.push_back({"repaint", key, "1"});
    for (const Finding& f : checkDescription(scenery, "")) ADD_FAILURE() << f.problem;
}

TEST(PackageRules, EachFaultIsFoundWithItsFix) {
    struct Case {
        const char* what;
        std::vector<DescriptionKey> keys;
        std::string bytes;
        const char* problem;  // a part of the one problem found
        const char* fix;      // a part of its fix
    };
    const Case cases[] = {
        {"version in other case", with("Flightsim", "Version", "FlightSimulator 2000"), "", "letter case",
         "Version=Flightsimulator 2000"},
        {"version with a space more", with("Flightsim", "Version", "Flight Simulator 98"), "", "letter case",
         "Version=Flightsimulator 98"},
        {"version of another release", with("Flightsim", "Version", "FS2000"), "", "no simulator",
         "Version=Flightsimulator 2000"},
        {"no version", with("Flightsim", "Version", ""), "", "Version is missing", "exactly so"},
        {"no type", with("Addon", "Type", ""), "", "Type is missing", "Scenery MD"},
        {"scenery in other case", with("Addon", "Type", "Scenery md"), "", "not \"Scenery MD\"",
         "Type=Scenery MD"},
        {"type of two folders", with("Addon", "Type", "Aircraft\\Props"), "", "several folders",
         "one folder"},
        {"type with a colon", with("Addon", "Type", "Air:craft"), "", "\":\"", "one folder"},
        {"no title", with("Title", "hl", ""), "", "hl is missing", "hl="},
        {"title ending in a dot", with("Title", "hl", "Cub Mk. II."), "", "dot or space", "end the title"},
        {"title naming a device", with("Title", "hl", "AUX"), "", "device", "leave out"},
        {"splash by full path", with("Splash", "Filename", "C:\\pics\\splash.bmp"), "", "full path",
         "name alone"},
        {"splash not a picture", with("Splash", "Filename", "splash.png"), "", "bmp, ico, emf or wmf",
         ".bmp"},
        {"section misspelt", with("Titel", "hl", "X"), "", "[Titel] hl is never read", "[Title]"},
        {"key in another section", with("Addon", "Version", "Flightsimulator 2000"), "",
         "[Addon] Version is never read", "put Version in [Flightsim]"},
        {"key misspelt", with("Splash", "Filname", "x.bmp"), "", "[Splash] Filname", "[Splash] Filename"},
        {"a fourth author", with("Authors", "7", "dee@example.com"), "", "[Authors] 7", "keys 1 to 6"},
        {"name without address", with("Authors", "4", "Bo Jensen"), "", "[Authors] 4", "[Authors] 3"},
        {"address without name", with("Authors", "2", ""), "", "without a name", "[Authors] 2"},
        {"address with mail link", with("Authors", "1", "MailTo:ann@example.com"), "",
         "MailTo:", "address alone"},
        {"name in the address key", with("Authors", "1", "Ann Smith"), "", "not an e-mail address",
         "odd keys hold addresses"},
        {"value cut", with("Addon", "Condition", std::string(2048, 'x')), "", "2048 characters", "shorten"},
        {"byte-order mark", goodDescription(), "\xEF\xBB\xBF[Splash]", "byte-order mark", "ANSI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Finding> findings = checkDescription(c.keys, c.bytes);
        ASSERT_EQ(findings.size(), 1u) << (findings.empty() ? "" : findings[0].problem);
        EXPECT_NE(findings[0].problem.find(c.problem), std::string::npos) << findings[0].problem;
        EXPECT_NE(findings[0].fix.find(c.fix), std::string::npos) << findings[0].fix;
    }
}

TEST(PackageRules, FolderNamesAsWindowsTakesThem) {
    for (const char* good : {"Aircraft", "Tavrix Cub Trainer", "Mk.2 (blue)", "con-air", "COM0"})
        EXPECT_EQ(folderNameFault(good), std::nullopt) << good;
    for (const char* bad :
         {"", ".", "..", " Lead", "a/b", "a\\b", "what?", "trail ", "CON", "lpt1.txt", "a\tb"})
        EXPECT_NE(folderNameFault(bad), std::nullopt) << bad;
    EXPECT_NE(folderNameFault(std::string(256, 'a')), std::nullopt);
}

TEST(PackageRules, VolumesAndFloppies) {
    EXPECT_EQ(firstMissingVolume({1, 2, 3}), std::nullopt);
    EXPECT_EQ(firstMissingVolume({1, 3}), 2);
    EXPECT_EQ(firstMissingVolume({2, 3}), 1);
    EXPECT_EQ(bytesOnFloppy(0), 0u);
    EXPECT_EQ(bytesOnFloppy(1), 512u);
    EXPECT_EQ(bytesOnFloppy(512), 512u);
    EXPECT_EQ(bytesOnFloppy(513), 1024u);
    EXPECT_EQ(groupedNumber(1457664), "1,457,664");
    EXPECT_EQ(groupedNumber(999), "999");
    EXPECT_EQ(groupedNumber(1000), "1,000");
}

}  // namespace
}  // namespace tavrix::qzppack
