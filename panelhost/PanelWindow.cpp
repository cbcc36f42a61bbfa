#include "panelhost/PanelWindow.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "common/win32/UniqueHandle.h"
#include "common/win32/WindowDc.h"
#include "panelhost/AircraftPanel.h"
#include "panelhost/MouseMap.h"
#include "panelhost/PanelHost.h"
#include "panelhost/SharedBlock.h"

namespace tavrix::panel {

namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMilliseconds = 55;  // about 18 frames a second, like the simulator's panels
constexpr double kPixelsPerMm = 3.0;
constexpr double kNightLight = 0.45;
constexpr char kClassName[] = "TavrixPanelHost";
constexpr char kDefaultTitle[] = "Tavrix Panel Host";
constexpr int kFirstLeft = 40, kFirstTop = 40, kCascadeStep = 32;

struct CursorTraits {
    using Handle = HCURSOR;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::DestroyCursor(h); }
};
using UniqueCursor = win32::UniqueHandle<CursorTraits>;

struct PanelWindow;

// One window on the screen: which of the host's panels it shows.
struct WindowSlot {
    PanelWindow* owner = nullptr;
    std::size_t panel = 0;
    std::string title;
    HWND window = nullptr;
};

struct PanelWindow {
    PanelHost host;
    SharedBlock block;
    UniqueCursor downArrow;
    bool night = false;
    std::vector<std::unique_ptr<WindowSlot>> slots;
};

// The mouse messages that are clicks on the panel, and which click each is.
struct ClickMessage {
    UINT message;
    std::uint32_t kind;
};
constexpr ClickMessage kClickMessages[] = {
    {WM_LBUTTONDOWN, kClickLeftSingle},
    {WM_LBUTTONDBLCLK, kClickLeftDouble},
    {WM_RBUTTONDOWN, kClickRightSingle},
    {WM_MBUTTONDOWN, kClickMiddleSingle},
};

// Windows has no down-arrow cursor: the up arrow's shape, drawn upside down.
HCURSOR makeDownArrowCursor(HINSTANCE instance) {
    constexpr int kSide = 32;
    std::array<BYTE, kSide * kSide / 8> andMask{}, xorMask{};
    andMask.fill(0xFF);
    auto setPixel = [&](int x, int y, bool white) {
        const int bit = y * kSide + x;
        andMask[bit / 8] &= static_cast<BYTE>(~(0x80 >> (bit % 8)));
        if (white) xorMask[bit / 8] |= static_cast<BYTE>(0x80 >> (bit % 8));
    };
    for (int y = 0; y < 10; ++y)  // the shaft
        for (int x = 13; x <= 17; ++x) setPixel(x, y, x != 13 && x != 17 && y != 0);
    for (int row = 0; row < 10; ++row)  // the head, pointing down to row 19
        for (int x = 15 - (9 - row); x <= 15 + (9 - row); ++x)
            setPixel(x, 10 + row, x != 15 - (9 - row) && x != 15 + (9 - row));
    return ::CreateCursor(instance, 15, 19, kSide, kSide, andMask.data(), xorMask.data());
}

void updateTitle(WindowSlot& slot) {
    PanelWindow& panel = *slot.owner;
    char title[320];
    std::snprintf(title, sizeof title, "%s - flaps %d/8, engines %s, %s look%s", slot.title.c_str(),
                  panel.host.simulator().flapIndex(),
                  panel.host.simulator().enginesRunning() ? "running" : "off",
                  panel.block.appearanceWord() ? "bright" : "normal", panel.night ? ", night" : "");
    ::SetWindowTextA(slot.window, title);
}

void updateTitles(PanelWindow& panel) {
    for (const auto& slot : panel.slots) updateTitle(*slot);
}

void paint(const WindowSlot& slot) {
    const win32::PaintDc painting(slot.window);
    const Image& image = slot.owner->host.panel(slot.panel);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(painting.get(), 0, 0, image.width, image.height, 0, 0, 0, image.height,
                        image.pixels.data(), &info, DIB_RGB_COLORS);
}

void click(WindowSlot& slot, LPARAM where, std::uint32_t kind) {
    slot.owner->host.click(static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where)), kind,
                           slot.panel);
    updateTitles(*slot.owner);
}

LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WindowSlot& slot) {
    PanelWindow& panel = *slot.owner;
    for (const ClickMessage& c : kClickMessages) {
        if (message == c.message) {
            click(slot, lParam, c.kind);
            return 0;
        }
    }
    switch (message) {
        case WM_TIMER:  // the first window's: one frame for every window
            panel.host.frame();
            for (const auto& other : panel.slots) ::InvalidateRect(other->window, nullptr, FALSE);
            updateTitles(panel);
            return 0;
        case WM_PAINT:
            paint(slot);
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                POINT p;
                ::GetCursorPos(&p);
                ::ScreenToClient(window, &p);
                LPCSTR shape = IDC_ARROW;
                switch (panel.host.cursorAt(p.x, p.y, slot.panel)) {
                    case gauges::kCursorUpArrow:
                        shape = IDC_UPARROW;
                        break;
                    case gauges::kCursorHand:
                        shape = IDC_HAND;
                        break;
                    case gauges::kCursorDownArrow:
                        if (panel.downArrow) {
                            ::SetCursor(panel.downArrow.get());
                            return TRUE;
                        }
                        break;
                    default:
                        break;
                }
                ::SetCursor(::LoadCursorA(nullptr, shape));
                return TRUE;
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                ::DestroyWindow(window);
                return 0;
            }
            if (wParam == 'B') panel.block.setAppearanceWord(panel.block.appearanceWord() ? 0 : 1);
            if (wParam == 'N') {
                panel.night = !panel.night;
                panel.host.setLight(panel.night ? kNightLight : 1.0);
            }
            updateTitles(panel);
            return 0;
        case WM_DESTROY:  // any window closed ends the host
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* slot = reinterpret_cast<WindowSlot*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        slot = static_cast<WindowSlot*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        slot->window = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(slot));
    }
    if (slot == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
    try {
        return handle(window, message, wParam, lParam, *slot);
    } catch (...) {
        return 0;  // nothing may unwind into the system's message dispatch
    }
}

// Opens a window for each of the host's panels, cascaded, and runs them
// until one is closed.
int runWindows(PanelWindow& panel, const std::vector<std::string>& titles) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProcedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    ::RegisterClassA(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    for (std::size_t i = 0; i < panel.host.panelCount(); ++i) {
        auto& slot = panel.slots.emplace_back(std::make_unique<WindowSlot>());
        slot->owner = &panel;
        slot->panel = i;
        slot->title = i < titles.size() ? titles[i] : kDefaultTitle;
        RECT frame{0, 0, panel.host.panel(i).width, panel.host.panel(i).height};
        ::AdjustWindowRect(&frame, style, FALSE);
        const int offset = static_cast<int>(i) * kCascadeStep;
        if (!::CreateWindowA(kClassName, slot->title.c_str(), style, kFirstLeft + offset, kFirstTop + offset,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                             slot.get()))
            return 1;
        ::ShowWindow(slot->window, SW_SHOWNORMAL);
    }
    if (panel.slots.empty()) return 1;
    updateTitles(panel);
    ::SetTimer(panel.slots.front()->window, kFrameTimer, kFrameMilliseconds, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    // The windows still open go before the slots they point at.
    for (const auto& slot : panel.slots)
        if (::IsWindow(slot->window)) ::DestroyWindow(slot->window);
    return 0;
}

void prepare(PanelWindow& panel) {
    panel.downArrow.reset(makeDownArrowCursor(::GetModuleHandleA(nullptr)));
    // The switch's block exists before the gauges look for it; 'B' flips its word.
    panel.block.create();
    panel.host.setPixelsPerMm(kPixelsPerMm);
}

}  // namespace

int runPanelWindow(const std::string& folder) {
    PanelWindow panel;
    prepare(panel);
    panel.host.setPanelSize(560, 340);
    std::string error;
    const bool loaded = panel.host.loadGauge(folder + "Drelmo.gau", 30, 95, 0, error) &&
                        panel.host.loadGauge(folder + "Kelvor.gau", 230, 20, 0, error);
    if (!loaded) {
        ::MessageBoxA(nullptr, error.c_str(), kDefaultTitle, MB_ICONWARNING | MB_OK);
        return 1;
    }
    return runWindows(panel, {kDefaultTitle});
}

int runAircraftPanel(const std::string& path) {
    const std::optional<std::string> config = findPanelConfig(path);
    if (!config) {
        ::MessageBoxA(nullptr, ("No panel.cfg in " + path).c_str(), kDefaultTitle, MB_ICONWARNING | MB_OK);
        return 1;
    }
    PanelWindow panel;
    prepare(panel);
    const AircraftPanel laidOut = layOutAircraftPanel(panel.host, *config);
    if (!laidOut.errors.empty()) {
        std::string text = "Not everything of " + *config + " could be shown:\n";
        for (const std::string& error : laidOut.errors) text += "\n" + error;
        ::MessageBoxA(nullptr, text.c_str(), kDefaultTitle, MB_ICONWARNING | MB_OK);
    }
    if (laidOut.windows.empty()) return 1;
    std::vector<std::string> titles;
    for (const LaidOutWindow& window : laidOut.windows) titles.push_back(window.title);
    return runWindows(panel, titles);
}

}  // namespace tavrix::panel
