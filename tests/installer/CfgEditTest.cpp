// Adding a scenery area to scenery.cfg and a repaint's section to
// aircraft.cfg, and taking them out again: on files like the simulator's own
// (a library of 117 areas with gaps, layers apart from numbers, comments;
// an aircraft with gaps among its liveries), in CR LF, LF and without a
// final line end. Whatever was added goes out byte for byte, another
// add-on's section added in between stays, and a file in a form the
// installer does not know is refused untouched.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "installer/AircraftRepaints.h"
#include "installer/PackageRegistration.h"
#include "installer/SceneryLibrary.h"

namespace tavrix::installer {
namespace {

std::string readFile(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}
std::string fixture(const char* name) {
    return readFile(std::string(TEST_SIM_FILES "/") + name);
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// Where two texts part, with a little of each; empty when they do not.
std::string difference(const std::string& got, const std::string& expected) {
    if (got == expected) return {};
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    return "at byte " + std::to_string(at) + " of " + std::to_string(got.size()) + ": \"" +
           got.substr(at, 60) + "\" instead of \"" + expected.substr(at, 60) + "\"";
}

// The fixture as CR LF, LF, and cut before its final line end; and once
// without the empty lines between its sections.
struct Variant {
    const char* what;
    std::string text;
    std::string lineEnd;
    std::string apart;  // what sets sections apart
};
std::vector<Variant> variantsOf(const char* name) {
    const std::string crlf = fixture(name);
    const std::string lf = replaced(crlf, "\r\n", "\n");
    const std::string packed = replaced(lf, "\n\n", "\n");
    return {{"CR LF", crlf, "\r\n", "\r\n"},
            {"LF", lf, "\n", "\n"},
            {"CR LF, no final line end", crlf.substr(0, crlf.size() - 2), "\r\n", "\r\n"},
            {"LF, no final line end", lf.substr(0, lf.size() - 1), "\n", "\n"},
            {"LF, no empty lines, no final line end", packed.substr(0, packed.size() - 1), "\n", ""}};
}

const SceneryArea kLakeside{"Lakeside Airfield", "Scenery\\Lakeside", std::nullopt};
const SceneryArea kHarbour{"North Harbour", "D:\\Addons\\North Harbour", std::nullopt};

TEST(SceneryLibrary, AddedAreaFollowsTheFileAndGoesOutByteForByte) {
    for (const Variant& v : variantsOf("scenery.cfg")) {
        ASSERT_GT(v.text.size(), 10000u) << v.what;
        const TextResult<SceneryAddition> added = addSceneryArea(v.text, kLakeside);
        ASSERT_TRUE(added) << v.what << ": " << added.failure();
        // One above the highest number (123, mid-file) and the highest layer
        // (140), not above the last area's (122 and 122).
        EXPECT_EQ(added->listed.number, 124u) << v.what;
        EXPECT_EQ(added->listed.layer, 141u) << v.what;
        EXPECT_FALSE(added->alreadyListed);
        const std::string e = v.lineEnd;
        const std::string section = "[Area.124]" + e + "Title=Lakeside Airfield" + e +
                                    "Local=Scenery\\Lakeside" + e + "Layer=141" + e + "Active=TRUE" + e +
                                    "Required=FALSE" + e;
        // Behind the last area, an empty line apart, as the file's own areas.
        const std::string lastLine = "Required=FALSE";
        const std::size_t end = v.text.rfind(lastLine) + lastLine.size();
        const bool endsOpen = end == v.text.size();  // and so does the new text
        EXPECT_EQ(difference(added->text, v.text.substr(0, end) + e + v.apart +
                                              section.substr(0, section.size() - endsOpen * e.size())),
                  "")
            << v.what;

        const TextResult<cfg::Removal> removed = removeSceneryArea(added->text, added->listed);
        ASSERT_TRUE(removed) << removed.failure();
        EXPECT_TRUE(removed->found);
        EXPECT_EQ(difference(removed->text, v.text), "") << v.what;
    }
}

// Two add-ons added one after the other, the first taken away: the
// second's section stays, on a line of its own. The second taken away too,
// the file is as it was, and nothing more comes out.
template <typename Add, typename Remove, typename Item>
void checkTwoAddOns(const Variant& v, Add add, Remove remove, const Item& first, const Item& second,
                    const std::string& firstMark, const std::vector<std::string>& secondLines) {
    const auto one = add(v.text, first);
    ASSERT_TRUE(one) << v.what;
    const auto two = add(one->text, second);
    ASSERT_TRUE(two) << v.what;
    const auto without = remove(two->text, one->listed);
    ASSERT_TRUE(without && without->found) << v.what;
    EXPECT_EQ(without->text.find(firstMark), std::string::npos) << v.what;
    std::string secondSection;
    for (const std::string& line : secondLines) secondSection += v.lineEnd + line;
    EXPECT_NE(without->text.find(secondSection), std::string::npos) << v.what;
    const auto last = remove(without->text, two->listed);
    ASSERT_TRUE(last && last->found) << v.what;
    EXPECT_EQ(difference(last->text, v.text), "") << v.what;
    const auto again = remove(last->text, one->listed);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->found);
}

TEST(SceneryLibrary, AnotherAddOnAddedInBetweenKeepsItsArea) {
    for (const Variant& v : variantsOf("scenery.cfg"))
        checkTwoAddOns(v, addSceneryArea, removeSceneryArea, kLakeside, kHarbour, "Scenery\\Lakeside",
                       {"[Area.125]", "Title=North Harbour", "Local=D:\\Addons\\North Harbour", "Layer=142"});
}

TEST(SceneryLibrary, AreaMovedByThePilotIsFoundByItsFolder) {
    const std::string original = fixture("scenery.cfg");
    const auto added = addSceneryArea(original, kLakeside);
    ASSERT_TRUE(added);
    // The pilot moves it up to the top of the list and renames it.
    std::string moved = added->text;
    const std::size_t at = moved.find("[Area.124]");
    const std::string section = moved.substr(at);
    moved.erase(at - 2);
    moved.insert(moved.find("[Area.001]"), replaced(section, "Lakeside Airfield", "My lake") + "\r\n");
    const auto removed = removeSceneryArea(moved, added->listed);
    ASSERT_TRUE(removed && removed->found);
    EXPECT_EQ(difference(removed->text, original), "");
}

TEST(SceneryLibrary, NewAreaTakesTheStyleOfTheFilesLastArea) {
    const std::string oneArea = "[Area.01]\r\nTitle=A\r\nLocal=A\r\nLayer=5\r\n";
    const struct {
        const char* what;
        std::string file;
        SceneryArea area;
        std::string section;  // as added
    } cases[] = {
        {"spaces, own key order, other case, no padding, no empty lines",
         "[general]\n[AREA 7]\n  local = Scenery\\A\n  title = A\n  layer = 3\n  active = True\n"
         "[AREA 9]\n  local = Scenery\\B\n  title = B\n  layer = 2\n  required = False\n  active = True\n",
         kLakeside,
         "[AREA 10]\n  local = Scenery\\Lakeside\n  title = Lakeside Airfield\n  layer = 4\n"
         "  required = False\n  active = True\n"},
        {"a free layer asked for",
         oneArea,
         {"T", "L", 3},
         "[Area.02]\r\nTitle=T\r\nLocal=L\r\nLayer=3\r\nActive=TRUE\r\nRequired=FALSE\r\n"},
        {"a taken layer asked for",
         oneArea,
         {"T", "L", 5},
         "[Area.02]\r\nTitle=T\r\nLocal=L\r\nLayer=6\r\nActive=TRUE\r\nRequired=FALSE\r\n"},
        {"no area yet",
         "[General]\nTitle=World\n",
         {"T", "L", {}},
         "[General]\nTitle=World\n[Area.001]\nTitle=T\nLocal=L\nLayer=1\nActive=TRUE\nRequired=FALSE\n"},
        {"empty file",
         "",
         {"T", "L", {}},
         "[Area.001]\r\nTitle=T\r\nLocal=L\r\nLayer=1\r\nActive=TRUE\r\nRequired=FALSE\r\n"},
    };
    for (const auto& c : cases) {
        const auto added = addSceneryArea(c.file, c.area);
        ASSERT_TRUE(added) << c.what << ": " << added.failure();
        EXPECT_NE(added->text.find(c.section), std::string::npos) << c.what << "\n" << added->text;
        const auto removed = removeSceneryArea(added->text, added->listed);
        ASSERT_TRUE(removed && removed->found) << c.what;
        EXPECT_EQ(removed->text, c.file) << c.what;
    }
}

TEST(SceneryLibrary, FolderListedAlreadyIsNotListedTwice) {
    const std::string original = fixture("scenery.cfg");
    const auto added = addSceneryArea(original, {"Again", "scenery/soutdeta123\\", std::nullopt});
    ASSERT_TRUE(added);
    EXPECT_TRUE(added->alreadyListed);
    EXPECT_EQ(added->listed.number, 123u);
    EXPECT_EQ(difference(added->text, original), "");
}

TEST(SceneryLibrary, UnknownFormsAndHostileValuesLeaveTheFileAlone) {
    const std::string stock = fixture("scenery.cfg");
    std::string duplicate = stock;
    duplicate.replace(duplicate.find("[Area.050]"), 10, "[Area.049]");
    const struct {
        const char* what;
        std::string file;
        SceneryArea area;
        const char* says;
    } cases[] = {
        {"two areas numbered 49", duplicate, kLakeside, "two sections numbered 49"},
        {"a header without its bracket", "[General]\r\n[Area.001\r\nTitle=A\r\n", kLakeside,
         "section header"},
        {"an area without a number", "[Area.one]\r\nTitle=A\r\n", kLakeside, "does not know ([Area.one])"},
        {"a layer that is not a number", "[Area.001]\r\nLayer=top\r\n", kLakeside, "not a number"},
        {"NUL bytes", std::string("[Area.001]\r\n\0\0", 14), kLakeside, "not a text file"},
        {"a CR alone", "[Area.001]\rTitle=A\r\n", kLakeside, "line ending"},
        {"several megabytes", stock + std::string(2 * 1024 * 1024, ';'), kLakeside, "larger than"},
        {"a title with a line break", stock, {"Lake\r\n[Area.999]", "Scenery\\L", {}}, "line break"},
        {"a title with a bracket", stock, {"Lake]", "Scenery\\L", {}}, "bracket"},
        {"an empty title", stock, {"", "Scenery\\L", {}}, "empty"},
        {"a folder that climbs out", stock, {"Lake", "Scenery\\..\\..\\Windows", {}}, "climbs out"},
        {"a folder that climbs out with /", stock, {"Lake", "../Lake", {}}, "climbs out"},
        {"a folder with a line break", stock, {"Lake", "Scenery\\L\nActive=FALSE", {}}, "line break"},
    };
    for (const auto& c : cases) {
        const auto added = addSceneryArea(c.file, c.area);
        EXPECT_FALSE(added) << c.what;
        EXPECT_NE(added.failure().find(c.says), std::string::npos) << c.what << ": " << added.failure();
        EXPECT_NE(added.failure().find("left as it was"), std::string::npos) << c.what;
    }
    const auto removed = removeSceneryArea(duplicate, {49, 49, 1, "Scenery\\Lakeside"});
    EXPECT_FALSE(removed);
}

TEST(SceneryLibrary, LocalIsRelativeInsideTheSimulatorsFolder) {
    EXPECT_EQ(sceneryLocal("C:\\FS2000", "C:\\FS2000\\Scenery\\Lake"), "Scenery\\Lake");
    EXPECT_EQ(sceneryLocal("C:\\FS2000\\", "c:\\fs2000\\Scenery\\Lake"), "Scenery\\Lake");
    EXPECT_EQ(sceneryLocal("C:\\FS2000", "C:\\FS2000X\\Lake"), "C:\\FS2000X\\Lake");
    EXPECT_EQ(sceneryLocal("C:\\FS2000", "D:\\Lake"), "D:\\Lake");
    EXPECT_EQ(sceneryLocal("C:\\FS2000", "C:\\FS2000"), "C:\\FS2000");
}

TEST(SceneryLibrary, RecordLinesReadBackAndVirtualStoreCopies) {
    const std::string area = "124 141 2 D:\\Add ons\\Lake 2";
    const auto read = parseListedArea(area);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->number * 10000 + read->layer * 10 + read->leadIn, 1241412u);
    EXPECT_EQ(listedAreaText(*read), area);
    ASSERT_TRUE(parseListedRepaint("4 1 Red 2"));
    EXPECT_EQ(listedRepaintText(*parseListedRepaint("4 1 Red 2")), "4 1 Red 2");
    for (const char* bad : {"", "124 141 2", "124 141 2 ", "124 141 3 Lake", "124  141 2 Lake",
                            "-1 141 2 Lake", "124 141 2 ..\\Lake", "124 141 2 Lake]"})
        EXPECT_FALSE(parseListedArea(bad)) << bad;
    EXPECT_FALSE(parseListedRepaint("4 1"));

