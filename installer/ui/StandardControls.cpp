#include "installer/ui/StandardControls.h"

#include <algorithm>
#include <cstdint>

#include <commctrl.h>
#include <windowsx.h>

#include "common/win32/SelectedObject.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WindowDc.h"

namespace tavrix::ui {
namespace {

std::string windowText(HWND window) {
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void initCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
        return ::InitCommonControlsEx(&classes) != FALSE;
    }();
    (void)done;
}

}  // namespace

Memo::Memo(Container& parent, int left, int top, int width, int height)
    : WindowedControl(&parent, RECT{left, top, left + width, top + height}) {
    createSystemWindow("EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                       WS_EX_CLIENTEDGE);
    // No length limit: an agreement text may be long.
    ::SendMessageA(window_, EM_SETLIMITTEXT, 0, 0);
}

void Memo::setLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    ::SetWindowTextA(window_, text.c_str());
}

std::string Memo::text() const {
    return windowText(window_);
}

Edit::Edit(Container& parent, int left, int top, int width, int height)
    : WindowedControl(&parent, RECT{left, top, left + width, top + height}) {
    createSystemWindow("EDIT", ES_AUTOHSCROLL | WS_TABSTOP, 0);
}

std::string Edit::text() const {
    return windowText(window_);
}
void Edit::setText(const std::string& text) {
    ::SetWindowTextA(window_, text.c_str());
}

void Edit::notify(WORD code) {
    if (code == EN_CHANGE && onChange) onChange();
}

ProgressBar::ProgressBar(Container& parent, int left, int top, int width, int height, int minimum,
                         int maximum)
    : WindowedControl(&parent, RECT{left, top, left + width, top + height}),
      minimum_(minimum),
      maximum_(maximum),
      position_(minimum),
      sentPosition_(minimum) {
    initCommonControls();
    createSystemWindow(PROGRESS_CLASSA, 0, 0);
    ::SendMessageA(window_, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
    ::SendMessageA(window_, PBM_SETPOS, static_cast<WPARAM>(minimum), 0);
}

int ProgressBar::shownPosition() const {
    return static_cast<int>(::SendMessageA(window_, PBM_GETPOS, 0, 0));
}

int ProgressBar::fillWidth(int position) const {
    // The control clamps to its range; so does the drawn fill.
    const std::int64_t clamped = std::clamp(position, minimum_, maximum_);
    const std::int64_t span = std::max(maximum_ - minimum_, 1);
    return static_cast<int>((clamped - minimum_) * width() / span);
}

// Whether the control draws what the bar stands for: the same fill, and at
// either end of the range exactly the end.
bool ProgressBar::showsPosition() const {
    if (position_ == sentPosition_) return true;
    const bool atAnEnd = position_ <= minimum_ || position_ >= maximum_;
    return !atAnEnd && fillWidth(position_) == fillWidth(sentPosition_);
}

void ProgressBar::setPosition(int position) {
    position_ = position;
    if (showsPosition() || catchUpPending_) return;
    const unsigned long sinceSent = ::GetTickCount() - sentAt_;
    if (sinceSent >= kRepaintIntervalMs) {
        send();
        return;
    }
    // The timer belongs to the control's window, so it dies with it.
    catchUpPending_ =
        ::SetTimer(window_, reinterpret_cast<UINT_PTR>(this),
                   static_cast<UINT>(kRepaintIntervalMs - sinceSent), &ProgressBar::catchUp) != 0;
    if (!catchUpPending_) send();
}

void ProgressBar::send() {
    ::SendMessageA(window_, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
    sentPosition_ = position_;
    sentAt_ = ::GetTickCount();
}

void CALLBACK ProgressBar::catchUp(HWND window, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(window, timer);
    WindowedControl* control = fromHandle(window);
    ProgressBar* bar = control ? control->asProgressBar() : nullptr;
    if (!bar) return;
    bar->catchUpPending_ = false;
    if (!bar->showsPosition()) bar->send();
}

FlatButton::FlatButton(Container& parent, int left, int top, int width, int height, Picture glyph,
                       const std::string& hint)
    : WindowedControl(&parent, RECT{left, top, left + width, top + height}),
      glyph_(std::move(glyph)),
      hint_(hint) {
    initCommonControls();
    createOwnWindow("TSpeedButton", WS_CHILD | WS_VISIBLE, 0, parent.handle());
    toolTip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.lpszText = hint_.data();
    ::SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

FlatButton::~FlatButton() {
    if (toolTip_) ::DestroyWindow(toolTip_);
}

void FlatButton::paint(HDC dc) const {
    parent_->paintUnder(*this, dc);
    RECT area{0, 0, width(), height()};
    // With the keyboard focus the button stands raised, as under the
    // pointer, with a dotted frame inside.
    const bool focused = ::GetFocus() == window_;
    if (pressed_ && hot_)
        ::DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT);
    else if (hot_ || pressed_ || focused)
        ::DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT);
    if (focused) drawFocusFrame(dc, 2, 2, width() - 2, height() - 2);
    if (glyph_.empty()) return;
    const int offset = pressed_ && hot_ ? 1 : 0;
    const int x = (width() - glyph_.width()) / 2 + offset;
    const int y = (height() - glyph_.height()) / 2 + offset;
    // Draw through a copy so the bottom-left pixel's colour can be keyed out.
    const win32::UniqueMemoryDc source(::CreateCompatibleDC(dc));
    const win32::UniqueGdiObject copy(::CreateCompatibleBitmap(dc, glyph_.width(), glyph_.height()));
    const win32::SelectedObject canvas(source.get(), copy.get());
    glyph_.draw(source.get(), 0, 0);
    const COLORREF transparent = ::GetPixel(source.get(), 0, glyph_.height() - 1);
    ::TransparentBlt(dc, x, y, glyph_.width(), glyph_.height(), source.get(), 0, 0, glyph_.width(),
                     glyph_.height(), transparent);
}

LRESULT FlatButton::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const RECT area{0, 0, width(), height()};
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            const win32::PaintDc painting(window_);
            paint(painting.get());
            return 0;
        }
        case WM_MOUSEMOVE: {
            const bool inside = ::PtInRect(&area, point) != FALSE;
            if (inside != hot_) {
                hot_ = inside;
                ::InvalidateRect(window_, nullptr, FALSE);
            }
            if (hot_ && !pressed_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
                ::TrackMouseEvent(&track);
            }
            return 0;
        }
        case WM_MOUSELEAVE:
            hot_ = false;
            ::InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            hot_ = true;
            ::SetCapture(window_);
            ::InvalidateRect(window_, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            const bool click = pressed_ && ::PtInRect(&area, point);
            pressed_ = false;
            hot_ = click;
            ::ReleaseCapture();
            ::InvalidateRect(window_, nullptr, FALSE);
            if (click && onClick) onClick();
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            ::InvalidateRect(window_, nullptr, FALSE);
            return 0;
        default:
            return WindowedControl::handleMessage(message, wParam, lParam);
    }
}

}  // namespace tavrix::ui
