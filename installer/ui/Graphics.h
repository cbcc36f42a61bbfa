// Colours and fonts as the window layouts name them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrix::ui {

// A colour is either a plain RGB value or one of the system's colours, which
// is looked up only when painting so it follows the user's scheme.
struct Color {
    static constexpr std::uint32_t kSystemFlag = 0x80000000u;
    std::uint32_t value = 0;

    static constexpr Color rgb(int r, int g, int b) {
        return Color{static_cast<std::uint32_t>(r | (g << 8) | (b << 16))};
    }
    static constexpr Color system(int index) {
        return Color{kSystemFlag | static_cast<std::uint32_t>(index)};
    }
    COLORREF resolve() const {
        return (value & kSystemFlag) ? ::GetSysColor(static_cast<int>(value & ~kSystemFlag)) : value;
    }
    friend bool operator==(Color, Color) = default;
};

inline constexpr Color kBlack = Color::rgb(0, 0, 0);
inline constexpr Color kNavy = Color::rgb(0, 0, 128);
inline constexpr Color kWindowText = Color::system(COLOR_WINDOWTEXT);
inline constexpr Color kButtonFace = Color::system(COLOR_BTNFACE);

struct Font {
    // Faces are the layouts' own literals: a description is then a few plain
    // values, which every control that holds one copies without code.
    const char* face = "MS Sans Serif";
    int height = -11;  // character height in pixels, negative as LOGFONT wants it
    bool bold = false;

    // Point sizes of the layouts are for the usual 96 pixels per inch,
    // rounded as MulDiv rounds.
    static constexpr Font points(const char* face, int points, bool bold = false) {
        return Font{face, -((points * 96 + 36) / 72), bold};
    }
    friend bool operator==(const Font& a, const Font& b) {
        return std::string_view(a.face) == b.face && a.height == b.height && a.bold == b.bold;
    }
};

// GDI font for a description; fonts live until the program ends, so a
// repaint never creates or leaks a GDI object.
HFONT fontHandle(const Font& font);

// The plain keyboard focus mark: a dotted frame in the text colour. Drawn
// with a pen, not DrawFocusRect, whose inverted dots Wine does not show.
void drawFocusFrame(HDC dc, int left, int top, int right, int bottom);

}  // namespace tavrix::ui
