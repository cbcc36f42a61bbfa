// The host's windows: panels of live gauges for a person to click.
#pragma once

#include <string>

namespace tavrix::panel {

// Runs the window until it is closed; the gauges are taken from `folder`.
int runPanelWindow(const std::string& folder);

// An aircraft's panel.cfg (the file, or the aircraft's folder): a window for
// each of its windows that names gauges, at its size, each gauge where the
// file puts it. Gauges that would not load are told in a box first.
int runAircraftPanel(const std::string& path);

}  // namespace tavrix::panel
