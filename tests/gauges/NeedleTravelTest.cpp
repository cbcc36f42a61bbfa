#include "gauges/NeedleTravel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using tavrix::gauges::advanceNeedle;
using tavrix::gauges::NeedleTravel;

// Runs updates until the needle shows `target`, or gives up after `limit`.
struct Travel {
    int updates = 0;    // updates until the needle first showed the target
    int extends = 0;    // extend requests on the way
    int firstMove = 0;  // first update on which the shown value changed
    bool arrived = false;
};

Travel follow(NeedleTravel& travel, double target, int limit = 4000) {
    Travel run;
    for (int i = 1; i <= limit; ++i) {
        const double before = travel.shown;
        const auto step = advanceNeedle(travel, target);
        if (step.extendFlaps) ++run.extends;
        if (run.firstMove == 0 && step.shown != before) run.firstMove = i;
        if (step.shown == target) {
            run.updates = i;
            run.arrived = true;
            return run;
        }
    }
    return run;
}

TEST(NeedleTravel, RisesThirtyTwoPerUpdateAndSnapsOntoTheTarget) {
    NeedleTravel travel;  // as loaded, with the flaps already fully out
    const Travel run = follow(travel, 16383);
    EXPECT_EQ(run.updates, 512);  // 511 steps reach 16352, the 512th snaps
    EXPECT_EQ(run.extends, 0);
}

struct RiseCase {
    double target;
    int updates;
    int extends;
};

class RiseFromUp : public testing::TestWithParam<RiseCase> {};

TEST_P(RiseFromUp, SnapsOntoUnmarkedPositionsOnlyAndAsksForOneMoreStep) {
    NeedleTravel travel;
    const Travel run = follow(travel, GetParam().target);
    EXPECT_TRUE(run.arrived);
    EXPECT_EQ(run.updates, GetParam().updates);
    EXPECT_EQ(run.extends, GetParam().extends);
}

INSTANTIATE_TEST_SUITE_P(Targets, RiseFromUp,
                         testing::Values(RiseCase{4095, 128, 1},  // snap inside the unmarked band
                                         RiseCase{4096, 128, 0},  // landed by a full step: no snap
                                         RiseCase{4090, 128, 0},  // bounds are exclusive
                                         RiseCase{4091, 128, 1}, RiseCase{4110, 129, 0},
                                         RiseCase{4109, 129, 1}, RiseCase{10200, 319, 0},
                                         RiseCase{10250, 321, 0}, RiseCase{10249, 321, 1},
                                         RiseCase{10239.375, 320, 1},  // five eighths of full travel
                                         RiseCase{8190, 256, 0}));

TEST(NeedleTravel, AFallNeverAsksForAStep) {
    for (double target : {4095.0, 4100.0, 10240.0, 10210.0, 0.0}) {
        NeedleTravel travel{16383, 0};
        const Travel run = follow(travel, target);
        EXPECT_TRUE(run.arrived) << target;
        EXPECT_EQ(run.extends, 0) << target;
    }
}

TEST(NeedleTravel, FallsHoldWhileTheLagWalksDownFromThePreviousFall) {
    NeedleTravel travel{8190, 0};  // at rest, no fall yet
    Travel first = follow(travel, 6143);
    EXPECT_EQ(first.firstMove, 2);  // the lag jumps to the target in one update
    EXPECT_EQ(first.updates, 65);
    Travel second = follow(travel, 4095);
    EXPECT_EQ(second.firstMove, 65);  // 64 updates of holding while the lag walks 6143 -> 4095
    EXPECT_EQ(second.updates, 128);
    EXPECT_EQ(travel.lag, 4095);
}

TEST(NeedleTravel, FirstFallToUpDoesNotHold) {
    NeedleTravel travel{2050, 0};
    const Travel run = follow(travel, 0);
    EXPECT_EQ(run.firstMove, 1);
    EXPECT_EQ(run.updates, 65);  // 2050 / 32, rounded up
}

TEST(NeedleTravel, LaterFallToUpHoldsForTheLagsWalk) {
    NeedleTravel travel{6143, 0};
    follow(travel, 2048);  // lag now 2048
    const Travel run = follow(travel, 0);
    EXPECT_EQ(run.firstMove, 65);  // 2048 / 32 updates of holding first
}

TEST(NeedleTravel, ARiseLeavesTheLagAtTheLastFallsTarget) {
    NeedleTravel travel{8190, 0};
    follow(travel, 6143);
    follow(travel, 14331);
    EXPECT_EQ(travel.lag, 6143);
    // The next fall holds for the walk from 6143 down, not from where the needle is.
    const Travel run = follow(travel, 5119);
    EXPECT_EQ(run.firstMove, 33);
}

TEST(NeedleTravel, SameValueAndNotANumberLeaveEverythingAsItWas) {
    NeedleTravel travel{4000, 1000};
    auto step = advanceNeedle(travel, 4000);
    EXPECT_EQ(step.shown, 4000);
    step = advanceNeedle(travel, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(step.shown, 4000);
    EXPECT_FALSE(step.extendFlaps);
    EXPECT_EQ(travel.lag, 1000);
}

}  // namespace
