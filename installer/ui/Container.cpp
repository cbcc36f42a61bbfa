#include "installer/ui/Container.h"

#include <windowsx.h>

#include <algorithm>

#include "common/win32/SelectedObject.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WindowDc.h"

namespace tavrix::ui {
namespace {

void registerClassOnce(const std::string& name, WNDPROC procedure) {
    static std::vector<std::string> registered;  // a few classes: a list does
    if (std::find(registered.begin(), registered.end(), name) != registered.end()) return;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), "MAINICON");
    windowClass.lpszClassName = name.c_str();
    ::RegisterClassExA(&windowClass);
    registered.push_back(name);
}

MouseButton buttonOf(UINT message) {
    switch (message) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            return MouseButton::Right;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            return MouseButton::Middle;
        default:
            return MouseButton::Left;
    }
}

}  // namespace

// ---- WindowedControl

WindowedControl::~WindowedControl() {
    if (window_) {
        ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

WindowedControl* WindowedControl::fromHandle(HWND window) {
    return reinterpret_cast<WindowedControl*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

void WindowedControl::createOwnWindow(const std::string& className, DWORD style, DWORD exStyle,
                                      HWND parentOrOwner, const std::string& text) {
    registerClassOnce(className, &WindowedControl::windowProcedure);
    RECT area = bounds_;
    if (!(style & WS_CHILD)) ::AdjustWindowRectEx(&area, style, FALSE, exStyle);
    window_ = ::CreateWindowExA(exStyle, className.c_str(), text.c_str(), style, area.left, area.top,
                                area.right - area.left, area.bottom - area.top, parentOrOwner, nullptr,
                                ::GetModuleHandleA(nullptr), this);
}

void WindowedControl::createSystemWindow(const char* className, DWORD style, DWORD exStyle,
                                         const std::string& text) {
    // Clipped by its siblings: a page embedded over the agreement page's
    // controls stays on top when one of them repaints.
    window_ = ::CreateWindowExA(
        exStyle, className, text.c_str(), style | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds_.left,
        bounds_.top, width(), height(), parent_->handle(), nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fontHandle(parent_->font())), FALSE);
}

LRESULT CALLBACK WindowedControl::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* creating =
            static_cast<WindowedControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        creating->window_ = window;
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
    }
    WindowedControl* self = fromHandle(window);
    if (!self) return ::DefWindowProcA(window, message, wParam, lParam);
    return self->handleMessage(message, wParam, lParam);
}

LRESULT WindowedControl::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(window_, message, wParam, lParam);
}

void WindowedControl::setBounds(int left, int top, int width, int height) {
    Control::setBounds(left, top, width, height);
    ::MoveWindow(window_, left, top, width, height, TRUE);
}

void WindowedControl::setVisible(bool visible) {
    Control::setVisible(visible);
    ::ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
}

// ---- Container

void Container::addGraphic(GraphicControl* control) {
    graphics_.push_back(control);
}

void Container::removeGraphic(GraphicControl* control) {
    std::erase(graphics_, control);
    if (captured_ == control) captured_ = nullptr;
    if (focusedGraphic_ == control) focusedGraphic_ = nullptr;
}

void Container::setFocusedGraphic(GraphicControl* control) {
    if (control == focusedGraphic_) return;
    if (focusedGraphic_) focusedGraphic_->invalidate();
    focusedGraphic_ = control;
    if (focusedGraphic_) focusedGraphic_->invalidate();
}

bool Container::showsFocusOn(const GraphicControl& control) const {
    return focusedGraphic_ == &control && control.visible() && window_ && ::GetFocus() == window_;
}

void Container::invalidateArea(const RECT& area) const {
    if (window_) ::InvalidateRect(window_, &area, FALSE);
}

GraphicControl* Container::graphicAt(POINT point) const {
    for (auto it = graphics_.rbegin(); it != graphics_.rend(); ++it)
        if ((*it)->visible() && (*it)->contains(point)) return *it;
    return nullptr;
}

