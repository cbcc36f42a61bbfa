#include "panelhost/PanelHost.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <span>
#include <string_view>

#include "panelhost/Raster.h"

namespace tavrix::panel {

namespace g = gauges;

namespace {

PanelHost* activeHost = nullptr;

constexpr std::uint32_t kLoadedImageTag = 0x31474D49;  // "IMG1"
constexpr std::uint32_t kGeneratePhase = 1;
constexpr std::size_t kMaxMouseRects = 256;
constexpr int kMaxTreeDepth = 16;

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// Nothing may unwind into a module: every entry point reports and returns.
template <typename Call>
auto served(const char* what, Call&& call) -> decltype(call(*activeHost)) {
    using Result = decltype(call(*activeHost));
    if (activeHost == nullptr) return Result();
    try {
        return call(*activeHost);
    } catch (const std::exception& e) {
        activeHost->report(std::string(what) + ": " + e.what());
    } catch (...) {
        activeHost->report(std::string(what) + ": failed");
    }
    return Result();
}

void GAUGE_CALL serveQuery(g::ElementHeader* root) {
    served("ElementListQuery", [&](PanelHost& h) { h.queryTree(root); });
}
void GAUGE_CALL serveInstall(g::ElementHeader* root, g::ResourceHandle resources) {
    served("ElementListInstall", [&](PanelHost& h) { h.installTree(root, resources); });
}
void GAUGE_CALL serveInitialize(g::ElementHeader* root) {
    served("ElementListInitialize", [&](PanelHost& h) { h.initializeTree(root); });
}
void GAUGE_CALL serveUpdate(g::ElementHeader* root) {
    served("ElementListUpdate", [&](PanelHost& h) { h.updateTree(root); });
}
void GAUGE_CALL serveGenerate(g::ElementHeader* root, std::uint32_t phase) {
    served("ElementListGenerate", [&](PanelHost& h) { h.generateTree(root, phase); });
}
void GAUGE_CALL servePlot(g::ElementHeader* root) {
    served("ElementListPlot", [&](PanelHost& h) { h.plotTree(root); });
}
void GAUGE_CALL serveKill(g::ElementHeader* root) {
    served("ElementListKill", [&](PanelHost& h) { h.killTree(root); });
}
void GAUGE_CALL serveMouseInstall(g::MouseRect* list, g::GaugeHeader* header, g::ImageSize* size) {
    served("MouseListInstall", [&](PanelHost& h) { h.installMouseList(list, header, size); });
}
void GAUGE_CALL serveMouseRegister(g::MouseRect* list, g::GaugeHeader* header) {
    served("MouseListRegister", [&](PanelHost& h) { h.registerMouseList(list, header, true); });
}
void GAUGE_CALL serveMouseUnregister(g::MouseRect* list, g::GaugeHeader* header) {
    served("MouseListUnregister", [&](PanelHost& h) { h.registerMouseList(list, header, false); });
}
std::int32_t GAUGE_CALL serveTriggerKeyEvent(std::uint32_t id, std::uint32_t value) {
    return served("TriggerKeyEvent", [&](PanelHost& h) { return h.triggerKeyEvent(id, value); });
}

}  // namespace

PanelHost::PanelHost() : previousHost_(activeHost) {
    services_.elementListQuery = serveQuery;
    services_.elementListInstall = serveInstall;
    services_.elementListInitialize = serveInitialize;
    services_.elementListUpdate = serveUpdate;
    services_.elementListGenerate = serveGenerate;
    services_.elementListPlot = servePlot;
    services_.elementListKill = serveKill;
    services_.mouseListInstall = serveMouseInstall;
    services_.mouseListRegister = serveMouseRegister;
    services_.mouseListUnregister = serveMouseUnregister;
    services_.triggerKeyEvent = serveTriggerKeyEvent;
    activeHost = this;
    setPanelSize(640, 360);
}

PanelHost::~PanelHost() {
    unloadAll();
    activeHost = previousHost_;
}

void PanelHost::setPanelSize(int width, int height) {
    panels_.clear();
    addPanel(width, height);
}

std::size_t PanelHost::addPanel(int width, int height, Image background) {
    Panel& panel = panels_.emplace_back();
    panel.image = Image{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    panel.background = std::move(background);
    clear(panels_.size() - 1);
    return panels_.size() - 1;
}

void PanelHost::clear(std::size_t index) {
    Panel& panel = panels_[index];
    fill(panel.image, kPanelColour);
    if (panel.background.width > 0 && panel.background.height > 0)
        drawScaled(panel.image, panel.background, 0, 0, double(panel.image.width) / panel.background.width,
                   {});
}

int PanelHost::shownWidth(const PanelGauge& gauge) const {
    if (gauge.requestedWidth > 0) return gauge.requestedWidth;
    return static_cast<int>(std::lround(gauge.module->header().widthMm * pixelsPerMm_));
}

int PanelHost::shownHeight(const PanelGauge& gauge) const {
    const g::GaugeHeader& h = gauge.module->header();
    if (h.heightMm != 0 && gauge.requestedWidth == 0)
        return static_cast<int>(std::lround(h.heightMm * pixelsPerMm_));
    // No height of its own: the background's proportions.
    if (gauge.backgroundWidth <= 0) return shownWidth(gauge);
    return static_cast<int>(
        std::lround(double(shownWidth(gauge)) * gauge.backgroundHeight / gauge.backgroundWidth));
}

void PanelHost::removePanels() {
    if (gauges_.empty()) panels_.clear();
}

bool PanelHost::loadGauge(const std::string& path, int left, int top, int width, std::string& error,
                          std::size_t panel, const std::string& gaugeName) {
    if (panel >= panels_.size()) {
        error = "no panel " + std::to_string(panel);
        return false;
    }
    std::vector<HMODULE> inUse;
    for (const PanelGauge& gauge : gauges_) inUse.push_back(gauge.module->handle());
    auto module = GaugeModule::load(path, &services_, error, inUse);
    if (!module) return false;
    const char* name = module->header().name ? module->header().name : "";
    if (!gaugeName.empty() && !sameName(gaugeName, name)) {
        error = path.substr(path.find_last_of("\\/") + 1) + " has no gauge named \"" + gaugeName +
                "\" (its gauge is \"" + name + "\")";
        return false;
    }
    PanelGauge& gauge = gauges_.emplace_back();
    gauge.module = std::move(module);
    gauge.panel = panel;
    gauge.left = left;
    gauge.top = top;
    gauge.requestedWidth = width;
    GaugeModule& m = *gauge.module;
    m.header().panelPosition = {left, top};

    m.query();
    m.install();
    if (auto it = elements_.find(m.root()); it != elements_.end() && it->second.loaded) {
        gauge.backgroundWidth = it->second.loaded->image.width;
        gauge.backgroundHeight = it->second.loaded->image.height;
    }
    // A header that names its mouse list leaves installing it to the host,
    // in pixels of the gauge's background.
    if (g::MouseRect* list = m.header().mouseList) {
        gauge.hostOwnsMouseList = true;
        const g::ImageSize size{gauge.backgroundWidth, gauge.backgroundHeight};
        installMouseList(list, &m.header(), &size);
        registerMouseList(list, &m.header(), true);
    }
    m.initialize();
    return true;
}

void PanelHost::unloadAll() {
    while (!gauges_.empty()) {
        PanelGauge& gauge = gauges_.back();
        if (gauge.hostOwnsMouseList) registerMouseList(gauge.mouseList, &gauge.module->header(), false);
        gauge.module->kill();
        gauges_.pop_back();  // module deinit, then the library goes
    }
}

void PanelHost::frame() {
    for (std::size_t panel = 0; panel < panels_.size(); ++panel) clear(panel);
    for (PanelGauge& gauge : gauges_) {
        gauge.module->update();
        gauge.module->generate(kGeneratePhase);
        gauge.module->draw();
    }
}

bool PanelHost::click(int x, int y, std::uint32_t clickKind, std::size_t panel) {
    for (auto it = gauges_.rbegin(); it != gauges_.rend(); ++it) {
        PanelGauge& gauge = *it;
        if (gauge.panel != panel) continue;
        const int w = shownWidth(gauge), h = shownHeight(gauge);
        if (x < gauge.left || y < gauge.top || x >= gauge.left + w || y >= gauge.top + h) continue;
        if (!gauge.mouseRegistered || gauge.mouseList == nullptr) return false;
        const auto hit = gauge.mouse.click(x - gauge.left, y - gauge.top, w, h, clickKind);
        if (!hit) return false;
        g::MouseRect& rect = gauge.mouseList[hit->index];
        g::Point point{hit->bgX, hit->bgY};
        if (rect.callback) rect.callback(&point, clickKind);
        if (rect.keyEvent != 0) triggerKeyEvent(rect.keyEvent, 0);
        return true;
    }
    return false;
}

std::int32_t PanelHost::cursorAt(int x, int y, std::size_t panel) const {
    for (auto it = gauges_.rbegin(); it != gauges_.rend(); ++it) {
        const PanelGauge& gauge = *it;
        if (gauge.panel != panel) continue;
        const int w = shownWidth(gauge), h = shownHeight(gauge);
        if (x < gauge.left || y < gauge.top || x >= gauge.left + w || y >= gauge.top + h) continue;
        if (!gauge.mouseRegistered) return g::kCursorNone;
        return gauge.mouse.cursorAt(x - gauge.left, y - gauge.top, w, h);
    }
    return g::kCursorNone;
}

// ---- element trees ------------------------------------------------------------

template <typename Visit>
void PanelHost::walk(g::ElementHeader* root, Visit&& visit) {
    struct Step {
        static void go(g::ElementHeader* e, Visit& v, int depth, PanelHost& host) {
            if (e == nullptr) return;
            if (depth > kMaxTreeDepth) {
                host.report("element tree too deep");
                return;
            }
            v(e);
            if (e->nextList == nullptr) return;
            for (g::ElementHeader** next = e->nextList; *next != nullptr; ++next)
                go(*next, v, depth + 1, host);
        }
    };
    Step::go(root, visit, 0, *this);
}

PanelGauge* PanelHost::gaugeOf(const g::GaugeHeader* header) {
    for (PanelGauge& gauge : gauges_)
        if (&gauge.module->header() == header) return &gauge;
    return nullptr;
}

std::unique_ptr<PanelHost::LoadedImage> PanelHost::loadBitmap(HMODULE module, std::uint32_t id) {
    // The host's language first, then neutral, then whichever the module has.
    HRSRC found = ::FindResourceExA(module, RT_BITMAP, MAKEINTRESOURCEA(id), language_);
    if (found == nullptr) found = ::FindResourceExA(module, RT_BITMAP, MAKEINTRESOURCEA(id), 0);
    if (found == nullptr) found = ::FindResourceA(module, MAKEINTRESOURCEA(id), RT_BITMAP);
    if (found == nullptr) {
        report("bitmap " + std::to_string(id) + " missing from the module");
        return nullptr;
    }
    HGLOBAL data = ::LoadResource(module, found);
    const void* bytes = data ? ::LockResource(data) : nullptr;
    const DWORD size = ::SizeofResource(module, found);
    if (bytes == nullptr) {
        report("bitmap " + std::to_string(id) + " cannot be loaded");
        return nullptr;
    }
    DibResult decoded = decodePackedDib({static_cast<const std::uint8_t*>(bytes), size});
    if (!decoded.image) {
        report("bitmap " + std::to_string(id) + ": " + decoded.error);
        return nullptr;
    }
    auto loaded = std::make_unique<LoadedImage>();
    loaded->image = std::move(*decoded.image);
    loaded->head = {kLoadedImageTag, {loaded->image.width, loaded->image.height}};
    return loaded;
}

void PanelHost::queryTree(g::ElementHeader*) {}

void PanelHost::installTree(g::ElementHeader* root, g::ResourceHandle resources) {
    walk(root, [&](g::ElementHeader* e) {
        ElementState& state = elements_[e];
        state.loaded = loadBitmap(static_cast<HMODULE>(resources), e->bitmapId);
        // A bitmap that would not load (already reported) becomes an empty
        // image: a module may read a face's size without looking, and then
        // finds 0 x 0, which draws nothing and takes no clicks.
        if (!state.loaded) {
            state.loaded = std::make_unique<LoadedImage>();
            state.loaded->head = {kLoadedImageTag, {0, 0}};
        }
        if (e->type == g::kStaticImage) {
            reinterpret_cast<g::StaticImageElement610*>(e)->loadedImage = &state.loaded->head;
        } else if (e->type == g::kNeedle) {
            auto* needle = reinterpret_cast<g::NeedleElement*>(e);
            std::vector<DialPoint> points;
            for (std::uint32_t i = 0; i < needle->tableEntries && needle->table != nullptr; ++i)
                points.push_back(
                    {double(needle->table[i].x), double(needle->table[i].y), needle->table[i].value});
            state.dial = NeedleDial(e->position.x, e->position.y, points);
            for (std::uint32_t i = 0; i < points.size(); ++i)
                needle->table[i].hostAngle = state.dial.entryAngle(i);
        }
    });
}

void PanelHost::initializeTree(g::ElementHeader* root) {
    walk(root, [&](g::ElementHeader* e) {
        auto it = elements_.find(e);
        if (it != elements_.end() && e->type == g::kNeedle)
            it->second.angle = it->second.dial.angleFor(-HUGE_VAL);
    });
}

void PanelHost::updateTree(g::ElementHeader* root) {
    walk(root, [&](g::ElementHeader* e) {
        auto it = elements_.find(e);
        if (it == elements_.end() || e->type != g::kNeedle) return;
        auto* needle = reinterpret_cast<g::NeedleElement*>(e);
        g::SimVariable& variable = needle->variable;
        variable.previous = variable.value;
        variable.value = simulator_.variable(variable.id);
        const double shown = needle->callback ? needle->callback(&variable) : variable.value;
        ElementState& state = it->second;
        state.angle = turnToward(state.angle, state.dial.angleFor(shown), needle->maxTurnDegrees);
    });
}

void PanelHost::generateTree(g::ElementHeader*, std::uint32_t) {}

void PanelHost::plotTree(g::ElementHeader* root) {
    if (root == nullptr) return;
    const PanelGauge* gauge = gaugeOf(root->gauge);
    if (gauge == nullptr || gauge->panel >= panels_.size()) {
        report("plot of an element whose gauge is not on the panel");
        return;
    }
    drawElement(*gauge, root, 0);
}

void PanelHost::drawElement(const PanelGauge& gauge, g::ElementHeader* e, int depth) {
    if (depth > kMaxTreeDepth) return;
    auto it = elements_.find(e);
    if (it != elements_.end() && it->second.loaded && gauge.backgroundWidth > 0) {
        const Image& image = it->second.loaded->image;
        const double scale = double(shownWidth(gauge)) / gauge.backgroundWidth;
        DrawStyle style;
        style.transparent = (e->imageFlags & g::kImageTransparent) != 0;
        style.smoothed = (e->imageFlags & g::kImageSmoothed) != 0;
        style.brightness = (e->imageFlags & g::kImageBright) != 0 ? 1.0 : light_;
        if (e->type == g::kNeedle) {
            // Pixel centres: the pivot pixel of the needle lands on the pivot pixel of the dial.
            drawRotated(panels_[gauge.panel].image, image, e->bitmapOffset.x + 0.5, e->bitmapOffset.y + 0.5,
                        gauge.left + (e->position.x + 0.5) * scale, gauge.top + (e->position.y + 0.5) * scale,
                        it->second.angle, scale, style);
        } else {
            drawScaled(panels_[gauge.panel].image, image, gauge.left + e->position.x * scale,
                       gauge.top + e->position.y * scale, scale, style);
        }
    }
    if (e->nextList == nullptr) return;
    for (g::ElementHeader** next = e->nextList; *next != nullptr; ++next)
        drawElement(gauge, *next, depth + 1);
}

void PanelHost::killTree(g::ElementHeader* root) {
    walk(root, [&](g::ElementHeader* e) {
        if (e->type == g::kStaticImage) reinterpret_cast<g::StaticImageElement610*>(e)->loadedImage = nullptr;
        elements_.erase(e);
    });
}

// ---- mouse lists --------------------------------------------------------------

void PanelHost::installMouseList(g::MouseRect* list, g::GaugeHeader* header, const g::ImageSize* size) {
    PanelGauge* gauge = gaugeOf(header);
    if (gauge == nullptr || list == nullptr || size == nullptr) {
        report("MouseListInstall without a gauge, list or background size");
        return;
    }
    std::vector<MouseArea> areas;
    for (std::size_t i = 0; list[i].kind != g::kMouseEnd; ++i) {
        if (i == kMaxMouseRects) {
            report("mouse list without an end");
            return;
        }
        const g::MouseRect& r = list[i];
        areas.push_back({r.kind, r.box.x, r.box.y, r.box.width, r.box.height, r.cursor, r.mouseFlags, i});
    }
    gauge->mouseList = list;
    gauge->mouse = MouseMap(std::move(areas), size->width, size->height);
}

void PanelHost::registerMouseList(g::MouseRect* list, g::GaugeHeader* header, bool registered) {
    PanelGauge* gauge = gaugeOf(header);
    if (gauge == nullptr || list != gauge->mouseList) {
        report("mouse list (un)registered that was not installed");
        return;
    }
    gauge->mouseRegistered = registered;
}

std::int32_t PanelHost::triggerKeyEvent(std::uint32_t id, std::uint32_t value) {
    if (!simulator_.trigger(id, value)) report("unknown key event " + std::to_string(id));
    return 1;
}

}  // namespace tavrix::panel