    EXPECT_EQ(virtualStoreCopy("C:\\Users\\Ann\\AppData\\Local\\", "C:\\Program Files\\FS2000\\scenery.cfg"),
              "C:\\Users\\Ann\\AppData\\Local\\VirtualStore\\Program Files\\FS2000\\scenery.cfg");
    EXPECT_EQ(virtualStoreCopy("C:\\Local", "\\\\server\\FS2000\\scenery.cfg"), "");
    EXPECT_EQ(virtualStoreCopy("", "C:\\FS2000\\scenery.cfg"), "");
}

const Repaint kRed{"Kestrel 200 Trainer Red", "Red", 0};
const Repaint kGreen{"Kestrel 200 Trainer Green", "Green", 1};

TEST(AircraftRepaints, RepaintFillsTheFirstGapAndGoesOutByteForByte) {
    for (const Variant& v : variantsOf("aircraft.cfg")) {
        const auto added = addRepaint(v.text, kRed);
        ASSERT_TRUE(added) << v.what << ": " << added.failure();
        EXPECT_EQ(added->listed.number, 2u);
        const std::string e = v.lineEnd;
        // fltsim.0 key for key, behind fltsim.5, the last one in the file.
        const std::string section =
            "[fltsim.2]" + e + "title=Kestrel 200 Trainer Red" + e + "sim=Kestrel200" + e + "model=" + e +
            "panel=" + e + "sound=" + e + "texture=Red" + e + "atc_id=N200KT" + e + "atc_airline=" + e +
            "atc_flight_number=" + e +
            "description=A two-seat trainer with a fixed gear and a 180 hp engine." + e;
        const std::string behind = "texture=RedOld" + e;
        const std::size_t at = v.text.find(behind) + behind.size();
        EXPECT_EQ(difference(added->text, v.text.substr(0, at) + v.apart + section + v.text.substr(at)), "")
            << v.what;

        const auto removed = removeRepaint(added->text, added->listed);
        ASSERT_TRUE(removed && removed->found);
        EXPECT_EQ(difference(removed->text, v.text), "") << v.what;
    }
}

TEST(AircraftRepaints, AnotherRepaintAddedInBetweenKeepsItsSection) {
    // Green is based on fltsim.1 and takes the next gap, 4.
    for (const Variant& v : variantsOf("aircraft.cfg"))
        checkTwoAddOns(v, addRepaint, removeRepaint, kRed, kGreen, "[fltsim.2]",
                       {"[fltsim.4]", "title=Kestrel 200 Trainer Green", "sim=Kestrel200",
                        "model=", "panel=", "sound=", "texture=Green", "atc_id=N201KT"});
}

TEST(AircraftRepaints, BaseWithoutTextureAndRepaintListedAlready) {
    const std::string file = "[FLTSIM.0]\r\ntitle = Glider\r\nsim = glider\r\n";
    const auto added = addRepaint(file, {"Glider Red", "Red", 0});
    ASSERT_TRUE(added);
    EXPECT_EQ(added->text, file + "[FLTSIM.1]\r\ntitle = Glider Red\r\nsim = glider\r\ntexture = Red\r\n");
    const auto again = addRepaint(added->text, {"Glider Red 2", "red", 0});
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->alreadyListed);
    EXPECT_EQ(again->listed.number, 1u);
    EXPECT_EQ(again->text, added->text);
}

