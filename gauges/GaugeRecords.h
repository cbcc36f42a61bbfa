// Records shared between a gauge module and the panel host that loads it.
//
// The host reads these records straight out of the module's data, so their
// layout is a binary contract: little-endian, 32-bit integers and pointers,
// packed on 4-byte boundaries (a float64 may sit at an offset that is only a
// multiple of 4). Every offset is pinned by a static_assert below for the
// 32-bit build; a build with wider pointers keeps the field order.
//
// Every routine and callback crossing the contract uses the standard calling
// convention: the host pops nothing, so a cdecl routine taking arguments
// would leave the host's stack unbalanced on its first call.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define GAUGE_CALL __stdcall
#else
#define GAUGE_CALL
#endif

namespace tavrix::gauges {

struct GaugeHeader;
struct ElementHeader;
struct SimVariable;
struct MouseRect;
struct PanelServices;

// Opaque to the module: the host's handle of the module whose resources hold
// the element bitmaps.
using ResourceHandle = void*;

#pragma pack(push, 4)

struct Point {
    std::int32_t x;
    std::int32_t y;
};

struct ImageSize {
    std::int32_t width;
    std::int32_t height;
};

// Where the host keeps a loaded image: the module only reads the size pair.
struct LoadedImageHead {
    std::uint32_t hostWord;
    ImageSize size;
};

// ---- Routines a module offers -------------------------------------------------
using ModuleRoutine = void(GAUGE_CALL*)();
using GaugeRoutine = void(GAUGE_CALL*)();
using InstallRoutine = void(GAUGE_CALL*)(ResourceHandle resources);
using GenerateRoutine = void(GAUGE_CALL*)(std::uint32_t phase);
// `extra` carries the resource handle for the install services: pointer-wide,
// which is the 32-bit contract's double word in the 32-bit build.
using GaugeCallback = void(GAUGE_CALL*)(GaugeHeader* gauge, std::uint32_t serviceId, std::uintptr_t extra);
using MouseCallback = std::int32_t(GAUGE_CALL*)(Point* clickPoint, std::uint32_t mouseFlags);
using NeedleCallback = double(GAUGE_CALL*)(SimVariable* variable);

// ---- The host's service table -------------------------------------------------
using ElementService = void(GAUGE_CALL*)(ElementHeader* root);
using ElementInstallService = void(GAUGE_CALL*)(ElementHeader* root, ResourceHandle resources);
using ElementGenerateService = void(GAUGE_CALL*)(ElementHeader* root, std::uint32_t phase);
using MouseInstallService = void(GAUGE_CALL*)(MouseRect* list, GaugeHeader* gauge, ImageSize* background);
using MouseListService = void(GAUGE_CALL*)(MouseRect* list, GaugeHeader* gauge);
using TriggerKeyEventService = std::int32_t(GAUGE_CALL*)(std::uint32_t eventId, std::uint32_t value);

// Only the entries from 0x60 to 0x90 are called by our modules; the rest
// belong to services of the host they never use.
struct PanelServices {
    void* unusedLow[24];
    ElementService elementListQuery;
    ElementInstallService elementListInstall;
    ElementService elementListInitialize;
    ElementService elementListUpdate;
    ElementGenerateService elementListGenerate;
    ElementService elementListPlot;
    void* unused78;
    ElementService elementListKill;
    MouseInstallService mouseListInstall;
    MouseListService mouseListRegister;
    MouseListService mouseListUnregister;
    void* unused8C;
    TriggerKeyEventService triggerKeyEvent;
};

// ---- Exported records ---------------------------------------------------------
inline constexpr std::uint32_t kPanelServicesImportId = 0x0F;

struct ImportTable {
    std::uint32_t servicesId;  // kPanelServicesImportId
    PanelServices* services;   // written by the host before any call
    std::uint32_t endId;       // 0
    void* endPointer;          // null
};

inline constexpr std::uint32_t kLinkageModuleId = 0x13;
inline constexpr std::uint32_t kLinkVersion800 = 0x800;

// A module lists exactly one gauge header; the list ends with a null entry.
struct Linkage {
    std::uint32_t moduleId;
    ModuleRoutine moduleInit;
    ModuleRoutine moduleDeinit;
    std::uint32_t flags;
    std::uint32_t priority;
    std::uint32_t linkVersion;
    GaugeHeader* gauges[2];
};

// ---- Gauge header ---------------------------------------------------------------
inline constexpr std::uint32_t kHeaderVersion610 = 610;
inline constexpr std::uint32_t kHeaderVersion800 = 800;

// The routines the host calls on the gauge, in the order the header lists them.
struct GaugeRoutines {
    GaugeRoutine query;
    InstallRoutine install;
    GaugeRoutine initialize;
    GaugeRoutine update;
    GenerateRoutine generate;
    GaugeRoutine draw;
    GaugeRoutine kill;
};

struct GaugeHeader {
    std::uint32_t version;
    const char* name;
    ElementHeader** elementList;  // a cell holding the root element's address
    GaugeRoutines routines;
    void* reserved40;
    std::uint32_t widthMm;
    std::uint32_t heightMm;
    float adjustX;
    float adjustY;
    void* reserved60;
    void* reserved64;
    Point panelPosition;  // host
    void* reserved76;
    MouseRect* mouseList;    // null: the gauge manages its mouse list itself
    GaugeCallback callback;  // null: none
};

// Version 800 carries further host fields past the common part.
struct GaugeHeader800 {
    GaugeHeader common;
    std::uint32_t hostFields[10];
};

// ---- Elements -----------------------------------------------------------------
enum ElementType : std::uint32_t { kStaticImage = 0, kNeedle = 1 };

struct FailureEntry {
    std::uint32_t key;
    std::uint32_t action;
};

struct ElementHeader {
    std::uint32_t type;
    std::uint32_t bitmapId;
    Point position;          // static image: top-left; needle: pivot on the gauge
    Point previousPosition;  // host
    Point bitmapOffset;      // needle: pivot inside the needle bitmap
    GaugeHeader* gauge;
    ElementHeader* previous;   // host
    ElementHeader** nextList;  // null-terminated, drawn on top of this element
    FailureEntry* failures;
    std::uint32_t imageFlags;
    std::uint32_t aircraftFlags;
    std::uint32_t reserved;
};

// Image flags.
inline constexpr std::uint32_t kImageTransparent = 0x1;  // pure black is not drawn
inline constexpr std::uint32_t kImageErase = 0x2;
inline constexpr std::uint32_t kImageBright = 0x4;  // not darkened by panel lighting
inline constexpr std::uint32_t kImageSmoothed = 0x80;

struct StaticImageElement610 {
    ElementHeader element;
    LoadedImageHead* loadedImage;  // host, set by install
    std::uint32_t host[4];
};

struct StaticImageElement800 {
    ElementHeader element;
    LoadedImageHead* loadedImage;  // host, set by install
    std::uint32_t host[8];
};

struct SimVariable {
    std::uint32_t id;
    void* host;
    std::uint32_t valueType;  // host
    double value;             // host: current value, written before each needle update
    double previous;          // host
};

struct NeedleTableEntry {
    std::int32_t x;  // a point on the dial the needle points through at `value`
    std::int32_t y;
    double value;
    double hostAngle;  // host
};

struct NeedleElement {
    ElementHeader element;
    SimVariable variable;
    NeedleCallback callback;
    std::uint32_t host92[3];
    std::int32_t field104;
    std::int32_t field108;
    NeedleTableEntry* table;
    std::uint32_t tableEntries;
    std::int32_t maxTurnDegrees;  // per update
    std::uint8_t hostState[100];
};

// ---- Mouse rectangles ---------------------------------------------------------
enum MouseRectKind : std::uint32_t {
    kMouseEnd = 0,
    kMouseParentBegin = 1,
    kMouseChild = 2,
    kMouseParentEnd = 3
};

inline constexpr std::int32_t kCursorNone = -1;
inline constexpr std::int32_t kCursorUpArrow = 1;
inline constexpr std::int32_t kCursorDownArrow = 2;
inline constexpr std::int32_t kCursorHand = 5;

inline constexpr std::uint32_t kMouseLeftSingle = 0x20000000;

struct MouseBox {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

struct MouseRect {
    std::uint32_t kind;
    MouseBox box;  // pixels of the gauge's background bitmap
    std::int32_t cursor;
    std::uint32_t helpId;
    std::uint32_t mouseFlags;
    std::uint32_t keyEvent;
    MouseCallback callback;
    void* hostData;
};

#pragma pack(pop)

// Service ids the host passes to a gauge callback: even before a routine, odd after.
enum GaugeServiceId : std::uint32_t {
    kServiceBeforeQuery = 0,
    kServiceBeforeInstall = 2,
    kServiceBeforeInitialize = 4,
    kServiceBeforeUpdate = 6,
    kServiceBeforeGenerate = 8,
    kServiceBeforeDraw = 10,
    kServiceBeforeKill = 12,
};

// Key events our modules send.
inline constexpr std::uint32_t kEventEngineAutoStart = 66224;  // 0x102B0
inline constexpr std::uint32_t kEventFlapsExtend = 65758;      // 0x100DE: one position further out
inline constexpr std::uint32_t kEventFlapsRetract = 65759;     // 0x100DF: one position back in

inline constexpr std::uint32_t kVariableFlapsPosition = 329;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ImportTable) == 16);
static_assert(offsetof(ImportTable, servicesId) == 0 && offsetof(ImportTable, services) == 4);
static_assert(offsetof(ImportTable, endId) == 8 && offsetof(ImportTable, endPointer) == 12);

