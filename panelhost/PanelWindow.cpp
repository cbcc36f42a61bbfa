#include "PanelWindow.h"

#include <windows.h>

#include <array>
#include <cstdio>

#include "MouseMap.h"
#include "PanelHost.h"
#include "SharedBlock.h"
#include "win32/UniqueHandle.h"
#include "win32/WindowDc.h"

namespace tavrix::panel {

namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMilliseconds = 55;  // about 18 frames a second, like the simulator's panels
constexpr double kPixelsPerMm = 3.0;
constexpr double kNightLight = 0.45;
constexpr char kClassName[] = "TavrixPanelHost";

struct CursorTraits {
    using Handle = HCURSOR;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::DestroyCursor(h); }
};
using UniqueCursor = win32::UniqueHandle<CursorTraits>;

struct PanelWindow {
    PanelHost host;
    SharedBlock block;
    UniqueCursor downArrow;
    bool night = false;
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

void updateTitle(HWND window, PanelWindow& panel) {
    char title[160];
    std::snprintf(title, sizeof title, "Tavrix Panel Host - flaps %d/8, engines %s, %s look%s",
                  panel.host.simulator().flapIndex(),
                  panel.host.simulator().enginesRunning() ? "running" : "off",
                  panel.block.appearanceWord() ? "bright" : "normal", panel.night ? ", night" : "");
    ::SetWindowTextA(window, title);
}

void paint(HWND window, PanelWindow& panel) {
    const win32::PaintDc painting(window);
    const Image& image = panel.host.panel();
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

void click(HWND window, PanelWindow& panel, LPARAM where, std::uint32_t kind) {
    panel.host.click(static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where)), kind);
    updateTitle(window, panel);
}

LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, PanelWindow& panel) {
    for (const ClickMessage& c : kClickMessages) {
        if (message == c.message) {
            click(window, panel, lParam, c.kind);
            return 0;
        }
    }
    switch (message) {
        case WM_TIMER:
            panel.host.frame();
            ::InvalidateRect(window, nullptr, FALSE);
            updateTitle(window, panel);
            return 0;
        case WM_PAINT:
            paint(window, panel);
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                POINT p;
                ::GetCursorPos(&p);
                ::ScreenToClient(window, &p);
                LPCSTR shape = IDC_ARROW;
                switch (panel.host.cursorAt(p.x, p.y)) {
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
            updateTitle(window, panel);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* panel = reinterpret_cast<PanelWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        panel = static_cast<PanelWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(panel));
    }
    if (panel == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
    try {
        return handle(window, message, wParam, lParam, *panel);
    } catch (...) {
        return 0;  // nothing may unwind into the system's message dispatch
    }
}

}  // namespace

int runPanelWindow(const std::string& folder) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    PanelWindow panel;
    panel.downArrow.reset(makeDownArrowCursor(instance));
    // The switch's block exists before the gauges look for it; 'B' flips its word.
    panel.block.create();
    panel.host.setPixelsPerMm(kPixelsPerMm);
    panel.host.setPanelSize(560, 340);
    std::string error;
    const bool loaded = panel.host.loadGauge(folder + "Drelmo.gau", 30, 95, 0, error) &&
                        panel.host.loadGauge(folder + "Kelvor.gau", 230, 20, 0, error);
    if (!loaded) {
        ::MessageBoxA(nullptr, error.c_str(), "Tavrix Panel Host", MB_ICONWARNING | MB_OK);
        return 1;
    }

    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProcedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    ::RegisterClassA(&wc);
    RECT frame{0, 0, panel.host.panel().width, panel.host.panel().height};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    ::AdjustWindowRect(&frame, style, FALSE);
    HWND window = ::CreateWindowA(kClassName, "Tavrix Panel Host", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  instance, &panel);
    if (window == nullptr) return 1;
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::SetTimer(window, kFrameTimer, kFrameMilliseconds, nullptr);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace tavrix::panel
