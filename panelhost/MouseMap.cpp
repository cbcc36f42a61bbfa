#include "panelhost/MouseMap.h"

#include <cmath>

namespace tavrix::panel {

namespace {
constexpr std::uint32_t kChild = 2;
constexpr std::int32_t kNoCursor = -1;
}  // namespace

MouseMap::MouseMap(std::vector<MouseArea> areas, int backgroundWidth, int backgroundHeight)
    : areas_(std::move(areas)), backgroundWidth_(backgroundWidth), backgroundHeight_(backgroundHeight) {}

bool MouseMap::toBackground(double x, double y, double shownWidth, double shownHeight, std::int32_t& bgX,
                            std::int32_t& bgY) const {
    if (!(shownWidth > 0.0) || !(shownHeight > 0.0) || backgroundWidth_ <= 0 || backgroundHeight_ <= 0)
        return false;
    if (!(x >= 0.0 && y >= 0.0 && x < shownWidth && y < shownHeight)) return false;
    bgX = static_cast<std::int32_t>(std::floor(x * backgroundWidth_ / shownWidth));
    bgY = static_cast<std::int32_t>(std::floor(y * backgroundHeight_ / shownHeight));
    return true;
}

// The first child whose box holds the point owns it; boxes may run past the
// background's edge, which is harmless since clicks never land there.
const MouseArea* MouseMap::childAt(std::int32_t bgX, std::int32_t bgY) const {
    for (const MouseArea& a : areas_) {
        if (a.kind != kChild) continue;
        const std::int64_t right = std::int64_t{a.x} + a.width, bottom = std::int64_t{a.y} + a.height;
        if (bgX >= a.x && bgX < right && bgY >= a.y && bgY < bottom) return &a;
    }
    return nullptr;
}

std::optional<MouseHit> MouseMap::click(double x, double y, double shownWidth, double shownHeight,
                                        std::uint32_t clickKind) const {
    std::int32_t bgX = 0, bgY = 0;
    if (!toBackground(x, y, shownWidth, shownHeight, bgX, bgY)) return std::nullopt;
    const MouseArea* area = childAt(bgX, bgY);
    if (area == nullptr || (area->flags & clickKind) == 0) return std::nullopt;
    return MouseHit{area->index, bgX, bgY};
}

std::int32_t MouseMap::cursorAt(double x, double y, double shownWidth, double shownHeight) const {
    std::int32_t bgX = 0, bgY = 0;
    if (!toBackground(x, y, shownWidth, shownHeight, bgX, bgY)) return kNoCursor;
    const MouseArea* area = childAt(bgX, bgY);
    return area != nullptr ? area->cursor : kNoCursor;
}

}  // namespace tavrix::panel
