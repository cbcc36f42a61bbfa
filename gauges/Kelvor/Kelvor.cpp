// Kelvor: an engine auto-start key for the panel. A single left click on the
// upper half of the key sends the simulator's auto-start event; everything
// else (drawing, hit-testing, installing the mouse list) is the host's, driven
// by the records below.
#include <windows.h>

#include "gauges/GaugeRecords.h"
#include "gauges/ModuleRecords.h"
#include "gauges/PanelCalls.h"

namespace g = tavrix::gauges;
using g::host;

extern "C" g::Linkage Linkage;

namespace {

constexpr std::uint32_t kButtonBitmap = 4352;
constexpr std::uint32_t kButtonFlags = g::kImageTransparent | g::kImageErase | g::kImageSmoothed;
constexpr std::uint32_t kDefaultWidthMm = 100;

// Every routine reaches the key through Linkage, as the host sees it.
g::ElementHeader* button() {
    return *Linkage.gauges[0]->elementList;
}

void GAUGE_CALL moduleInit() {}
void GAUGE_CALL moduleDeinit() {}

void GAUGE_CALL query() {
    host().elementListQuery(button());
}
void GAUGE_CALL install(g::ResourceHandle resources) {
    host().elementListInstall(button(), resources);
}
void GAUGE_CALL initialize() {
    host().elementListInitialize(button());
}
void GAUGE_CALL update() {
    host().elementListUpdate(button());
}
void GAUGE_CALL generate(std::uint32_t phase) {
    host().elementListGenerate(button(), phase);
}
void GAUGE_CALL draw() {
    host().elementListPlot(button());
}
void GAUGE_CALL kill() {
    host().elementListKill(button());
}

void GAUGE_CALL gaugeCallback(g::GaugeHeader*, std::uint32_t, std::uintptr_t) {}

extern g::GaugeHeader800 header;

constinit g::FailureEntry noFailures[] = {{0, 0}};

constinit g::StaticImageElement800 buttonFace = {
    .element =
        g::makeElement(g::kStaticImage, kButtonBitmap, {}, &header.common, nullptr, noFailures, kButtonFlags),
    .loadedImage = nullptr,
    .host = {},
};

constinit g::ElementHeader* rootCell = &buttonFace.element;

constinit g::MouseRect mouseList[] = {
    g::mouseListMark(g::kMouseParentBegin),
    // The upper half, where AUTO stands; START below is not clickable.
    g::leftClickBox({1, 0, 37, 16}, g::kCursorHand, g::sendEventOnClick<g::kEventEngineAutoStart>),
    g::mouseListMark(g::kMouseParentEnd),
    g::mouseListMark(g::kMouseEnd),
};

constinit char gaugeName[] = "Kelvor";

constinit g::GaugeHeader800 header = {
    .common = g::makeGaugeHeader(g::kHeaderVersion800, gaugeName, &rootCell,
                                 {query, install, initialize, update, generate, draw, kill}, kDefaultWidthMm,
                                 mouseList, gaugeCallback),
    .hostFields = {},
};

}  // namespace

extern "C" {
constinit g::Linkage Linkage = g::makeLinkage(moduleInit, moduleDeinit, g::kLinkVersion800, &header.common);

constinit g::ImportTable ImportTable = g::kImportTableForHost;

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
}
