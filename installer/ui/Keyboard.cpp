#include "installer/ui/Keyboard.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "installer/ui/Container.h"

namespace tavrix::ui {
namespace {

constexpr LPARAM kAltDown = LPARAM{1} << 29;
constexpr LPARAM kRepeated = LPARAM{1} << 30;

}  // namespace

void Keyboard::addButton(GraphicControl& image, const Label* caption) {
    stops_.push_back(Stop{&image, caption, nullptr, {}});
}

void Keyboard::addControl(WindowedControl& control, std::function<void()> press) {
    stops_.push_back(Stop{nullptr, nullptr, &control, std::move(press)});
}

void Keyboard::moveLastTo(std::size_t position) {
    if (stops_.empty() || position >= stops_.size()) return;
    std::rotate(stops_.begin() + static_cast<std::ptrdiff_t>(position), stops_.end() - 1, stops_.end());
}

bool Keyboard::canFocus(const Stop& stop) const {
    if (stop.control)
        return ::IsWindowVisible(stop.control->handle()) && ::IsWindowEnabled(stop.control->handle());
    const Container* container = stop.button->parent();
    return stop.button->visible() && ::IsWindowVisible(container->handle()) &&
           ::IsWindowEnabled(container->handle());
}

std::ptrdiff_t Keyboard::current() const {
    const HWND focused = ::GetFocus();
    if (!focused) return -1;
    for (std::size_t i = 0; i < stops_.size(); ++i) {
        const Stop& stop = stops_[i];
        if (stop.control && stop.control->handle() == focused) return static_cast<std::ptrdiff_t>(i);
        if (stop.button && stop.button->parent()->handle() == focused &&
            stop.button->parent()->focusedGraphic() == stop.button)
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

void Keyboard::focus(std::size_t index) {
    const Stop& stop = stops_.at(index);
    if (stop.control) {
        ::SetFocus(stop.control->handle());
        return;
    }
    Container* container = stop.button->parent();
    container->setFocusedGraphic(stop.button);
    ::SetFocus(container->handle());
}

void Keyboard::focusDefault() {
    for (std::size_t i = 0; i < stops_.size(); ++i) {
        if (stops_[i].button == defaultButton && defaultButton && canFocus(stops_[i])) {
            focus(i);
            return;
        }
    }
    for (std::size_t i = 0; i < stops_.size(); ++i) {
        if (canFocus(stops_[i])) {
            focus(i);
            return;
        }
    }
}

void Keyboard::moveFocus(bool backwards) {
    const auto count = static_cast<std::ptrdiff_t>(stops_.size());
    if (count == 0) return;
    std::ptrdiff_t index = current();
    if (index < 0) index = backwards ? 0 : count - 1;
    for (std::ptrdiff_t step = 0; step < count; ++step) {
        index = (index + (backwards ? count - 1 : 1)) % count;
        if (canFocus(stops_[static_cast<std::size_t>(index)])) {
            focus(static_cast<std::size_t>(index));
            return;
        }
    }
}

void Keyboard::press(GraphicControl& button) {
    // Copies: a handler may well replace the others (or show a page that
    // does), and the release must still come last.
    const MouseButtonHandler down = button.onMouseDown;
    const ClickHandler click = button.onClick;
    const MouseButtonHandler up = button.onMouseUp;
    if (down) down(MouseButton::Left, 0, 0);
    if (click) click();
    if (up) up(MouseButton::Left, 0, 0);
}

bool Keyboard::pressCurrent() {
    const std::ptrdiff_t index = current();
    if (index < 0) return false;
    const Stop& stop = stops_[static_cast<std::size_t>(index)];
    if (stop.button) {
        press(*stop.button);
        return true;
    }
    if (!stop.press) return false;
    const std::function<void()> action = stop.press;
    action();
    return true;
}

bool Keyboard::pressAccelerator(WPARAM key) {
    for (const Stop& stop : stops_) {
        if (!stop.caption || !stop.caption->accelerator() || !stop.caption->visible()) continue;
        if (static_cast<WPARAM>(std::toupper(static_cast<unsigned char>(stop.caption->accelerator()))) != key)
            continue;
        if (!canFocus(stop)) continue;
        press(*stop.button);
        return true;
    }
    return false;
}

bool Keyboard::handleKey(UINT message, WPARAM key, LPARAM flags) {
    const bool repeated = (flags & kRepeated) != 0;
    const bool alt = (flags & kAltDown) != 0;
    if (message == WM_SYSKEYDOWN && alt) return !repeated && pressAccelerator(key);
    // With no window focused, the system reports every key as a system key.
    if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return false;
    switch (key) {
        case VK_TAB:
            moveFocus(::GetKeyState(VK_SHIFT) < 0);
            return true;
        case VK_RETURN:
            // A held key does not run through the pages. Without a forward
            // button (a page that is busy) Enter presses nothing, not even
            // the focused Cancel: that is for Esc and Space.
            if (repeated || !defaultButton) return true;
            if (pressCurrent()) return true;
            if (defaultButton->visible()) press(*defaultButton);
            return true;
        case VK_ESCAPE:
            if (!cancelButton || !cancelButton->visible()) return false;
            if (!repeated) press(*cancelButton);
            return true;
        case VK_SPACE: {
            // Only a button takes it: in the edit box a space is a space.
            const std::ptrdiff_t index = current();
            if (index < 0) return false;
            const Stop& stop = stops_[static_cast<std::size_t>(index)];
            if (!stop.button && !stop.press) return false;
            if (!repeated) pressCurrent();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace tavrix::ui
