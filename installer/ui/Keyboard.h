// The keyboard of one form: the controls Tab moves between, the button
// Enter presses and the one Esc presses, and Alt with the underlined letter
// of a button's caption.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "installer/ui/Control.h"

namespace tavrix::ui {

class WindowedControl;

class Keyboard {
public:
    // A picture button: its image (which shows the focus mark) and the
    // caption label lying on it, whose accelerator presses it.
    void addButton(GraphicControl& image, const Label* caption = nullptr);
    // A windowed control Tab stops at; `press` is what Enter or Space does
    // while it has the focus (empty: Enter presses the default button).
    void addControl(WindowedControl& control, std::function<void()> press = {});
    // Moves the last stop added to the given place in the Tab order.
    void moveLastTo(std::size_t position);

    // Enter presses the focused button, else this one; a form without one
    // ignores Enter.
    GraphicControl* defaultButton = nullptr;
    GraphicControl* cancelButton = nullptr;  // Esc

    // A key message taken from the queue for a window of this form; true
    // when it was the form's (and must not be dispatched).
    bool handleKey(UINT message, WPARAM key, LPARAM flags);

    // The focus to the default button (else the first stop that can take it).
    void focusDefault();
    // The stop that has the focus now, or none.
    std::ptrdiff_t current() const;
    std::size_t stopCount() const { return stops_.size(); }
    void focus(std::size_t index);

    // What a press of a picture button by key does: as a left click with
    // the mouse, the pressed face first and the released one last.
    static void press(GraphicControl& button);

private:
    struct Stop {
        GraphicControl* button = nullptr;
        const Label* caption = nullptr;
        WindowedControl* control = nullptr;
        std::function<void()> press;
    };
    bool canFocus(const Stop& stop) const;
    void moveFocus(bool backwards);
    bool pressCurrent();
    bool pressAccelerator(WPARAM key);

    std::vector<Stop> stops_;
};

}  // namespace tavrix::ui
