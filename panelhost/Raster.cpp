#include "panelhost/Raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace tavrix::panel {

namespace {

std::uint32_t dim(std::uint32_t c, double brightness) {
    if (brightness >= 1.0) return c;
    auto scale = [&](std::uint8_t v) { return static_cast<std::uint8_t>(std::lround(v * brightness)); };
    return rgb(scale(red(c)), scale(green(c)), scale(blue(c)));
}

// Floor for the coordinates met here (well inside +-2^20), without the
// library call, which dominates drawing on 32-bit x87 builds.
int floorToInt(double v) {
    const int i = static_cast<int>(v);
    return v < i ? i - 1 : i;
}

std::optional<std::uint32_t> nearest(const Image& image, int x, int y, bool transparent) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return std::nullopt;
    const std::uint32_t c = image.at(x, y);
    if (transparent && c == kTransparentColour) return std::nullopt;
    return c;
}

// Bilinear over the four neighbours of (x0 + tx, y0 + ty); see-through
// neighbours carry no weight, so a smoothed edge never bleeds black into the panel.
std::optional<std::uint32_t> bilinear(const Image& image, int x0, int y0, double tx, double ty,
                                      bool transparent) {
    double r = 0, g = 0, b = 0, weight = 0;
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
            const int x = x0 + i, y = y0 + j;
            if (x < 0 || y < 0 || x >= image.width || y >= image.height) continue;
            const std::uint32_t c = image.at(x, y);
            if (transparent && c == kTransparentColour) continue;
            const double w = (i ? tx : 1 - tx) * (j ? ty : 1 - ty);
            r += w * red(c);
            g += w * green(c);
            b += w * blue(c);
            weight += w;
        }
    }
    if (weight < 0.5) return std::nullopt;
    auto channel = [&](double v) {
        return static_cast<std::uint8_t>(std::clamp(int(v / weight + 0.5), 0, 255));
    };
    return rgb(channel(r), channel(g), channel(b));
}

// The colour of the image at a point in its own pixel space, or nothing where
// a transparent image is see-through.
std::optional<std::uint32_t> sample(const Image& image, double u, double v, const DrawStyle& style) {
    if (!style.smoothed) return nearest(image, floorToInt(u), floorToInt(v), style.transparent);
    const double fx = u - 0.5, fy = v - 0.5;
    const int x0 = floorToInt(fx), y0 = floorToInt(fy);
    return bilinear(image, x0, y0, fx - x0, fy - y0, style.transparent);
}

}  // namespace

void fill(Image& target, std::uint32_t colour) {
    std::fill(target.pixels.begin(), target.pixels.end(), colour);
}

void drawScaled(Image& target, const Image& image, double left, double top, double scale,
                const DrawStyle& style) {
    if (!(scale > 0.0) || image.width == 0) return;
    const int x0 = std::max(0, static_cast<int>(std::floor(left)));
    const int y0 = std::max(0, static_cast<int>(std::floor(top)));
    const int x1 = std::min(target.width, static_cast<int>(std::ceil(left + image.width * scale)));
    const int y1 = std::min(target.height, static_cast<int>(std::ceil(top + image.height * scale)));
    if (x1 <= x0 || y1 <= y0) return;
    // The source column of each target column is the same on every row: work
    // it out once, since this runs for every gauge on every frame.
    struct Tap {
        int index;
        double weight;
    };
    auto taps = [&](double offset, int from, int to) {
        std::vector<Tap> out;
        for (int i = from; i < to; ++i) {
            const double p = (i + 0.5 - offset) / scale - (style.smoothed ? 0.5 : 0.0);
            const int index = floorToInt(p);
            out.push_back({index, p - index});
        }
        return out;
    };
    const std::vector<Tap> columns = taps(left, x0, x1), rows = taps(top, y0, y1);
    for (int y = y0; y < y1; ++y) {
        const Tap& row = rows[static_cast<std::size_t>(y - y0)];
        std::uint32_t* line = &target.at(0, y);
        for (int x = x0; x < x1; ++x) {
            const Tap& column = columns[static_cast<std::size_t>(x - x0)];
            const auto c = style.smoothed ? bilinear(image, column.index, row.index, column.weight,
                                                     row.weight, style.transparent)
                                          : nearest(image, column.index, row.index, style.transparent);
            if (c) line[x] = dim(*c, style.brightness);
        }
    }
}

void drawRotated(Image& target, const Image& image, double pivotInImageX, double pivotInImageY, double pivotX,
                 double pivotY, double angleDegrees, double scale, const DrawStyle& style) {
    if (!(scale > 0.0) || image.width == 0) return;
    const double a = angleDegrees * std::numbers::pi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    // The farthest image corner from the pivot bounds what can be drawn.
    double reach = 0;
    for (double cx : {0.0, double(image.width)})
        for (double cy : {0.0, double(image.height)})
            reach = std::max(reach, std::hypot(cx - pivotInImageX, cy - pivotInImageY));
    reach = reach * scale + 2;
    const int x0 = std::max(0, static_cast<int>(std::floor(pivotX - reach)));
    const int y0 = std::max(0, static_cast<int>(std::floor(pivotY - reach)));
    const int x1 = std::min(target.width, static_cast<int>(std::ceil(pivotX + reach)));
    const int y1 = std::min(target.height, static_cast<int>(std::ceil(pivotY + reach)));
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            // Screen y points down: undo the turn to find the image point.
            const double dx = (x + 0.5 - pivotX) / scale, dy = (y + 0.5 - pivotY) / scale;
            const double u = dx * c - dy * s + pivotInImageX;
            const double v = dx * s + dy * c + pivotInImageY;
            if (auto colour = sample(image, u, v, style)) target.at(x, y) = dim(*colour, style.brightness);
        }
    }
}

}  // namespace tavrix::panel