TEST(AircraftRepaints, UnknownFormsAndHostileValuesLeaveTheFileAlone) {
    const std::string stock = fixture("aircraft.cfg");
    std::string duplicate = stock;
    duplicate.replace(duplicate.find("[fltsim.5]"), 10, "[fltsim.1]");
    std::string megabytes = stock;
    while (megabytes.size() < 3 * 1024 * 1024) megabytes += "// padding padding padding padding padding\r\n";
    const struct {
        const char* what;
        std::string file;
        Repaint repaint;
        const char* says;
    } cases[] = {
        {"two sections numbered 1", duplicate, kRed, "two sections numbered 1"},
        {"several megabytes", megabytes, kRed, "larger than"},
        {"no section to base it on", stock, {"T", "Red", 7}, "no [fltsim.7]"},
        {"a title with a line break", stock, {"Red\r\n[fltsim.9]", "Red", 0}, "line break"},
        {"a title with a bracket", stock, {"[Red]", "Red", 0}, "bracket"},
        {"a texture that is a path", stock, {"Red", "..\\..\\Red", 0}, "not a folder name"},
        {"a broken fltsim header", "[fltsim.x]\r\ntitle=A\r\n", kRed, "[fltsim.x]"},
    };
    for (const auto& c : cases) {
        const auto added = addRepaint(c.file, c.repaint);
        EXPECT_FALSE(added) << c.what;
        EXPECT_NE(added.failure().find(c.says), std::string::npos) << c.what << ": " << added.failure();
        EXPECT_NE(added.failure().find("left as it was"), std::string::npos) << c.what;
    }
}

