// The panel host: loads gauge modules, serves their panel service calls,
// draws them onto a panel image, routes clicks to their mouse rectangles and
// runs the little flaps-and-engines simulator behind them.
//
// Panel services carry no context, so the most recently created host serves
// every module's calls; the host calls modules one at a time, from one thread.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gauges/GaugeRecords.h"
#include "panelhost/FlapsSimulator.h"
#include "panelhost/GaugeModule.h"
#include "panelhost/Image.h"
#include "panelhost/MouseMap.h"
#include "panelhost/NeedleDial.h"

namespace tavrix::panel {

// The panel behind the gauges: what shows through their transparent pixels.
inline constexpr std::uint32_t kPanelColour = rgb(64, 68, 62);

struct PanelGauge {
    std::unique_ptr<GaugeModule> module;
    std::size_t panel = 0;  // which of the host's panels shows it
    int left = 0, top = 0;
    int requestedWidth = 0;  // 0: the header's default width at the panel's scale
    int backgroundWidth = 0, backgroundHeight = 0;
    bool hostOwnsMouseList = false;  // the header names its list: the host installs it
    gauges::MouseRect* mouseList = nullptr;
    MouseMap mouse;
    bool mouseRegistered = false;
};

class PanelHost {
public:
    PanelHost();
    ~PanelHost();
    PanelHost(const PanelHost&) = delete;
    PanelHost& operator=(const PanelHost&) = delete;

    gauges::PanelServices* services() { return &services_; }
    FlapsSimulator& simulator() { return simulator_; }

    // One panel of that size in place of all (the host starts with one of 640 x 360).
    void setPanelSize(int width, int height);
    // Another panel (a window of an aircraft's panel), with what shows behind
    // its gauges: `background` scaled to the panel when it has pixels, else
    // the panel colour. Its index for loadGauge, click and panel.
    std::size_t addPanel(int width, int height, Image background = {});
    void setPixelsPerMm(double scale) { pixelsPerMm_ = scale; }
    void setLanguage(std::uint16_t language) { language_ = language; }
    void setLight(double level) { light_ = level; }

    // Loads a module and runs query, install and initialize; false with a reason.
    // With a `gaugeName`, the module's gauge must go by that name (in any
    // letter case), as a panel.cfg asks for it.
    bool loadGauge(const std::string& path, int left, int top, int width, std::string& error,
                   std::size_t panel = 0, const std::string& gaugeName = {});
    // Takes every panel away, for a layout of panels of its own; only while
    // no gauge is loaded.
    void removePanels();
    // Kill, module deinit and unload, for every gauge, last loaded first.
    void unloadAll();

    // One panel frame: update, generate and draw of every gauge.
    void frame();
    // A click at panel pixels; true when a mouse rectangle took it.
    bool click(int x, int y, std::uint32_t clickKind, std::size_t panel = 0);
    std::int32_t cursorAt(int x, int y, std::size_t panel = 0) const;

    const Image& panel(std::size_t index = 0) const { return panels_[index].image; }
    std::size_t panelCount() const { return panels_.size(); }
    std::vector<PanelGauge>& gauges() { return gauges_; }
    // What went wrong inside service calls (a missing bitmap and the like).
    const std::vector<std::string>& problems() const { return problems_; }

    // Width and height of a gauge as shown on the panel.
    int shownWidth(const PanelGauge& gauge) const;
    int shownHeight(const PanelGauge& gauge) const;

    // ---- the services, for the static entry points ----
    void queryTree(gauges::ElementHeader* root);
    void installTree(gauges::ElementHeader* root, gauges::ResourceHandle resources);
    void initializeTree(gauges::ElementHeader* root);
    void updateTree(gauges::ElementHeader* root);
    void generateTree(gauges::ElementHeader* root, std::uint32_t phase);
    void plotTree(gauges::ElementHeader* root);
    void killTree(gauges::ElementHeader* root);
    void installMouseList(gauges::MouseRect* list, gauges::GaugeHeader* header,
                          const gauges::ImageSize* size);
    void registerMouseList(gauges::MouseRect* list, gauges::GaugeHeader* header, bool registered);
    std::int32_t triggerKeyEvent(std::uint32_t id, std::uint32_t value);
    void report(std::string problem) { problems_.push_back(std::move(problem)); }

private:
    struct LoadedImage {
        gauges::LoadedImageHead head;  // what the module may read: {word, width, height}
        Image image;
    };
    struct ElementState {
        std::unique_ptr<LoadedImage> loaded;
        NeedleDial dial;
        double angle = 0.0;
    };

    template <typename Visit>
    void walk(gauges::ElementHeader* root, Visit&& visit);
    PanelGauge* gaugeOf(const gauges::GaugeHeader* header);
    std::unique_ptr<LoadedImage> loadBitmap(HMODULE module, std::uint32_t id);
    void drawElement(const PanelGauge& gauge, gauges::ElementHeader* element, int depth);
    void clear(std::size_t panel);

    gauges::PanelServices services_{};
    PanelHost* previousHost_ = nullptr;
    FlapsSimulator simulator_;
    std::vector<PanelGauge> gauges_;
    std::map<gauges::ElementHeader*, ElementState> elements_;
    struct Panel {
        Image image;
        Image background;
    };
    std::vector<Panel> panels_;
    double pixelsPerMm_ = 3.0;
    std::uint16_t language_ = 1033;
    double light_ = 1.0;
    std::vector<std::string> problems_;
};

}  // namespace tavrix::panel
