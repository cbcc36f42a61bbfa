// Controls a form lays out: the base of all of them and the graphic controls,
// which have no window of their own; their container paints them and routes
// the mouse to them.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "installer/ui/Graphics.h"
#include "installer/ui/Picture.h"

namespace tavrix::ui {

class Container;

enum class MouseButton { Left, Right, Middle };

using MouseButtonHandler = std::function<void(MouseButton, int x, int y)>;
using MouseMoveHandler = std::function<void(int x, int y)>;
using ClickHandler = std::function<void()>;

class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    Container* parent() const { return parent_; }
    int left() const { return bounds_.left; }
    int top() const { return bounds_.top; }
    int width() const { return bounds_.right - bounds_.left; }
    int height() const { return bounds_.bottom - bounds_.top; }
    const RECT& bounds() const { return bounds_; }
    virtual void setBounds(int left, int top, int width, int height);
    bool visible() const { return visible_; }
    virtual void setVisible(bool visible) { visible_ = visible; }

protected:
    Control(Container* parent, RECT bounds) : parent_(parent), bounds_(bounds) {}

    Container* parent_;
    RECT bounds_;
    bool visible_ = true;
};

class GraphicControl : public Control {
public:
    ~GraphicControl() override;

    void setBounds(int left, int top, int width, int height) override;
    void setVisible(bool visible) override;
    bool contains(POINT point) const { return ::PtInRect(&bounds_, point) != FALSE; }

    // Paints in a device context whose origin is the control's top-left
    // corner and whose clip region is the control's area.
    virtual void paint(HDC dc) const = 0;
    // Paints the keyboard focus mark over the control, in the same device
    // context set-up as paint(); the plain mark is a dotted frame.
    virtual void paintFocus(HDC dc) const;
    void invalidate() const;

    MouseButtonHandler onMouseDown;
    MouseButtonHandler onMouseUp;
    MouseMoveHandler onMouseMove;
    ClickHandler onClick;
    HCURSOR cursor = nullptr;  // none: the container's arrow

protected:
    GraphicControl(Container& parent, RECT bounds);
};

class Image : public GraphicControl {
public:
    Image(Container& parent, int left, int top, int width, int height, bool autoSize = false);

    const Picture& picture() const { return picture_; }
    void setPicture(Picture picture);
    void paint(HDC dc) const override;
    // A rounded frame inside the picture's own border, in the border's
    // colour: a picture button keeps the look of the skin it comes from.
    void paintFocus(HDC dc) const override;

private:
    Picture picture_;
    bool autoSize_;
};

enum class Alignment { Left, Right };

// Placement and look of a label. A label sizes itself to its text: a
// word-wrapped one keeps its width (plus a little room for the renderer) and takes the height its lines need,
// any other takes the text's width and height; a right-aligned one keeps its right edge at left + width.
struct LabelDesign {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    const char* text = "";     // the layout's own literal
    std::optional<Font> font;  // none: the form's font
    Color color = kWindowText;
    bool wordWrap = false;
    Alignment alignment = Alignment::Left;
    bool autoSize = true;
    // The letter that Alt presses, underlined where it first occurs in the
    // text (any letter case); 0 for none. The text itself stays as given.
    char accelerator = 0;
};

// A transparent label: only its text is drawn, over whatever lies beneath.
class Label : public GraphicControl {
public:
    Label(Container& parent, LabelDesign design);

    const std::string& text() const { return text_; }
    void setText(std::string text);
    Color color() const { return color_; }
    void setColor(Color color);
    const Font& font() const { return font_; }
    char accelerator() const { return accelerator_; }
    void paint(HDC dc) const override;

private:
    void fitToText();
    UINT drawFlags() const;
    // The text as DrawText gets it: with the accelerator marked, every other
    // "&" doubled so that it is drawn as itself.
    std::string drawnText() const;

    std::string text_;
    Font font_;
    Color color_;
    bool wordWrap_;
    bool autoSize_;
    Alignment alignment_;
    char accelerator_;
    int designWidth_;  // the layout's width, which a wrapping label wraps within
};

enum class BevelShape { TopLine, LeftLine, LoweredBox };

class Bevel : public GraphicControl {
public:
    Bevel(Container& parent, int left, int top, int width, int height, BevelShape shape);
    void paint(HDC dc) const override;

private:
    BevelShape shape_;
};

}  // namespace tavrix::ui
