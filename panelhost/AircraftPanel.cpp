#include "panelhost/AircraftPanel.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "panelhost/Image.h"
#include "panelhost/PanelConfig.h"

namespace tavrix::panel {
namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;
constexpr std::size_t kBmpFileHeaderSize = 14;

bool isFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A .bmp file's packed bitmap, decoded as the gauges' own bitmaps are.
DibResult readBackground(const std::string& path) {
    const std::optional<std::string> bytes = readFile(path);
    if (!bytes) return {std::nullopt, "cannot be read"};
    if (bytes->size() <= kBmpFileHeaderSize || !bytes->starts_with("BM"))
        return {std::nullopt, "not a bitmap"};
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    return decodePackedDib({data + kBmpFileHeaderSize, bytes->size() - kBmpFileHeaderSize});
}

}  // namespace

std::optional<std::string> findPanelConfig(const std::string& path) {
    if (isFile(path)) return path;
    if (!isFolder(path)) return std::nullopt;
    const std::string folder = path.ends_with('\\') || path.ends_with('/') ? path : path + "\\";
    for (const char* name : {"panel.cfg", "panel\\panel.cfg"})
        if (isFile(folder + name)) return folder + name;
    return std::nullopt;
}

AircraftPanel layOutAircraftPanel(PanelHost& host, const std::string& configPath) {
    AircraftPanel result;
    result.configPath = configPath;
    const std::optional<std::string> text = readFile(configPath);
    if (!text) {
        result.errors.push_back("cannot read " + configPath);
        return result;
    }
    const std::string folder = configPath.substr(0, configPath.find_last_of("\\/") + 1);
    const PanelConfig config = parsePanelConfig(*text);
    result.errors = config.problems;
    if (config.windows.empty()) result.errors.push_back("no window of " + configPath + " names a gauge");

    host.removePanels();
    for (const ConfigWindow& window : config.windows) {
        Image background;
        if (!window.background.empty()) {
            DibResult read = readBackground(folder + window.background);
            if (read.image)
                background = std::move(*read.image);
            else
                result.errors.push_back("[" + window.section + "] file=" + window.background + ": " +
                                        read.error);
        }
        LaidOutWindow& laid = result.windows.emplace_back();
        laid.section = window.section;
        laid.title = window.title;
        laid.width = window.width ? window.width : background.width ? background.width : kDefaultWidth;
        laid.height = window.height;
        if (laid.height == 0 && window.width && background.width)
            laid.height = window.width * background.height / background.width;
        if (laid.height == 0 && !window.width) laid.height = background.height;
        if (laid.height == 0) laid.height = window.width ? window.width * 3 / 4 : kDefaultHeight;
        laid.panel = host.addPanel(laid.width, laid.height, std::move(background));
        for (const ConfigGauge& gauge : window.gauges) {
            const std::string label = gauge.module + "!" + gauge.name;
            std::string error;
            if (!host.loadGauge(folder + gauge.module + ".gau", gauge.left, gauge.top, gauge.width, error,
                                laid.panel, gauge.name)) {
                result.errors.push_back("[" + window.section + "] " + gauge.key + "=" + label + ": " + error);
                continue;
            }
            const PanelGauge& loaded = host.gauges().back();
            laid.gauges.push_back(
                {gauge.key, label, gauge.left, gauge.top, host.shownWidth(loaded), host.shownHeight(loaded)});
        }
    }
    return result;
}

std::string describeLayout(const AircraftPanel& panel) {
    std::string text = "panel " + panel.configPath + "\n";
    for (const LaidOutWindow& window : panel.windows) {
        text += "window " + window.section + " \"" + window.title + "\" " + std::to_string(window.width) +
                " x " + std::to_string(window.height) + "\n";
        for (const LaidOutGauge& gauge : window.gauges)
            text += "  " + gauge.key + " " + gauge.label + " at " + std::to_string(gauge.left) + ", " +
                    std::to_string(gauge.top) + " size " + std::to_string(gauge.width) + " x " +
                    std::to_string(gauge.height) + "\n";
    }
    for (const std::string& error : panel.errors) text += "error: " + error + "\n";
    return text;
}

}  // namespace tavrix::panel
