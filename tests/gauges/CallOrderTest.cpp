// What the modules ask of the host, in order, recorded by a service table of
// our own; and their callbacks called as the host would call them.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include "tests/gauges/ModuleFixture.h"

namespace {

using namespace gaugetest;
using testing::ElementsAre;

class KelvorCalls : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module.linkage);
        module.attach(services);
        services.names[module.root(0)] = "key";
    }
    LoadedModule module{KELVOR_PATH};
    RecordingServices services;
};

TEST_F(KelvorCalls, EveryRoutineForwardsToTheKey) {
    g::GaugeHeader& h = module.header();
    module.links().moduleInit();
    h.routines.query();
    h.routines.install(reinterpret_cast<g::ResourceHandle>(module.handle));
    h.routines.initialize();
    h.routines.update();
    h.routines.generate(7);
    h.routines.draw();
    h.routines.kill();
    module.links().moduleDeinit();
    EXPECT_THAT(services.calls, ElementsAre("query key", "install key", "initialize key", "update key",
                                            "generate key 7", "plot key", "kill key"));
}

TEST_F(KelvorCalls, GaugeCallbackDoesNothingForAnyServiceId) {
    g::GaugeHeader& h = module.header();
    for (std::uint32_t id = 0; id <= 13; ++id) h.callback(&h, id, 0x1234);
    EXPECT_TRUE(services.calls.empty());
}

TEST_F(KelvorCalls, EveryClickSendsAutoStartAndReturnsZero) {
    g::MouseRect& child = module.header().mouseList[1];
    g::Point point{3, 4};
    EXPECT_EQ(child.callback(&point, 0x20000000), 0);
    EXPECT_EQ(child.callback(nullptr, 0), 0);  // both arguments are ignored
    EXPECT_THAT(services.calls, ElementsAre("event 66224 0", "event 66224 0"));
}

class DrelmoCalls : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module.linkage);
        module.attach(services);
        services.names[module.root(0)] = "normal";
        services.names[module.root(1)] = "bright";
    }
    void install() {
        g::GaugeHeader& h = module.header();
        h.routines.query();
        h.routines.install(reinterpret_cast<g::ResourceHandle>(module.handle));
        h.routines.initialize();
    }
    void frame() {
        g::GaugeHeader& h = module.header();
        h.routines.update();
        h.routines.generate(1);
        h.routines.draw();
    }
    LoadedModule module{DRELMO_PATH};
    RecordingServices services;
};

TEST_F(DrelmoCalls, LifecycleInTheModulesOrder) {
    install();
    frame();
    module.header().routines.kill();
    EXPECT_THAT(services.calls,
                ElementsAre("query normal", "install normal", "install bright", "mouse install list 302x302",
                            "mouse register list", "initialize normal", "initialize bright", "update normal",
                            "generate normal 1", "plot normal", "mouse unregister list", "kill normal",
                            "kill bright"));
    // The size handed over is the normal face's own {width, height} pair.
    EXPECT_EQ(services.mouseInstallSize, &services.fakeImage.size);
}

TEST_F(DrelmoCalls, ClicksOnTheHalvesRetractAndExtend) {
    install();
    services.calls.clear();
    const g::MouseRect* list = services.mouseList;
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list[1].callback(nullptr, 0x20000000), 0);
    EXPECT_EQ(list[2].callback(nullptr, 0x20000000), 0);
    EXPECT_THAT(services.calls, ElementsAre("event 65759 0", "event 65758 0"));
}

TEST_F(DrelmoCalls, WithoutTheBlockTheNormalTreeStaysShown) {
    install();
    services.calls.clear();
    for (int i = 0; i < 3; ++i) frame();
    ASSERT_EQ(services.calls.size(), 9u);
    for (const std::string& call : services.calls) EXPECT_NE(call.find("normal"), std::string::npos) << call;
}

TEST_F(DrelmoCalls, BrightWordSwitchesTreesAfterTheUpdateThatReadsIt) {
    AppearanceBlock block(1);
    install();
    services.calls.clear();
    frame();  // the first update runs on the normal tree and reads the word
    frame();
    EXPECT_THAT(services.calls, ElementsAre("update normal", "generate bright 1", "plot bright",
                                            "update bright", "generate bright 1", "plot bright"));
    block.set(0);
    services.calls.clear();
    frame();
    frame();
    EXPECT_THAT(services.calls, ElementsAre("update bright", "generate normal 1", "plot normal",
                                            "update normal", "generate normal 1", "plot normal"));
}

TEST_F(DrelmoCalls, TheBlockIsLookedForOnlyAtTheFirstInitialize) {
    install();  // no block yet
    AppearanceBlock block(1);
    module.header().routines.kill();
    install();  // a later initialize does not look again
    services.calls.clear();
    frame();
    frame();
    EXPECT_THAT(services.calls, ElementsAre("update normal", "generate normal 1", "plot normal",
                                            "update normal", "generate normal 1", "plot normal"));
}

// The needle callback, as the host calls it once per update.
class DrelmoNeedle : public DrelmoCalls {
protected:
    double update(double target) {
        g::NeedleElement* needle = module.needle(0);
        needle->variable.value = target;
        return needle->callback(&needle->variable);
    }
    int updatesUntil(double target) {
        for (int i = 1; i <= 2000; ++i)
            if (update(target) == target) return i;
        return -1;
    }
};

TEST_F(DrelmoNeedle, RiseToAnUnmarkedPositionAsksForOneMoreExtend) {
    EXPECT_EQ(updatesUntil(4095), 128);
    EXPECT_THAT(services.events, ElementsAre(65758u));
    EXPECT_EQ(update(4095), 4095);  // at rest: nothing more
    EXPECT_EQ(services.events.size(), 1u);
}

TEST_F(DrelmoNeedle, RiseThatLandsWithoutASnapSendsNothing) {
    EXPECT_EQ(updatesUntil(4096), 128);
    EXPECT_TRUE(services.events.empty());
}

TEST_F(DrelmoNeedle, BothNeedlesShareOneTravelThatSurvivesKill) {
    updatesUntil(8190);
    module.header().routines.kill();
    g::NeedleElement* bright = module.needle(1);
    bright->variable.value = 8190;
    EXPECT_EQ(bright->callback(&bright->variable), 8190);
}

TEST_F(DrelmoNeedle, FallHoldsThenWalksDownAndSendsNothing) {
    updatesUntil(8190);
    EXPECT_EQ(update(6143), 8190);  // the first fall holds for one update
    EXPECT_EQ(update(6143), 8190 - 32);
    EXPECT_EQ(updatesUntil(6143), 63);
    EXPECT_TRUE(services.events.empty());
}

}  // namespace
