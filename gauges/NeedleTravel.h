// The flaps needle's travel: how the shown value follows the flap position.
//
// Kept free of any platform type so it builds natively and runs under the
// sanitizers; the module holds one NeedleTravel for its whole life.
#pragma once

namespace tavrix::gauges {

struct NeedleTravel {
    double shown = 0.0;  // what the needle showed after the last update
    double lag = 0.0;    // walks down to a falling target before the needle may follow
};

struct NeedleStep {
    double shown;
    bool extendFlaps;  // the needle came to rest on an unmarked position: send one more extend
};

// Units of the flap position the needle moves per update.
inline constexpr double kNeedleStep = 32.0;

// True for a position the dial does not mark (about 2/8 and 5/8 of travel),
// where a rising needle must not stay. Both bounds are exclusive.
bool isUnmarkedFlapPosition(double position);

// One update with the current flap position `target`.
NeedleStep advanceNeedle(NeedleTravel& travel, double target);

}  // namespace tavrix::gauges