void Container::paintClient(HDC dc) const {
    RECT client{0, 0, width(), height()};
    ::GetClientRect(window_, &client);
    const win32::UniqueGdiObject background(::CreateSolidBrush(color.resolve()));
    ::FillRect(dc, &client, static_cast<HBRUSH>(background.get()));
    auto edge = [](PanelBevel bevel) {
        return bevel == PanelBevel::Raised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER;
    };
    RECT inner = client;
    if (bevelOuter != PanelBevel::None) {
        ::DrawEdge(dc, &inner, edge(bevelOuter), BF_RECT);
        ::InflateRect(&inner, -1, -1);
    }
    if (bevelInner != PanelBevel::None) ::DrawEdge(dc, &inner, edge(bevelInner), BF_RECT);
    for (const GraphicControl* control : graphics_) {
        if (!control->visible()) continue;
        const RECT& area = control->bounds();
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        POINT origin;
        ::GetViewportOrgEx(dc, &origin);
        ::SetViewportOrgEx(dc, origin.x + area.left, origin.y + area.top, nullptr);
        control->paint(dc);
        // Over its own control, under the ones laid out later: a caption
        // label on a picture button stays readable.
        if (showsFocusOn(*control)) control->paintFocus(dc);
        ::RestoreDC(dc, saved);
    }
}

void Container::paintUnder(const WindowedControl& child, HDC dc) const {
    const int saved = ::SaveDC(dc);
    POINT origin;
    ::GetViewportOrgEx(dc, &origin);
    ::SetViewportOrgEx(dc, origin.x - child.left(), origin.y - child.top(), nullptr);
    paintClient(dc);
    ::RestoreDC(dc, saved);
}

void Container::mouseDown(MouseButton button, POINT point) {
    GraphicControl* target = graphicAt(point);
    if (!target) {
        if (onMouseDown) onMouseDown(button, point.x, point.y);
        return;
    }
    // The control keeps the mouse until the button is released, even if the
    // pointer leaves it, so its release handler always runs.
    captured_ = target;
    clickPending_ = button == MouseButton::Left;
    ::SetCapture(window_);
    if (target->onMouseDown) target->onMouseDown(button, point.x - target->left(), point.y - target->top());
}

void Container::mouseUp(MouseButton button, POINT point) {
    GraphicControl* target = captured_;
    if (!target) return;
    captured_ = nullptr;
    const bool click = clickPending_ && button == MouseButton::Left && target->contains(point);
    clickPending_ = false;
    // Capture goes first: a click handler may open a modal window, which must
    // get the mouse; then the click, and only then the release.
    ::ReleaseCapture();
    if (click && target->onClick) target->onClick();
    if (target->onMouseUp) target->onMouseUp(button, point.x - target->left(), point.y - target->top());
}

void Container::mouseMove(POINT point) {
    GraphicControl* target = captured_ ? captured_ : graphicAt(point);
    if (target) {
        if (target->onMouseMove) target->onMouseMove(point.x - target->left(), point.y - target->top());
    } else if (onMouseMove) {
        onMouseMove(point.x, point.y);
    }
}

bool Container::setCursorFromControl() {
    POINT point;
    ::GetCursorPos(&point);
    ::ScreenToClient(window_, &point);
    GraphicControl* target = graphicAt(point);
    if (!target || !target->cursor) return false;
    ::SetCursor(target->cursor);
    return true;
}

void Container::addTimer(Timer* timer) {
    removeTimer(timer);
    timers_.push_back({timer->id(), timer});
}
void Container::removeTimer(Timer* timer) {
    std::erase_if(timers_, [&](const TimerEntry& entry) { return entry.id == timer->id(); });
}

