#include "gauges/NeedleTravel.h"

namespace tavrix::gauges {

bool isUnmarkedFlapPosition(double position) {
    return (position > 4090.0 && position < 4110.0) || (position > 10200.0 && position < 10250.0);
}

NeedleStep advanceNeedle(NeedleTravel& travel, double target) {
    double& shown = travel.shown;
    double& lag = travel.lag;
    // A NaN target compares unequal and neither below nor above: leave the needle be.
    if (shown == target || target != target) return {shown, false};

    if (shown < target) {
        shown += kNeedleStep;
        if (shown <= target) return {shown, false};
        // The last step overshot: snap onto the target. Only a snap counts as
        // coming to rest, so only a snap may ask for one more extend.
        shown = target;
        return {shown, isUnmarkedFlapPosition(shown)};
    }

    // Falling: first the lag value walks down to the target while the needle
    // holds still, then the needle walks down.
    if (lag != target) {
        lag -= kNeedleStep;
        if (lag < target) lag = target;
        return {shown, false};
    }
    shown -= kNeedleStep;
    if (shown < target) shown = target;
    return {shown, false};
}

}  // namespace tavrix::gauges