static_assert(offsetof(Linkage, moduleId) == 0 && offsetof(Linkage, moduleInit) == 4);
static_assert(offsetof(Linkage, moduleDeinit) == 8 && offsetof(Linkage, flags) == 12);
static_assert(offsetof(Linkage, priority) == 16 && offsetof(Linkage, linkVersion) == 20);
static_assert(offsetof(Linkage, gauges) == 24 && sizeof(Linkage) == 32);

static_assert(offsetof(GaugeHeader, version) == 0 && offsetof(GaugeHeader, name) == 4);
static_assert(offsetof(GaugeHeader, elementList) == 8 && offsetof(GaugeHeader, routines) == 12);
static_assert(offsetof(GaugeRoutines, query) == 0 && offsetof(GaugeRoutines, install) == 4);
static_assert(offsetof(GaugeRoutines, initialize) == 8 && offsetof(GaugeRoutines, update) == 12);
static_assert(offsetof(GaugeRoutines, generate) == 16 && offsetof(GaugeRoutines, draw) == 20);
static_assert(offsetof(GaugeRoutines, kill) == 24 && sizeof(GaugeRoutines) == 28);
static_assert(offsetof(GaugeHeader, reserved40) == 40 && offsetof(GaugeHeader, widthMm) == 44);
static_assert(offsetof(GaugeHeader, heightMm) == 48 && offsetof(GaugeHeader, adjustX) == 52);
static_assert(offsetof(GaugeHeader, adjustY) == 56 && offsetof(GaugeHeader, reserved60) == 60);
static_assert(offsetof(GaugeHeader, reserved64) == 64 && offsetof(GaugeHeader, panelPosition) == 68);
static_assert(offsetof(GaugeHeader, reserved76) == 76 && offsetof(GaugeHeader, mouseList) == 80);
static_assert(offsetof(GaugeHeader, callback) == 84 && sizeof(GaugeHeader) == 88);
static_assert(offsetof(GaugeHeader800, hostFields) == 88 && sizeof(GaugeHeader800) == 128);

