// The host with the real modules: clicks, looks, and where the needle points.
#include "panelhost/PanelHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <sstream>

#include "panelhost/ScriptRunner.h"
#include "panelhost/SharedBlock.h"

namespace {

using namespace tavrix::panel;

constexpr int kKelvorLeft = 400;  // Kelvor shown at 32 pixels: one panel pixel per bitmap pixel

class Panel : public testing::Test {
protected:
    void load(bool kelvor = true) {
        host.setPanelSize(480, 320);
        std::string error;
        ASSERT_TRUE(host.loadGauge(DRELMO_PATH, 0, 0, 302, error)) << error;
        if (kelvor) {
            ASSERT_TRUE(host.loadGauge(KELVOR_PATH, kKelvorLeft, 0, 32, error)) << error;
        }
        host.frame();
    }
    std::vector<std::uint32_t> eventsAfter(int x, int y, std::uint32_t kind) {
        host.simulator().clearEvents();
        host.click(x, y, kind);
        std::vector<std::uint32_t> ids;
        for (const auto& e : host.simulator().events()) ids.push_back(e.id);
        return ids;
    }
    PanelHost host;
};

using Ids = std::vector<std::uint32_t>;

TEST_F(Panel, ClicksReachTheRectanglesTheyHit) {
    load();
    struct Case {
        const char* where;
        int x, y;
        std::uint32_t kind;
        Ids events;
    } cases[] = {
        {"dial upper half", 150, 20, kClickLeftSingle, {65759}},
        {"dial row 149", 10, 149, kClickLeftSingle, {65759}},
        {"dial row 150", 10, 150, kClickLeftSingle, {}},
        {"dial row 151", 10, 151, kClickLeftSingle, {65758}},
        {"dial last row", 300, 301, kClickLeftSingle, {65758}},
        {"dial right click", 150, 20, kClickRightSingle, {}},
        {"dial middle click", 150, 250, kClickMiddleSingle, {}},
        {"dial double click", 150, 250, kClickLeftDouble, {}},
        {"key upper half", kKelvorLeft + 16, 8, kClickLeftSingle, {66224}},
        {"key column 0", kKelvorLeft, 8, kClickLeftSingle, {}},
        {"key column 31", kKelvorLeft + 31, 15, kClickLeftSingle, {66224}},
        {"key lower half", kKelvorLeft + 16, 16, kClickLeftSingle, {}},
        {"key right click", kKelvorLeft + 16, 8, kClickRightSingle, {}},
        {"panel", 350, 100, kClickLeftSingle, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(eventsAfter(c.x, c.y, c.kind), c.events) << c.where;
}

TEST_F(Panel, EveryClickCountsAndMovesTheFlaps) {
    load();
    host.click(kKelvorLeft + 10, 5, kClickLeftSingle);
    host.click(kKelvorLeft + 10, 5, kClickLeftSingle);
    EXPECT_EQ(host.simulator().events().size(), 2u);
    EXPECT_TRUE(host.simulator().enginesRunning());
    host.click(100, 200, kClickLeftSingle);
    host.click(100, 200, kClickLeftSingle);
    EXPECT_EQ(host.simulator().flapIndex(), 2);
    host.click(100, 100, kClickLeftSingle);
    EXPECT_EQ(host.simulator().flapIndex(), 1);
}

TEST_F(Panel, CursorsOverTheBoxes) {
    load();
    EXPECT_EQ(host.cursorAt(100, 100), 2);  // retract half: down arrow
    EXPECT_EQ(host.cursorAt(100, 200), 1);
    EXPECT_EQ(host.cursorAt(100, 150), -1);
    EXPECT_EQ(host.cursorAt(kKelvorLeft + 5, 5), 5);
    EXPECT_EQ(host.cursorAt(kKelvorLeft + 5, 25), -1);
}

TEST_F(Panel, KillUnregistersTheClickAreas) {
    load();
    host.unloadAll();
    EXPECT_FALSE(host.click(100, 100, kClickLeftSingle));
    EXPECT_TRUE(host.problems().empty()) << host.problems().front();
}

TEST_F(Panel, AModuleAlreadyOnThePanelIsRefused) {
    load(false);
    // A module holds one gauge's records: a second copy would share its trees and click areas.
    std::string error;
    EXPECT_FALSE(host.loadGauge(DRELMO_PATH, 310, 0, 100, error));
    EXPECT_NE(error.find("already on the panel"), std::string::npos) << error;
    EXPECT_EQ(host.gauges().size(), 1u);
    EXPECT_EQ(eventsAfter(150, 250, kClickLeftSingle), Ids{65758});
    host.frame();
    EXPECT_TRUE(host.problems().empty()) << host.problems().front();
}

// The dial face's colour at a point of the face no marking touches.
std::uint32_t faceColour(const PanelHost& host) {
    return host.panel().at(151, 190);
}
constexpr std::uint32_t kNormalFace = rgb(10, 12, 11);  // bitmap 101 in the host's language, 1033
constexpr std::uint32_t kBrightFace = rgb(5, 5, 5);

TEST_F(Panel, BrightWordShowsTheBrightTreeFromTheFirstFrame) {
    SharedBlock block;
    ASSERT_TRUE(block.create());
    block.setAppearanceWord(1);
    load(false);
    EXPECT_EQ(faceColour(host), kBrightFace);
    block.setAppearanceWord(0);
    host.frame();
    EXPECT_EQ(faceColour(host), kNormalFace);
}

TEST_F(Panel, WithoutTheBlockTheNormalTreeForever) {
    load(false);
    SharedBlock block;
    ASSERT_TRUE(block.create());
    block.setAppearanceWord(1);
    for (int i = 0; i < 3; ++i) host.frame();
    EXPECT_EQ(faceColour(host), kNormalFace);
}

TEST_F(Panel, BlockWithAZeroWordShowsTheNormalTree) {
    SharedBlock block;
    ASSERT_TRUE(block.create());
    load(false);
    EXPECT_EQ(faceColour(host), kNormalFace);
    block.setAppearanceWord(7);
    host.frame();
    EXPECT_EQ(faceColour(host), kBrightFace);
}

TEST_F(Panel, HostPicksTheDialInItsLanguage) {
    host.setLanguage(1031);
    load(false);
    EXPECT_EQ(faceColour(host), rgb(7, 7, 7));
}

TEST_F(Panel, TheKeysBlackFrameAndCornersShowThePanel) {
    load();
    const Image& p = host.panel();
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(p.at(kKelvorLeft + i, 0), kPanelColour) << i;
        EXPECT_EQ(p.at(kKelvorLeft + i, 31), kPanelColour) << i;
        EXPECT_EQ(p.at(kKelvorLeft, i), kPanelColour) << i;
        EXPECT_EQ(p.at(kKelvorLeft + 31, i), kPanelColour) << i;
    }
    EXPECT_EQ(p.at(kKelvorLeft + 1, 1), kPanelColour);
    EXPECT_EQ(p.at(kKelvorLeft + 30, 30), kPanelColour);
    EXPECT_NE(p.at(kKelvorLeft + 2, 1), kPanelColour);  // the rim
    EXPECT_EQ(p.at(kKelvorLeft + 16, 26), rgb(95, 92, 105));
}

TEST_F(Panel, PanelLightingDarkensAllButTheBrightElements) {
    SharedBlock block;
    ASSERT_TRUE(block.create());
    host.setLight(0.5);
    load();
    EXPECT_EQ(faceColour(host), rgb(5, 6, 6));                          // normal dial, darkened
    EXPECT_EQ(host.panel().at(kKelvorLeft + 16, 26), rgb(48, 46, 53));  // the key is not bright either
    block.setAppearanceWord(1);
    host.frame();
    EXPECT_EQ(faceColour(host), kBrightFace);  // the bright dial ignores the lighting
}

// Is the ray from the pivot in this direction covered by the needle's shaft?
bool needleAlong(const Image& panel, double degrees, std::uint32_t ink) {
    const double a = degrees * std::numbers::pi / 180;
    for (double r = 25; r <= 70; r += 1) {
        const int x = static_cast<int>(std::floor(151.5 + r * std::cos(a)));
        const int y = static_cast<int>(std::floor(151.5 - r * std::sin(a)));
        const std::uint32_t c = panel.at(x, y);
        if (red(c) < red(ink) * 0.7 || green(c) < green(ink) * 0.7) return false;
    }
    return true;
}

double markDirection(double x, double y) {
    return std::atan2(151 - y, x - 151) * 180 / std::numbers::pi;
}

struct Mark {
    const char* label;
    double x, y, value;
};
const Mark kMarks[] = {{"UP", 0, 151, 0},      {"1", 30, 73, 2050},     {"5", 202, 18, 6143},
                       {"10", 271, 75, 8190},  {"20", 271, 228, 12253}, {"25", 201, 283, 14331},
                       {"30", 103, 281, 16382}};

// Enough frames for the needle to rise to `value` from where it rests
// (32 units an update, plus a few for the turn limit).
void settle(PanelHost& host, double value, double from = 0) {
    host.simulator().setVariable(329, value);
    const int frames = static_cast<int>(std::fabs(value - from) / 32) + 8;
    for (int i = 0; i < frames; ++i) host.frame();
}

TEST_F(Panel, NeedlePointsAtTheMarkOfEachMarkedValue) {
    load(false);
    double from = 0;
    for (const Mark& m : kMarks) {  // rising through the marks in order
        settle(host, m.value, from);
        from = m.value;
        EXPECT_TRUE(needleAlong(host.panel(), markDirection(m.x, m.y), rgb(255, 255, 255))) << m.label;
        // ... and not at the other marks.
        for (const Mark& other : kMarks)
            if (&other != &m) {
                EXPECT_FALSE(needleAlong(host.panel(), markDirection(other.x, other.y), rgb(255, 255, 255)))
                    << m.label << " also along " << other.label;
            }
    }
}

TEST_F(Panel, BrightNeedlePointsAtTheMarksToo) {
    SharedBlock block;
    ASSERT_TRUE(block.create());
    block.setAppearanceWord(1);
    load(false);
    double from = 0;
    for (const Mark& m : {kMarks[1], kMarks[3], kMarks[6]}) {
        settle(host, m.value, from);
        from = m.value;
        EXPECT_TRUE(needleAlong(host.panel(), markDirection(m.x, m.y), rgb(163, 163, 163))) << m.label;
    }
}

TEST_F(Panel, ATreeShownAgainStartsWhereItsNeedleWasLeftAndTurnsSixDegreesAnUpdate) {
    SharedBlock block;
    ASSERT_TRUE(block.create());
    load(false);
    settle(host, 8190);  // the normal needle at 10; the bright one was never updated
    block.setAppearanceWord(1);
    host.frame();  // this update still runs on the normal tree
    const std::uint32_t brightInk = rgb(163, 163, 163);
    EXPECT_TRUE(needleAlong(host.panel(), 180, brightInk)) << "as initialized: at UP";
    host.frame();
    EXPECT_TRUE(needleAlong(host.panel(), 174, brightInk));
    host.frame();
    EXPECT_TRUE(needleAlong(host.panel(), 168, brightInk));
    for (int i = 0; i < 30; ++i) host.frame();
    EXPECT_TRUE(needleAlong(host.panel(), markDirection(271, 75), brightInk));
}

TEST_F(Panel, BeyondTheLastEntryShowsAsThirtyAndBetweenMarksInProportion) {
    load(false);
    const double between = (12253 + 14331) / 2.0;  // halfway from 20 to 25
    settle(host, between);
    EXPECT_TRUE(needleAlong(host.panel(), (markDirection(271, 228) + markDirection(201, 283)) / 2,
                            rgb(255, 255, 255)));
    settle(host, 16383, between);
    EXPECT_TRUE(needleAlong(host.panel(), markDirection(103, 281), rgb(255, 255, 255)));
}

TEST_F(Panel, ExtendingOneStepAtATimePassesTheUnmarkedPositions) {
    load(false);
    std::vector<int> restsAt;
    for (int click = 0; click < 6; ++click) {
        host.click(100, 200, kClickLeftSingle);      // extend
        for (int i = 0; i < 200; ++i) host.frame();  // a step and a skipped one: 2 x 2048 / 32
        restsAt.push_back(host.simulator().flapIndex());
    }
    // Positions 2 and 5 are not marked: the gauge sends one more extend there.
    EXPECT_EQ(restsAt, (std::vector<int>{1, 3, 4, 6, 7, 8}));
}

std::vector<std::pair<std::uint32_t, std::uintptr_t>> gaugeCallbackCalls;
void GAUGE_CALL recordGaugeCallback(tavrix::gauges::GaugeHeader*, std::uint32_t id, std::uintptr_t extra) {
    gaugeCallbackCalls.emplace_back(id, extra);
}

TEST(GaugeModuleCalls, Version800HeadersHearOfEveryRoutineBeforeAndAfter) {
    PanelHost host;
    std::string error;
    auto module = GaugeModule::load(KELVOR_PATH, host.services(), error);
    ASSERT_TRUE(module) << error;
    auto& header = module->header();
    const auto original = header.callback;
    header.callback = recordGaugeCallback;  // the module's own has no effect to observe
    gaugeCallbackCalls.clear();
    module->query();
    module->install();
    module->initialize();
    module->update();
    module->generate(5);
    module->draw();
    module->kill();
    header.callback = original;
    const auto resources = reinterpret_cast<std::uintptr_t>(module->handle());
    using Call = std::pair<std::uint32_t, std::uintptr_t>;
    EXPECT_EQ(gaugeCallbackCalls, (std::vector<Call>{{0, 0},
                                                     {1, 0},
                                                     {2, resources},
                                                     {3, resources},
                                                     {4, 0},
                                                     {5, 0},
                                                     {6, 0},
                                                     {7, 0},
                                                     {8, 5},
                                                     {9, 5},
                                                     {10, 0},
                                                     {11, 0},
                                                     {12, 0},
                                                     {13, 0}}));
}

// The flaps module hands the face's size pair to MouseListInstall without
// looking: a face whose bitmap the host could not load must still have one.
TEST(PanelHostServices, AFaceWithoutItsBitmapStillHasASizeToRead) {
    PanelHost host;
    tavrix::gauges::StaticImageElement610 face{};
    face.element.type = tavrix::gauges::kStaticImage;
    face.element.bitmapId = 999;  // not in the program's resources
    host.installTree(&face.element, ::GetModuleHandleA(nullptr));
    ASSERT_NE(face.loadedImage, nullptr);
    EXPECT_EQ(face.loadedImage->size.width, 0);
    EXPECT_EQ(face.loadedImage->size.height, 0);
    EXPECT_EQ(host.problems().size(), 1u);
    host.killTree(&face.element);
    EXPECT_EQ(face.loadedImage, nullptr);
}

TEST(ScriptedMode, RunsAScriptAndWritesTheScreenshot) {
    char folder[MAX_PATH];
    ::GetTempPathA(MAX_PATH, folder);
    const std::string base =
        std::string(folder) + "panelhost-script-" + std::to_string(::GetCurrentProcessId());
    const std::string scriptPath = base + ".txt", shotPath = base + ".bmp";
    {
        std::ofstream script(scriptPath);
        script << "panel 340 310\nload " << DRELMO_PATH << " 0 0 302\nframes 2\nclick 100 200\n"
               << "frames 100\nscreenshot " << shotPath << "\nunload\n";
    }
    std::ostringstream log;
    EXPECT_EQ(runScriptFile(scriptPath, log), 0) << log.str();
    EXPECT_EQ(log.str(), "event 65758 0\n");
    std::ifstream shot(shotPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(shot)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.size(), 54u + 310u * ((340u * 3 + 3) & ~3u));
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    shot.close();
    std::remove(scriptPath.c_str());
    std::remove(shotPath.c_str());
}

TEST(ScriptedMode, AMissingModuleFailsTheScript) {
    PanelHost host;
    std::ostringstream log;
    ScriptRunner runner(host, "", log);
    EXPECT_FALSE(runner.run({script::Load{"no-such-gauge.gau", 0, 0, 0}, script::Frames{1}}));
    EXPECT_NE(log.str().find("cannot load"), std::string::npos) << log.str();
}

}  // namespace
