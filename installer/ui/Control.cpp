#include "installer/ui/Control.h"

#include <cctype>
#include <cstdlib>

#include "common/win32/SelectedObject.h"
#include "common/win32/UniqueHandle.h"
#include "common/win32/WindowDc.h"
#include "installer/ui/Container.h"

namespace tavrix::ui {

void Control::setBounds(int left, int top, int width, int height) {
    bounds_ = RECT{left, top, left + width, top + height};
}

GraphicControl::GraphicControl(Container& parent, RECT bounds) : Control(&parent, bounds) {
    parent.addGraphic(this);
}

GraphicControl::~GraphicControl() {
    parent_->removeGraphic(this);
}

void GraphicControl::invalidate() const {
    parent_->invalidateArea(bounds_);
}

void GraphicControl::paintFocus(HDC dc) const {
    drawFocusFrame(dc, 2, 2, width() - 2, height() - 2);
}

void GraphicControl::setBounds(int left, int top, int width, int height) {
    invalidate();
    Control::setBounds(left, top, width, height);
    invalidate();
}

void GraphicControl::setVisible(bool visible) {
    if (visible == visible_) return;
    Control::setVisible(visible);
    invalidate();
}

Image::Image(Container& parent, int left, int top, int width, int height, bool autoSize)
    : GraphicControl(parent, RECT{left, top, left + width, top + height}), autoSize_(autoSize) {}

void Image::setPicture(Picture picture) {
    picture_ = std::move(picture);
    if (autoSize_) setBounds(left(), top(), picture_.width(), picture_.height());
    invalidate();
}

void Image::paint(HDC dc) const {
    picture_.draw(dc, 0, 0);
}

namespace {

int colourDistance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

}  // namespace

void Image::paintFocus(HDC dc) const {
    // The border's colour is read back from what paint() has just drawn (the
    // middle of the left edge); a picture without a border of its own, whose
    // edge looks like its face, gets the text colour instead.
    constexpr int kLeastContrast = 96;
    const COLORREF edge = ::GetPixel(dc, 0, height() / 2);
    const COLORREF face = ::GetPixel(dc, width() / 2, height() / 2);
    const bool bordered = !picture_.empty() && edge != CLR_INVALID && face != CLR_INVALID &&
                          colourDistance(edge, face) >= kLeastContrast;
    const COLORREF ink = bordered ? edge : ::GetSysColor(COLOR_WINDOWTEXT);
    const win32::UniqueGdiObject pen(::CreatePen(PS_SOLID, 1, ink));
    const win32::SelectedObject selectedPen(dc, pen.get());
    const win32::SelectedObject noFill(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, 3, 3, width() - 3, height() - 3, 6, 6);
}

Label::Label(Container& parent, LabelDesign design)
    : GraphicControl(parent,
                     RECT{design.left, design.top, design.left + design.width, design.top + design.height}),
      text_(design.text),
      font_(design.font ? *design.font : parent.font()),
      color_(design.color),
      wordWrap_(design.wordWrap),
      autoSize_(design.autoSize),
      alignment_(design.alignment),
      accelerator_(design.accelerator),
      designWidth_(design.width) {
    if (autoSize_) fitToText();
}

UINT Label::drawFlags() const {
    // No accelerator prefixes unless asked for: an author's name may well
    // hold an "&".
    UINT flags = DT_EXPANDTABS;
    if (!accelerator_) flags |= DT_NOPREFIX;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (alignment_ == Alignment::Right) flags |= DT_RIGHT;
    return flags;
}

std::string Label::drawnText() const {
    if (!accelerator_) return text_;
    std::string drawn;
    bool marked = false;
    const auto folded = [](char c) { return std::toupper(static_cast<unsigned char>(c)); };
    for (const char c : text_) {
        if (c == '&') {
            drawn += "&&";
            continue;
        }
        if (!marked && folded(c) == folded(accelerator_)) {
            drawn += '&';
            marked = true;
        }
        drawn += c;
    }
    return drawn;
}

void Label::fitToText() {
    // Text can be drawn wider than DT_CALCRECT measures it: the renderer that
    // paints may round each glyph's advance differently from the one that
    // measures, so the gap grows with the length of the text. Room in
    // proportion keeps the last letters from being cut, and a wrapping label
    // from breaking a line the layout meant to fit.
    auto withOverhang = [](int textWidth) { return textWidth + 3 + textWidth / 32; };
    const int wrapWidth = withOverhang(designWidth_);
    RECT area{0, 0, wordWrap_ ? wrapWidth : 0, 0};
    {
        const win32::WindowDc screen(nullptr);
        const win32::SelectedObject font(screen.get(), fontHandle(font_));
        // An empty text still takes one line's height, as a caption does.
        std::string measured = text_.empty() ? std::string(" ") : drawnText();
        ::DrawTextA(screen.get(), measured.c_str(), -1, &area, drawFlags() | DT_CALCRECT);
    }
    if (text_.empty()) area.right = 0;
    if (wordWrap_) {
        setBounds(bounds_.left, bounds_.top, wrapWidth, area.bottom);
        return;
    }
    const int width = text_.empty() ? 0 : withOverhang(area.right);
    const int right = bounds_.right;
    const int left = alignment_ == Alignment::Right ? right - width : bounds_.left;
    setBounds(left, bounds_.top, width, area.bottom);
}

void Label::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    if (autoSize_) fitToText();
    invalidate();
}

void Label::setColor(Color color) {
    if (color == color_) return;
    color_ = color;
    invalidate();
}

void Label::paint(HDC dc) const {
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, color_.resolve());
    const win32::SelectedObject font(dc, fontHandle(font_));
    RECT area{0, 0, width(), height()};
    ::DrawTextA(dc, drawnText().c_str(), -1, &area, drawFlags());
}

Bevel::Bevel(Container& parent, int left, int top, int width, int height, BevelShape shape)
    : GraphicControl(parent, RECT{left, top, left + width, top + height}), shape_(shape) {}

void Bevel::paint(HDC dc) const {
    RECT area{0, 0, width(), height()};
    switch (shape_) {
        case BevelShape::TopLine:
            ::DrawEdge(dc, &area, EDGE_ETCHED, BF_TOP);
            break;
        case BevelShape::LeftLine:
            ::DrawEdge(dc, &area, EDGE_ETCHED, BF_LEFT);
            break;
        case BevelShape::LoweredBox:
            ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_WINDOW));
            ::DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT);
            break;
    }
}

}  // namespace tavrix::ui