static_assert(offsetof(ElementHeader, type) == 0 && offsetof(ElementHeader, bitmapId) == 4);
static_assert(offsetof(ElementHeader, position) == 8 && offsetof(ElementHeader, previousPosition) == 16);
static_assert(offsetof(ElementHeader, bitmapOffset) == 24 && offsetof(ElementHeader, gauge) == 32);
static_assert(offsetof(ElementHeader, previous) == 36 && offsetof(ElementHeader, nextList) == 40);
static_assert(offsetof(ElementHeader, failures) == 44 && offsetof(ElementHeader, imageFlags) == 48);
static_assert(offsetof(ElementHeader, aircraftFlags) == 52 && offsetof(ElementHeader, reserved) == 56);
static_assert(sizeof(ElementHeader) == 60);

static_assert(offsetof(StaticImageElement610, loadedImage) == 60 && sizeof(StaticImageElement610) == 80);
static_assert(offsetof(StaticImageElement800, loadedImage) == 60 && sizeof(StaticImageElement800) == 96);
static_assert(offsetof(LoadedImageHead, size) == 4 && offsetof(ImageSize, height) == 4);

static_assert(offsetof(SimVariable, id) == 0 && offsetof(SimVariable, host) == 4);
static_assert(offsetof(SimVariable, valueType) == 8 && offsetof(SimVariable, value) == 12);
static_assert(offsetof(SimVariable, previous) == 20 && sizeof(SimVariable) == 28);

