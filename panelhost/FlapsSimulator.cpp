#include "panelhost/FlapsSimulator.h"

#include <algorithm>
#include <cmath>

namespace tavrix::panel {

namespace {
// Exact eighths: none of the steps between them is a multiple of the needle's
// 32-unit stride, so a needle following the flaps always snaps at rest.
double flapPosition(int index) {
    return index * FlapsSimulator::kFullTravel / 8.0;
}
}  // namespace

double FlapsSimulator::variable(std::uint32_t id) const {
    auto it = variables_.find(id);
    return it == variables_.end() ? 0.0 : it->second;
}

void FlapsSimulator::setVariable(std::uint32_t id, double value) {
    variables_[id] = value;
}

int FlapsSimulator::flapIndex() const {
    const double v = variable(kFlapsVariable);
    if (!(v > 0.0)) return 0;
    return std::clamp(static_cast<int>(std::lround(v * 8.0 / kFullTravel)), 0, kFlapPositions - 1);
}

bool FlapsSimulator::trigger(std::uint32_t id, std::uint32_t value) {
    events_.push_back({id, value});
    switch (id) {
        case kFlapsExtend:
            variables_[kFlapsVariable] = flapPosition(std::min(flapIndex() + 1, kFlapPositions - 1));
            return true;
        case kFlapsRetract:
            variables_[kFlapsVariable] = flapPosition(std::max(flapIndex() - 1, 0));
            return true;
        case kEngineAutoStart:
            enginesRunning_ = true;
            return true;
        default:
            return false;
    }
}

}  // namespace tavrix::panel
