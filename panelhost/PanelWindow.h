// The host's window: a panel with both gauges, live, for a person to click.
#pragma once

#include <string>

namespace tavrix::panel {

// Runs the window until it is closed; the gauges are taken from `folder`.
int runPanelWindow(const std::string& folder);

}  // namespace tavrix::panel
