#include "panelhost/Script.h"

#include <gtest/gtest.h>

#include "panelhost/FlapsSimulator.h"
#include "panelhost/MouseMap.h"

namespace {

using namespace tavrix::panel;

TEST(Script, ReadsEveryCommand) {
    const auto result = script::parse(
        "# a demo\n"
        "scale 2.5\npanel 640 360\nlanguage 1031\nlight 0.5\n"
        "block create\nblock word 1\nblock remove\n"
        "load Drelmo.gau 10 20\nload ../Kelvor.gau 300 0 96  # with a width\n"
        "frames 40\nclick 5 6\nclick 5 6 right\nclick 1 2 double\n"
        "set 329 8191.5\nevent 65758\nevent 65759 3\nunload\nscreenshot out.bmp\n\n");
    ASSERT_EQ(result.error, "");
    ASSERT_EQ(result.commands.size(), 18u);
    EXPECT_DOUBLE_EQ(std::get<script::Scale>(result.commands[0]).pixelsPerMm, 2.5);
    const auto& load = std::get<script::Load>(result.commands[8]);
    EXPECT_EQ(load.path, "../Kelvor.gau");
    EXPECT_EQ(load.width, 96);
    EXPECT_EQ(std::get<script::Load>(result.commands[7]).width, 0);
    EXPECT_EQ(std::get<script::Click>(result.commands[11]).kind, kClickRightSingle);
    EXPECT_EQ(std::get<script::Click>(result.commands[12]).kind, kClickLeftDouble);
    EXPECT_DOUBLE_EQ(std::get<script::SetVariable>(result.commands[13]).value, 8191.5);
    EXPECT_EQ(std::get<script::Event>(result.commands[15]).value, 3u);
    EXPECT_EQ(std::get<script::Screenshot>(result.commands[17]).path, "out.bmp");
}

TEST(Script, AByteOrderMarkIsNotPartOfTheFirstCommand) {
    const auto result = script::parse(
        "\xEF\xBB\xBF"
        "frames 3\n");
    ASSERT_EQ(result.error, "");
    ASSERT_EQ(result.commands.size(), 1u);
    EXPECT_EQ(std::get<script::Frames>(result.commands[0]).count, 3);
}

struct BadLine {
    const char* text;
    const char* error;
};

class BadScript : public testing::TestWithParam<BadLine> {};

TEST_P(BadScript, IsRefusedNamingTheLine) {
    const auto result = script::parse(std::string("frames 1\n") + GetParam().text + "\n");
    EXPECT_TRUE(result.commands.empty());
    EXPECT_EQ(result.error.substr(0, 8), "line 2: ") << result.error;
    EXPECT_NE(result.error.find(GetParam().error), std::string::npos) << result.error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BadScript,
    testing::Values(BadLine{"fly 1", "unknown command"}, BadLine{"frames", "wrong number"},
                    BadLine{"frames -1", "bad number"}, BadLine{"frames 1x", "bad number"},
                    BadLine{"frames 99999999999999999999", "bad number"}, BadLine{"scale 0", "out of range"},
                    BadLine{"scale nan", "bad number"}, BadLine{"light 2", "out of range"},
                    BadLine{"panel 0 10", "bad number"}, BadLine{"click 1 2 sideways", "click kind"},
                    BadLine{"block word", "block create"}, BadLine{"set 329 inf", "bad number"},
                    BadLine{"load a.gau 1", "wrong number"}, BadLine{"unload now", "wrong number"}));

TEST(FlapsSimulator, NinePositionsInEighthsOfFullTravel) {
    FlapsSimulator sim;
    double previous = -1;
    for (int i = 1; i <= 10; ++i) {
        sim.trigger(FlapsSimulator::kFlapsExtend, 0);
        const double v = sim.variable(FlapsSimulator::kFlapsVariable);
        EXPECT_DOUBLE_EQ(v, std::min(i, 8) * 16383.0 / 8) << i;
        EXPECT_GE(v, previous);
        previous = v;
    }
    for (int i = 7; i >= -1; --i) {
        sim.trigger(FlapsSimulator::kFlapsRetract, 0);
        EXPECT_DOUBLE_EQ(sim.variable(FlapsSimulator::kFlapsVariable), std::max(i, 0) * 16383.0 / 8);
    }
    EXPECT_EQ(sim.events().size(), 19u);
}

TEST(FlapsSimulator, ASetPositionStepsFromTheNearestEighth) {
    FlapsSimulator sim;
    sim.setVariable(FlapsSimulator::kFlapsVariable, 4095);
    sim.trigger(FlapsSimulator::kFlapsExtend, 0);
    EXPECT_DOUBLE_EQ(sim.variable(FlapsSimulator::kFlapsVariable), 3 * 16383.0 / 8);
}

TEST(FlapsSimulator, AutoStartRunsTheEnginesAndUnknownEventsAreReported) {
    FlapsSimulator sim;
    EXPECT_FALSE(sim.enginesRunning());
    EXPECT_TRUE(sim.trigger(FlapsSimulator::kEngineAutoStart, 0));
    EXPECT_TRUE(sim.enginesRunning());
    EXPECT_FALSE(sim.trigger(12345, 0));
    EXPECT_EQ(sim.events().back().id, 12345u);
}

}  // namespace