// The example packages' description files, read as the profile functions
// read them (sections and keys in any letter case).
TEST(PackageRegistration, ExamplePackagesAskForWhatTheirNotesSay) {
    auto registrationIn = [](const char* package) {
        const std::string text = readFile(std::string(TEST_SAMPLES "/") + package + "/Ostrel.ini");
        TextResult<cfg::File> ini = cfg::parseFile(text, "Ostrel.ini");
        EXPECT_TRUE(ini) << package;
        return readRegistration([&](const char* section, const char* key) {
            for (const cfg::Section& s : ini->sections)
                if (cfg::sameLetters(s.name, section)) return std::string(ini->value(s, key).value_or(""));
            return std::string();
        });
    };
    const auto scenery = registrationIn("sample-scenery-package");
    ASSERT_TRUE(scenery) << scenery.failure();
    ASSERT_TRUE(scenery->scenery);
    EXPECT_FALSE(scenery->repaint);
    EXPECT_EQ(scenery->scenery->title, "Lakeside Airfield");
    EXPECT_EQ(scenery->scenery->folder, "");
    EXPECT_EQ(scenery->scenery->layer, std::nullopt);
    const auto repaint = registrationIn("sample-repaint-package");
    ASSERT_TRUE(repaint) << repaint.failure();
    ASSERT_TRUE(repaint->repaint);
    EXPECT_FALSE(repaint->scenery);
    EXPECT_EQ(repaint->repaint->aircraft, "Kestrel 200 Trainer");
    EXPECT_EQ(repaint->repaint->texture, "Red");
    EXPECT_EQ(repaint->repaint->title, "Kestrel 200 Trainer Red");
    const auto none = registrationIn("sample-package");
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->scenery || none->repaint);
}