LRESULT Container::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            const win32::PaintDc painting(window_);
            RECT client;
            ::GetClientRect(window_, &client);
            // Painted off screen first, so the skin never flickers.
            const win32::UniqueMemoryDc buffer(::CreateCompatibleDC(painting.get()));
            const win32::UniqueGdiObject bitmap(::CreateCompatibleBitmap(
                painting.get(), std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1)));
            const win32::SelectedObject canvas(buffer.get(), bitmap.get());
            paintClient(buffer.get());
            ::BitBlt(painting.get(), 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            mouseDown(buttonOf(message), point);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            mouseUp(buttonOf(message), point);
            // The default handling turns a right-button release into the
            // context menu request.
            return ::DefWindowProcA(window_, message, wParam, lParam);
        case WM_MOUSEMOVE:
            mouseMove(point);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != window_) captured_ = nullptr;
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (focusedGraphic_) focusedGraphic_->invalidate();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == window_ &&
                setCursorFromControl())
                return TRUE;
            break;
        case WM_CONTEXTMENU:
            if (popupMenu) {
                POINT at = point;
                if (at.x == -1 && at.y == -1) {
                    at = POINT{0, 0};
                    ::ClientToScreen(window_, &at);
                }
                popupMenu->popup(window_, at);
                return 0;
            }
            break;
        case WM_COMMAND:
            if (lParam) {
                if (WindowedControl* child = fromHandle(reinterpret_cast<HWND>(lParam)))
                    child->notify(HIWORD(wParam));
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            // Read-only text boxes keep the window colour, as text to read.
            ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        case WM_TIMER: {
            auto found = std::find_if(timers_.begin(), timers_.end(),
                                      [&](const TimerEntry& entry) { return entry.id == wParam; });
            if (found != timers_.end()) found->timer->fire();
            return 0;
        }
        default:
            break;
    }
    return WindowedControl::handleMessage(message, wParam, lParam);
}

Panel::Panel(Container& parent, int left, int top, int width, int height)
    : Container(&parent, RECT{left, top, left + width, top + height}, parent.font()) {
    createOwnWindow("TPanel", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, parent.handle());
}

// ---- Timer

namespace {
UINT_PTR nextTimerId() {
    static UINT_PTR next = 1;
    return next++;
}
}  // namespace

Timer::Timer(Container& owner, UINT interval, std::function<void()> onTimer)
    : owner_(owner), interval_(interval), onTimer_(std::move(onTimer)), id_(nextTimerId()) {
    owner_.addTimer(this);
}

Timer::~Timer() {
    setEnabled(false);
    owner_.removeTimer(this);
}

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled)
        ::SetTimer(owner_.handle(), id_, interval_, nullptr);
    else
        ::KillTimer(owner_.handle(), id_);
}

void Timer::startCountingFrom(DWORD startedAt) {
    const DWORD passed = ::GetTickCount() - startedAt;
    enabled_ = true;
    ::SetTimer(owner_.handle(), id_, passed < interval_ ? interval_ - passed : USER_TIMER_MINIMUM, nullptr);
}

// ---- PopupMenu

PopupMenu::PopupMenu() : menu_(::CreatePopupMenu()) {}
PopupMenu::~PopupMenu() {
    ::DestroyMenu(menu_);
}

void PopupMenu::addItem(const std::string& text, std::function<void()> onClick) {
    handlers_.push_back(std::move(onClick));
    ::AppendMenuA(menu_, MF_STRING, handlers_.size(), text.c_str());
}

std::string PopupMenu::itemText(std::size_t index) const {
    char text[256] = {};
    ::GetMenuStringA(menu_, static_cast<UINT>(index), text, sizeof text, MF_BYPOSITION);
    return text;
}

void PopupMenu::choose(std::size_t index) const {
    handlers_.at(index)();
}

void PopupMenu::popup(HWND owner, POINT screenPoint) const {
    const UINT chosen = ::TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y,
                                         0, owner, nullptr);
    if (chosen >= 1 && chosen <= handlers_.size()) choose(chosen - 1);
}

}  // namespace tavrix::ui
