#include "panelhost/NeedleDial.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavrix::panel {

namespace {

double shorterTurn(double from, double to) {
    double delta = std::fmod(to - from, 360.0);
    if (delta > 180.0) delta -= 360.0;
    if (delta <= -180.0) delta += 360.0;
    return delta;
}

}  // namespace

NeedleDial::NeedleDial(double pivotX, double pivotY, std::span<const DialPoint> points) {
    for (const DialPoint& p : points) {
        const double raw = std::atan2(pivotY - p.y, p.x - pivotX) * 180.0 / std::numbers::pi;
        angles_.push_back(angles_.empty() ? raw : angles_.back() + shorterTurn(angles_.back(), raw));
        values_.push_back(p.value);
    }
}

double NeedleDial::angleFor(double value) const {
    if (values_.empty()) return 0.0;
    // NaN, like anything below the first entry, shows as the first entry.
    if (!(value > values_.front())) return angles_.front();
    if (value >= values_.back()) return angles_.back();
    const auto upper = std::upper_bound(values_.begin(), values_.end(), value) - values_.begin();
    const auto lower = upper - 1;
    const double span = values_[upper] - values_[lower];
    const double t = span > 0.0 ? (value - values_[lower]) / span : 1.0;
    return angles_[lower] + (angles_[upper] - angles_[lower]) * t;
}

double turnToward(double current, double target, double limit) {
    if (!(limit > 0.0)) return target;  // no limit given
    return current + std::clamp(target - current, -limit, limit);
}

}  // namespace tavrix::panel
