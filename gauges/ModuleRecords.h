// Builders for the records a module declares as initialised static data. They
// fill every field, so a module names only what sets it apart, and every field
// it does not name is the zero or null the host expects.
#pragma once

#include "gauges/GaugeRecords.h"

namespace tavrix::gauges {

// What the module asks of the host: the service table, written by the host.
inline constexpr ImportTable kImportTableForHost = {kPanelServicesImportId, nullptr, 0, nullptr};

constexpr Linkage makeLinkage(ModuleRoutine init, ModuleRoutine deinit, std::uint32_t linkVersion,
                              GaugeHeader* gauge) {
    return {.moduleId = kLinkageModuleId,
            .moduleInit = init,
            .moduleDeinit = deinit,
            .flags = 0,
            .priority = 0,
            .linkVersion = linkVersion,
            .gauges = {gauge, nullptr}};
}

// The header's common part; height and adjustments are zero in our modules.
constexpr GaugeHeader makeGaugeHeader(std::uint32_t version, const char* name, ElementHeader** elementList,
                                      const GaugeRoutines& routines, std::uint32_t widthMm,
                                      MouseRect* mouseList, GaugeCallback callback) {
    return {.version = version,
            .name = name,
            .elementList = elementList,
            .routines = routines,
            .reserved40 = nullptr,
            .widthMm = widthMm,
            .heightMm = 0,
            .adjustX = 0.0f,
            .adjustY = 0.0f,
            .reserved60 = nullptr,
            .reserved64 = nullptr,
            .panelPosition = {0, 0},
            .reserved76 = nullptr,
            .mouseList = mouseList,
            .callback = callback};
}

struct ElementPlace {
    Point position;      // static image: top-left on the gauge; needle: pivot on the gauge
    Point bitmapOffset;  // needle: pivot inside its own bitmap
};

constexpr ElementHeader makeElement(ElementType type, std::uint32_t bitmapId, ElementPlace place,
                                    GaugeHeader* gauge, ElementHeader** nextList, FailureEntry* failures,
                                    std::uint32_t imageFlags) {
    return {.type = type,
            .bitmapId = bitmapId,
            .position = place.position,
            .previousPosition = {0, 0},
            .bitmapOffset = place.bitmapOffset,
            .gauge = gauge,
            .previous = nullptr,
            .nextList = nextList,
            .failures = failures,
            .imageFlags = imageFlags,
            .aircraftFlags = 0,
            .reserved = 0};
}

// A parent or end entry of a mouse list: no box of its own, no cursor, no callback.
constexpr MouseRect mouseListMark(MouseRectKind kind, std::uint32_t helpId = 0) {
    return {kind, {0, 0, 0, 0}, kCursorNone, helpId, 0, 0, nullptr, nullptr};
}

// A clickable box that answers a single left click by calling `callback`.
constexpr MouseRect leftClickBox(MouseBox box, std::int32_t cursor, MouseCallback callback) {
    return {kMouseChild, box, cursor, 0, kMouseLeftSingle, 0, callback, nullptr};
}

}  // namespace tavrix::gauges
