// An aircraft's panel.cfg as the host lays it out:
//
//   [Window Titles]
//   Window00=Main Panel                 a window's title (optional)
//
//   [Window00]
//   file=panel.bmp                      background: an 8-bit bitmap beside panel.cfg (optional)
//   size_mm=640,300                     the window's size in panel pixels; without it the
//                                       background's size, without that 640 x 480
//   gauge00=Drelmo!Drelmo, 20, 40, 150  module!gauge, left, top[, width[, height]]
//
// The module is the .gau file of that name beside panel.cfg, the gauge the
// name in its gauge header; without a width the gauge takes its header's
// default width. A height is read but the gauge keeps its proportions.
// Sections and keys match in any letter case; a window without gauges is
// left out, windows open in the order of their sections.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrix::panel {

struct ConfigGauge {
    std::string key;  // "gauge00", for reports
    std::string module;
    std::string name;
    int left = 0, top = 0;
    int width = 0;  // 0: the header's default
    int height = 0;
};

struct ConfigWindow {
    std::string section;  // "Window00"
    std::string title;    // from [Window Titles], else the section's name
    std::string background;
    int width = 0, height = 0;  // 0: not given
    std::vector<ConfigGauge> gauges;
};

struct PanelConfig {
    std::vector<ConfigWindow> windows;
    std::vector<std::string> problems;  // lines that could not be read, by section and key
};

PanelConfig parsePanelConfig(std::string_view text);

}  // namespace tavrix::panel
