// Where a needle points for a value: the angles of a needle table's points,
// seen from the pivot, and the interpolation between them.
//
// Angles are in degrees, counter-clockwise from +x with y up on the screen,
// and kept unwrapped along the table (each step turning the shorter way), so
// interpolating and limiting the turn never take the long way round.
#pragma once

#include <span>
#include <vector>

namespace tavrix::panel {

struct DialPoint {
    double x;  // background pixels
    double y;
    double value;
};

class NeedleDial {
public:
    NeedleDial() = default;
    NeedleDial(double pivotX, double pivotY, std::span<const DialPoint> points);

    bool empty() const { return values_.empty(); }
    // The angle of entry i, as stored back into the table for the module's host fields.
    double entryAngle(std::size_t i) const { return angles_[i]; }
    // Values outside the table show as its first or last entry.
    double angleFor(double value) const;

private:
    std::vector<double> values_;
    std::vector<double> angles_;
};

// Moves `current` toward `target` by at most `limit` degrees.
double turnToward(double current, double target, double limit);

}  // namespace tavrix::panel
