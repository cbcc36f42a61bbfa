// Windowed controls of the system's own classes, and the flat glyph button.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "installer/ui/Container.h"

namespace tavrix::ui {

// Read-only multi-line text box with a vertical scroll bar and a sunken
// border: the text can be scrolled and selected, not changed.
class Memo : public WindowedControl {
public:
    Memo(Container& parent, int left, int top, int width, int height);
    void setLines(const std::vector<std::string>& lines);
    std::string text() const;
};

// Single-line edit without a border of its own.
class Edit : public WindowedControl {
public:
    Edit(Container& parent, int left, int top, int width, int height);
    std::string text() const;
    void setText(const std::string& text);
    std::function<void()> onChange;
    void notify(WORD code) override;
};

class ProgressBar : public WindowedControl {
public:
    ProgressBar(Container& parent, int left, int top, int width, int height, int minimum, int maximum);
    ProgressBar* asProgressBar() override { return this; }
    // The position the bar stands for, as last set.
    int position() const { return position_; }
    // Repainting the control can cost as much as extracting a chunk (a themed
    // bar under Wine takes milliseconds), and an extraction reports every
    // chunk. So the control is told at most every kRepaintIntervalMs,
    // and only when its drawn fill would change or an end of the range is
    // reached; a change that has to wait is sent by a timer when the interval
    // is over, so the bar never stays behind once the reports stop.
    void setPosition(int position);
    int shownPosition() const;  // what the control holds

    static constexpr unsigned kRepaintIntervalMs = 250;

private:
    int fillWidth(int position) const;
    bool showsPosition() const;
    void send();
    static void CALLBACK catchUp(HWND window, UINT, UINT_PTR, DWORD);

    int minimum_;
    int maximum_;
    int position_;
    int sentPosition_;
    unsigned long sentAt_ = 0;
    bool catchUpPending_ = false;
};

// A flat button showing a glyph (the bitmap's bottom-left pixel colour is
// transparent), with a tool-tip; it raises its edge under the pointer.
class FlatButton : public WindowedControl {
public:
    FlatButton(Container& parent, int left, int top, int width, int height, Picture glyph,
               const std::string& hint);
    ~FlatButton() override;
    const std::string& hint() const { return hint_; }
    std::function<void()> onClick;
    // What a click does, for the keyboard.
    void click() const {
        if (onClick) onClick();
    }

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void paint(HDC dc) const;

    Picture glyph_;
    std::string hint_;
    HWND toolTip_ = nullptr;
    bool hot_ = false;
    bool pressed_ = false;
};

}  // namespace tavrix::ui
