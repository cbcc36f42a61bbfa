// Drawing gauge images onto the panel: scaled, optionally smoothed, rotated
// about a pivot, with pure black left out when the element is transparent.
#pragma once

#include "panelhost/Image.h"

namespace tavrix::panel {

struct DrawStyle {
    bool transparent = false;  // pure black pixels are not drawn
    bool smoothed = false;     // bilinear scaling
    double brightness = 1.0;   // panel lighting applied to the element
};

// Draws `image` with its top-left corner at (left, top) of `target`, scaled by `scale`.
void drawScaled(Image& target, const Image& image, double left, double top, double scale,
                const DrawStyle& style);

// Draws `image` turned by `angleDegrees` (counter-clockwise, y up) about its
// own point `pivot`, which lands on (pivotX, pivotY) of `target`.
void drawRotated(Image& target, const Image& image, double pivotInImageX, double pivotInImageY, double pivotX,
                 double pivotY, double angleDegrees, double scale, const DrawStyle& style);

void fill(Image& target, std::uint32_t colour);

}  // namespace tavrix::panel