static_assert(offsetof(NeedleTableEntry, x) == 0 && offsetof(NeedleTableEntry, y) == 4);
static_assert(offsetof(NeedleTableEntry, value) == 8 && offsetof(NeedleTableEntry, hostAngle) == 16);
static_assert(sizeof(NeedleTableEntry) == 24);

static_assert(offsetof(NeedleElement, variable) == 60 && offsetof(NeedleElement, callback) == 88);
static_assert(offsetof(NeedleElement, host92) == 92 && offsetof(NeedleElement, field104) == 104);
static_assert(offsetof(NeedleElement, field108) == 108 && offsetof(NeedleElement, table) == 112);
static_assert(offsetof(NeedleElement, tableEntries) == 116 && offsetof(NeedleElement, maxTurnDegrees) == 120);
static_assert(offsetof(NeedleElement, hostState) == 124 && sizeof(NeedleElement) == 224);

static_assert(sizeof(FailureEntry) == 8 && offsetof(FailureEntry, action) == 4);

static_assert(offsetof(MouseRect, kind) == 0 && offsetof(MouseRect, box) == 4);
static_assert(offsetof(MouseRect, cursor) == 20 && offsetof(MouseRect, helpId) == 24);
static_assert(offsetof(MouseRect, mouseFlags) == 28 && offsetof(MouseRect, keyEvent) == 32);
static_assert(offsetof(MouseRect, callback) == 36 && offsetof(MouseRect, hostData) == 40);
static_assert(sizeof(MouseRect) == 44 && sizeof(MouseBox) == 16);

static_assert(offsetof(PanelServices, elementListQuery) == 0x60);
static_assert(offsetof(PanelServices, elementListInstall) == 0x64);
static_assert(offsetof(PanelServices, elementListInitialize) == 0x68);
static_assert(offsetof(PanelServices, elementListUpdate) == 0x6C);
static_assert(offsetof(PanelServices, elementListGenerate) == 0x70);
static_assert(offsetof(PanelServices, elementListPlot) == 0x74);
static_assert(offsetof(PanelServices, elementListKill) == 0x7C);
static_assert(offsetof(PanelServices, mouseListInstall) == 0x80);
static_assert(offsetof(PanelServices, mouseListRegister) == 0x84);
static_assert(offsetof(PanelServices, mouseListUnregister) == 0x88);
static_assert(offsetof(PanelServices, triggerKeyEvent) == 0x90 && sizeof(PanelServices) == 0x94);
#endif

}  // namespace tavrix::gauges
