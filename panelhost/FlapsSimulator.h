// The little simulator behind the panel: the flap position (variable 329)
// moving through nine positions on the extend and retract events, and the
// engines that the auto-start event starts.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace tavrix::panel {

struct SentEvent {
    std::uint32_t id;
    std::uint32_t value;
};

class FlapsSimulator {
public:
    static constexpr std::uint32_t kFlapsVariable = 329;
    static constexpr std::uint32_t kFlapsExtend = 65758;
    static constexpr std::uint32_t kFlapsRetract = 65759;
    static constexpr std::uint32_t kEngineAutoStart = 66224;
    static constexpr int kFlapPositions = 9;  // up, then eighths of full travel
    static constexpr double kFullTravel = 16383.0;

    double variable(std::uint32_t id) const;
    void setVariable(std::uint32_t id, double value);
    // Performs a key event; false for an event the simulator does not know.
    bool trigger(std::uint32_t id, std::uint32_t value);

    int flapIndex() const;
    bool enginesRunning() const { return enginesRunning_; }
    const std::vector<SentEvent>& events() const { return events_; }
    void clearEvents() { events_.clear(); }

private:
    std::map<std::uint32_t, double> variables_{{kFlapsVariable, 0.0}};
    std::vector<SentEvent> events_;
    bool enginesRunning_ = false;
};

}  // namespace tavrix::panel
