// Device contexts that belong to a window: borrowed, and handed back by the
// call that matches the one that gave them.
#pragma once

#include <windows.h>

namespace tavrix::win32 {

// BeginPaint and its EndPaint, which must come even if drawing fails: it is
// what validates the window's update region.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintDc() { ::EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// GetDC and its ReleaseDC; a null window means the whole screen's DC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace tavrix::win32
