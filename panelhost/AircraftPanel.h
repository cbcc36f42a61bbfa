// An aircraft's panel.cfg laid out on a host: one host panel per window that
// names gauges, each gauge loaded from the .gau file beside panel.cfg at the
// place and width the line gives it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "panelhost/PanelHost.h"

namespace tavrix::panel {

struct LaidOutGauge {
    std::string key;    // "gauge00"
    std::string label;  // "Drelmo!Drelmo"
    int left = 0, top = 0, width = 0, height = 0;
};

struct LaidOutWindow {
    std::string section;
    std::string title;
    int width = 0, height = 0;
    std::size_t panel = 0;  // the host's panel that shows it
    std::vector<LaidOutGauge> gauges;
};

struct AircraftPanel {
    std::string configPath;
    std::vector<LaidOutWindow> windows;
    // Gauges that would not load, by their line, and lines that could not be
    // read; the rest of the panel is laid out all the same.
    std::vector<std::string> errors;
};

// The panel.cfg `path` names: the file itself, or panel.cfg in the folder, or
// in its panel sub-folder (an aircraft's folder).
std::optional<std::string> findPanelConfig(const std::string& path);

// Lays the panel out on `host`, which must hold no gauge yet: its panels
// become the windows. An unreadable panel.cfg is an error with no window.
AircraftPanel layOutAircraftPanel(PanelHost& host, const std::string& configPath);

// The layout as lines of text: each window's size, each gauge's rectangle,
// then the errors.
std::string describeLayout(const AircraftPanel& panel);

}  // namespace tavrix::panel