TEST(PackageRegistration, KeysOfBothSectionsAndTheirRefusals) {
    using Keys = std::vector<std::pair<std::string, std::string>>;
    auto reading = [](const Keys& keys) {
        return readRegistration([&keys](const char* section, const char* key) {
            for (const auto& [name, value] : keys)
                if (name == std::string(section) + "/" + key) return value;
            return std::string();
        });
    };
    const auto none = reading({{"Title/hl", "Plane"}});
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->scenery || none->repaint);

    const auto both = reading({{"Scenery/Title", "Lakeside"},
                               {"Scenery/Folder", "Lake\\Files"},
                               {"Scenery/Layer", "12"},
                               {"Repaint/Title", "Red"},
                               {"Repaint/Aircraft", "Kestrel"},
                               {"Repaint/Texture", "Red.2"},
                               {"Repaint/Base", "3"}});
    ASSERT_TRUE(both) << both.failure();
    ASSERT_TRUE(both->scenery && both->repaint);
    EXPECT_EQ(both->scenery->folder, "Lake\\Files");
    EXPECT_EQ(both->scenery->layer, 12u);
    EXPECT_EQ(both->repaint->aircraft, "Kestrel");
    EXPECT_EQ(both->repaint->texture, "Red.2");
    EXPECT_EQ(both->repaint->basedOn, 3u);
    const auto defaults = reading({{"Scenery/Title", "Lakeside"},
                                   {"Repaint/Title", "Red"},
                                   {"Repaint/Aircraft", "Kestrel"},
                                   {"Repaint/Texture", "Red"}});
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->scenery->folder, "");
    EXPECT_EQ(defaults->scenery->layer, std::nullopt);
    EXPECT_EQ(defaults->repaint->basedOn, 0u);

    const Keys refused[] = {
        {{"Scenery/Title", "Lake"}, {"Scenery/Layer", "top"}},
        {{"Scenery/Title", "Lake"}, {"Scenery/Layer", "0"}},
        {{"Scenery/Title", "Lake]"}},
        {{"Scenery/Title", "Lake"}, {"Scenery/Folder", "..\\Lake"}},
        {{"Scenery/Title", "Lake"}, {"Scenery/Folder", "C:\\Lake"}},
        {{"Repaint/Title", "Red"}, {"Repaint/Texture", "Red"}},
        {{"Repaint/Title", "Red"}, {"Repaint/Aircraft", "A\\B"}, {"Repaint/Texture", "Red"}},
        {{"Repaint/Title", "Red"}, {"Repaint/Aircraft", "A"}, {"Repaint/Texture", "Red."}},
        {{"Repaint/Title", "Red"}, {"Repaint/Aircraft", "A"}, {"Repaint/Texture", "R*d"}},
        {{"Repaint/Title", "Red"},
         {"Repaint/Aircraft", "A"},
         {"Repaint/Texture", "Red"},
         {"Repaint/Base", "-1"}},
    };
    for (const Keys& keys : refused) {
        const auto read = reading(keys);
        EXPECT_FALSE(read) << keys.back().first << "=" << keys.back().second;
        EXPECT_EQ(read.failure().rfind("Ostrel.ini: ", 0), 0u) << read.failure();
    }
}

}  // namespace
}  // namespace tavrix::installer
