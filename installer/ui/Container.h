// Controls with a window of their own, and containers: windowed controls
// that paint the graphic controls lying on them and route the mouse to them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "installer/ui/Control.h"

namespace tavrix::ui {

class Form;
class PopupMenu;
class ProgressBar;
class Timer;

class WindowedControl : public Control {
public:
    ~WindowedControl() override;

    HWND handle() const { return window_; }
    void setBounds(int left, int top, int width, int height) override;
    void setVisible(bool visible) override;

    // The control behind a window this layer created (null for others).
    static WindowedControl* fromHandle(HWND window);
    // The control as one of the kinds a window handle is asked for by (null
    // for the others). The shipped files are built without run-time type
    // information, which a dynamic_cast would need.
    virtual Form* asForm() { return nullptr; }
    virtual ProgressBar* asProgressBar() { return nullptr; }

    // Notification (EN_CHANGE, ...) that the parent received for this control.
    virtual void notify(WORD /*code*/) {}

protected:
    WindowedControl(Container* parent, RECT bounds) : Control(parent, bounds) {}

    // Creates a window of one of this layer's classes (registered once under
    // its name); its messages reach handleMessage.
    void createOwnWindow(const std::string& className, DWORD style, DWORD exStyle, HWND parentOrOwner,
                         const std::string& text = {});
    // Creates a window of a system class (EDIT, progress bar, ...).
    void createSystemWindow(const char* className, DWORD style, DWORD exStyle, const std::string& text = {});

    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

enum class PanelBevel { None, Raised, Lowered };

class Container : public WindowedControl {
public:
    const Font& font() const { return font_; }

    void addGraphic(GraphicControl* control);
    void removeGraphic(GraphicControl* control);
    void invalidateArea(const RECT& area) const;
    // Topmost visible graphic control under a point of the client area.
    GraphicControl* graphicAt(POINT point) const;

    // The graphic control that holds the keyboard focus while this window
    // has it: it shows the focus mark. Setting it does not move the focus.
    GraphicControl* focusedGraphic() const { return focusedGraphic_; }
    void setFocusedGraphic(GraphicControl* control);
    // Whether the focus mark is on the control now.
    bool showsFocusOn(const GraphicControl& control) const;

    // Paints the client area: background colour, the panel's bevels, then the
    // graphic controls in the order they were laid out.
    void paintClient(HDC dc) const;
    // Paints what lies under a child window into the child's own context, so
    // that a flat child looks transparent.
    void paintUnder(const WindowedControl& child, HDC dc) const;

    // Mouse events on the container itself (not on a graphic control).
    MouseButtonHandler onMouseDown;
    MouseMoveHandler onMouseMove;
    PopupMenu* popupMenu = nullptr;
    Color color = kButtonFace;
    PanelBevel bevelOuter = PanelBevel::None;
    PanelBevel bevelInner = PanelBevel::None;

    void addTimer(Timer* timer);
    void removeTimer(Timer* timer);

protected:
    Container(Container* parent, RECT bounds, Font font)
        : WindowedControl(parent, bounds), font_(std::move(font)) {}
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void mouseDown(MouseButton button, POINT point);
    void mouseUp(MouseButton button, POINT point);
    void mouseMove(POINT point);
    bool setCursorFromControl();

    Font font_;
    std::vector<GraphicControl*> graphics_;
    struct TimerEntry {
        UINT_PTR id;
        Timer* timer;
    };
    std::vector<TimerEntry> timers_;  // a window has one or two
    GraphicControl* captured_ = nullptr;
    GraphicControl* focusedGraphic_ = nullptr;
    bool clickPending_ = false;
};

class Panel : public Container {
public:
    Panel(Container& parent, int left, int top, int width, int height);
};

// A message-driven timer of a container's window.
class Timer {
public:
    Timer(Container& owner, UINT interval, std::function<void()> onTimer);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // Starts the timer as if it had been started at `startedAt` (a
    // GetTickCount value): it fires once its interval has passed since then,
    // at the next chance when that is over already.
    void startCountingFrom(DWORD startedAt);
    UINT_PTR id() const { return id_; }
    UINT interval() const { return interval_; }
    void fire() const { onTimer_(); }

private:
    Container& owner_;
    UINT interval_;
    std::function<void()> onTimer_;
    UINT_PTR id_;
    bool enabled_ = false;
};

class PopupMenu {
public:
    PopupMenu();
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    void addItem(const std::string& text, std::function<void()> onClick);
    std::string itemText(std::size_t index) const;
    std::size_t itemCount() const { return handlers_.size(); }
    // Runs the item's handler, as choosing it does.
    void choose(std::size_t index) const;
    // Opens the menu at a screen point and runs the item the user chooses.
    void popup(HWND owner, POINT screenPoint) const;

private:
    HMENU menu_;
    std::vector<std::function<void()>> handlers_;
};

}  // namespace tavrix::ui
