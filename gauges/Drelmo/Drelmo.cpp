// Drelmo: a flaps position indicator. The host draws the dial and turns the
// needle from the records below; the module smooths the needle's travel, makes
// the flaps pass over the two positions the dial does not mark, and picks one
// of two looks (normal or bright) from a word in the panel's shared block.
#include <windows.h>

#include "common/win32/UniqueHandle.h"
#include "gauges/GaugeRecords.h"
#include "gauges/ModuleRecords.h"
#include "gauges/NeedleTravel.h"
#include "gauges/PanelCalls.h"

namespace g = tavrix::gauges;
using g::host;

namespace {

constexpr std::uint32_t kNormalDial = 101;
constexpr std::uint32_t kNormalNeedle = 102;
constexpr std::uint32_t kBrightNeedle = 103;
constexpr std::uint32_t kBrightDial = 104;

constexpr g::Point kPivotOnDial = {151, 151};
constexpr g::Point kPivotInNeedle = {21, 19};
constexpr std::int32_t kNeedleMaxTurnDegrees = 6;
constexpr std::uint32_t kParentHelpId = 0xA015;
constexpr std::uint32_t kDefaultWidthMm = 50;

// The panel component that owns this block sets the word to choose the look.
constexpr char kSharedBlockName[] = "mm_master";
constexpr DWORD kSharedBlockAccess = FILE_MAP_READ | FILE_MAP_WRITE;  // 6
constexpr std::size_t kAppearanceWordOffset = 360;

// ---- Module-wide state (zero at load, survives kill) --------------------------
g::NeedleTravel needleTravel;
std::uint32_t blockLookupDone = 0;
std::uint32_t blockPresent = 0;
void* blockView = nullptr;
std::uint32_t appearanceSelector = 0;

// ---- Records --------------------------------------------------------------------
extern g::GaugeHeader header;
extern g::ElementHeader* rootCells[2];

double GAUGE_CALL needleCallback(g::SimVariable* variable);

// Each needle has a table of its own: the host writes into the entries.
#define DIAL_MARK(label, x, y, value) {x, y, value, 0.0},
constinit g::NeedleTableEntry normalNeedleTable[] = {
#include "gauges/Drelmo/DialMarks.inc"
};
constinit g::NeedleTableEntry brightNeedleTable[] = {
#include "gauges/Drelmo/DialMarks.inc"
};
#undef DIAL_MARK
constexpr std::uint32_t kNeedleTableEntries = sizeof(normalNeedleTable) / sizeof(normalNeedleTable[0]);
static_assert(kNeedleTableEntries == 7);

constinit g::FailureEntry needleFailures[] = {{1, 2}, {0, 0}};

constexpr g::NeedleElement makeNeedle(std::uint32_t bitmap, std::uint32_t flags, g::NeedleTableEntry* table) {
    return {.element = g::makeElement(g::kNeedle, bitmap, {kPivotOnDial, kPivotInNeedle}, &header, nullptr,
                                      needleFailures, flags),
            .variable = {g::kVariableFlapsPosition, nullptr, 0, 0.0, 0.0},
            .callback = needleCallback,
            .host92 = {},
            .field104 = 125,
            .field108 = 12,
            .table = table,
            .tableEntries = kNeedleTableEntries,
            .maxTurnDegrees = kNeedleMaxTurnDegrees,
            .hostState = {}};
}

constinit g::NeedleElement normalNeedle =
    makeNeedle(kNormalNeedle, g::kImageTransparent | g::kImageErase, normalNeedleTable);
constinit g::NeedleElement brightNeedle =
    makeNeedle(kBrightNeedle, g::kImageTransparent | g::kImageErase | g::kImageBright, brightNeedleTable);

constinit g::ElementHeader* normalFaceNext[] = {&normalNeedle.element, nullptr};
constinit g::ElementHeader* brightFaceNext[] = {&brightNeedle.element, nullptr};

constexpr g::StaticImageElement610 makeFace(std::uint32_t bitmap, std::uint32_t flags,
                                            g::ElementHeader** next) {
    return {.element = g::makeElement(g::kStaticImage, bitmap, {}, &header, next, nullptr, flags),
            .loadedImage = nullptr,
            .host = {}};
}

constinit g::StaticImageElement610 normalFace = makeFace(kNormalDial, g::kImageTransparent, normalFaceNext);
constinit g::StaticImageElement610 brightFace =
    makeFace(kBrightDial, g::kImageTransparent | g::kImageBright, brightFaceNext);

// The header names only the first cell; the bright tree's root follows it.
constinit g::ElementHeader* rootCells[2] = {&normalFace.element, &brightFace.element};

g::ElementHeader* normalTree() {
    return rootCells[0];
}
g::ElementHeader* brightTree() {
    return rootCells[1];
}
g::ElementHeader* shownTree() {
    return appearanceSelector != 0 ? brightTree() : normalTree();
}

// Boxes in pixels of the 302 x 302 dial. Row 150 belongs to neither half.
constinit g::MouseRect mouseList[] = {
    g::mouseListMark(g::kMouseParentBegin, kParentHelpId),
    g::leftClickBox({0, 0, 302, 150}, g::kCursorDownArrow, g::sendEventOnClick<g::kEventFlapsRetract>),
    g::leftClickBox({0, 151, 302, 302}, g::kCursorUpArrow, g::sendEventOnClick<g::kEventFlapsExtend>),
    g::mouseListMark(g::kMouseParentEnd),
    g::mouseListMark(g::kMouseEnd),
};

void GAUGE_CALL moduleInitOrDeinit() {}

// ---- The shared block -------------------------------------------------------
// Looked for once in the module's life: a panel that lacks the block keeps the
// normal look, and a block that appears later is not noticed.
void lookUpSharedBlock() {
    if (blockLookupDone) return;
    tavrix::win32::UniqueKernelHandle block(::OpenFileMappingA(kSharedBlockAccess, FALSE, kSharedBlockName));
    if (block) {
        blockView = ::MapViewOfFile(block.get(), kSharedBlockAccess, 0, 0, 0);
        blockPresent = blockView != nullptr ? 1 : 0;
    } else {
        blockPresent = 0;
    }
    blockLookupDone = 1;
}

void refreshAppearance() {
    if (!blockPresent) return;
    appearanceSelector = *reinterpret_cast<const volatile std::uint32_t*>(
        static_cast<const std::uint8_t*>(blockView) + kAppearanceWordOffset);
}

// ---- Routines -------------------------------------------------------------------
void GAUGE_CALL query() {
    host().elementListQuery(normalTree());
}

void GAUGE_CALL install(g::ResourceHandle resources) {
    host().elementListInstall(normalTree(), resources);
    host().elementListInstall(brightTree(), resources);
    // The mouse boxes are in pixels of the normal dial as the host loaded it.
    host().mouseListInstall(mouseList, &header, &normalFace.loadedImage->size);
    host().mouseListRegister(mouseList, &header);
}

void GAUGE_CALL initialize() {
    host().elementListInitialize(normalTree());
    host().elementListInitialize(brightTree());
    lookUpSharedBlock();
}

// The refresh comes after the update, so a change of look is drawn from this
// frame on and updated from the next.
void GAUGE_CALL update() {
    host().elementListUpdate(shownTree());
    refreshAppearance();
}

void GAUGE_CALL generate(std::uint32_t phase) {
    host().elementListGenerate(shownTree(), phase);
}
void GAUGE_CALL draw() {
    host().elementListPlot(shownTree());
}

void GAUGE_CALL kill() {
    host().mouseListUnregister(mouseList, &header);
    host().elementListKill(normalTree());
    host().elementListKill(brightTree());
}

double GAUGE_CALL needleCallback(g::SimVariable* variable) {
    const g::NeedleStep step = g::advanceNeedle(needleTravel, variable->value);
    if (step.extendFlaps) host().triggerKeyEvent(g::kEventFlapsExtend, 0);
    return step.shown;
}

constinit char gaugeName[] = "Drelmo";

constinit g::GaugeHeader header = g::makeGaugeHeader(
    g::kHeaderVersion610, gaugeName, &rootCells[0],
    {query, install, initialize, update, generate, draw, kill}, kDefaultWidthMm, nullptr, nullptr);

}  // namespace

extern "C" {
constinit g::Linkage Linkage = g::makeLinkage(moduleInitOrDeinit, moduleInitOrDeinit, 0, &header);

constinit g::ImportTable ImportTable = g::kImportTableForHost;

// The view of the shared block lives as long as the module; unmapping it when
// the module is unloaded keeps a host that reloads panels from piling up views.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID processEnding) {
    if (reason == DLL_PROCESS_DETACH && processEnding == nullptr && blockView != nullptr) {
        ::UnmapViewOfFile(blockView);
        blockView = nullptr;
    }
    return TRUE;
}
}
