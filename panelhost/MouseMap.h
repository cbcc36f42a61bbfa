// Hit-testing one gauge's mouse rectangles: boxes are given in pixels of the
// gauge's background bitmap and scaled to the gauge as shown.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tavrix::panel {

// Click kinds the host reports to mouse rectangles.
inline constexpr std::uint32_t kClickLeftSingle = 0x20000000;
inline constexpr std::uint32_t kClickMiddleSingle = 0x40000000;
inline constexpr std::uint32_t kClickRightSingle = 0x80000000;
inline constexpr std::uint32_t kClickLeftDouble = 0x04000000;

struct MouseArea {
    std::uint32_t kind;  // 1 parent begin, 2 child, 3 parent end (the list's end is not kept)
    std::int32_t x, y, width, height;
    std::int32_t cursor;
    std::uint32_t flags;
    std::size_t index;  // position of the rectangle in the module's list
};

struct MouseHit {
    std::size_t index;      // rectangle to call
    std::int32_t bgX, bgY;  // click point in background pixels
};

class MouseMap {
public:
    MouseMap() = default;
    MouseMap(std::vector<MouseArea> areas, int backgroundWidth, int backgroundHeight);

    // (x, y) relative to the gauge's top-left corner, in pixels of the gauge
    // as shown `shownWidth` x `shownHeight`.
    std::optional<MouseHit> click(double x, double y, double shownWidth, double shownHeight,
                                  std::uint32_t clickKind) const;
    std::int32_t cursorAt(double x, double y, double shownWidth, double shownHeight) const;

private:
    const MouseArea* childAt(std::int32_t bgX, std::int32_t bgY) const;
    bool toBackground(double x, double y, double shownWidth, double shownHeight, std::int32_t& bgX,
                      std::int32_t& bgY) const;

    std::vector<MouseArea> areas_;
    int backgroundWidth_ = 0;
    int backgroundHeight_ = 0;
};

}  // namespace tavrix::panel
