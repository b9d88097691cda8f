// Placing a new window on the screen clear of what is already there.
#include "ui/window_placement.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zando::ui {

float OverlapOf(const ScreenArea& a, const ScreenArea& b) {
    const float width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const float height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0.0f && height > 0.0f ? width * height : 0.0f;
}

namespace {

float CostAt(WindowSpot spot, float width, float height, std::span<const TakenArea> taken) {
    const ScreenArea window{spot.x, spot.y, spot.x + width, spot.y + height};
    float cost = 0.0f;
    for (const TakenArea& other : taken) cost += other.weight * OverlapOf(window, other.area);
    return cost;
}

}  // namespace

WindowArea FitWindow(float screenWidth, float screenHeight, float preferredWidth, float preferredHeight, float smallestWidth,
                     float smallestHeight, WindowSpot wanted, std::span<const TakenArea> taken) {
    preferredWidth = std::min(preferredWidth, screenWidth), preferredHeight = std::min(preferredHeight, screenHeight);
    smallestWidth = std::min(smallestWidth, preferredWidth), smallestHeight = std::min(smallestHeight, preferredHeight);
    // A side that cannot give is tried at its one size only.
    constexpr int Steps = 16;
    const int widthSteps = smallestWidth < preferredWidth ? Steps : 0, heightSteps = smallestHeight < preferredHeight ? Steps : 0;
    for (int w = 0; w <= widthSteps; ++w) {
        const float width = preferredWidth - (preferredWidth - smallestWidth) * static_cast<float>(w) / Steps;
        for (int h = 0; h <= heightSteps; ++h) {
            const float height = preferredHeight - (preferredHeight - smallestHeight) * static_cast<float>(h) / Steps;
            const WindowSpot spot = PlaceWindow(screenWidth, screenHeight, width, height, wanted, taken);
            if (CostAt(spot, width, height, taken) == 0.0f) return {spot, width, height};
        }
    }
    return {PlaceWindow(screenWidth, screenHeight, preferredWidth, preferredHeight, wanted, taken), preferredWidth,
            preferredHeight};
}

WindowSpot PlaceWindow(float screenWidth, float screenHeight, float width, float height, WindowSpot wanted,
                       std::span<const TakenArea> taken, float gap) {
    const float maxX = std::max(0.0f, screenWidth - width), maxY = std::max(0.0f, screenHeight - height);
    std::vector<float> xs{wanted.x, 0.0f, gap, maxX - gap, maxX}, ys{wanted.y, 0.0f, gap, maxY - gap, maxY};
    for (const TakenArea& other : taken) {
        xs.insert(xs.end(), {other.area.right + gap, other.area.left - gap - width});
        ys.insert(ys.end(), {other.area.bottom + gap, other.area.top - gap - height});
    }
    WindowSpot best{std::clamp(wanted.x, 0.0f, maxX), std::clamp(wanted.y, 0.0f, maxY)};
    float bestCost = -1.0f, bestDistance = 0.0f;
    for (const float x : xs) {
        for (const float y : ys) {
            if (!(x >= 0.0f && x <= maxX && y >= 0.0f && y <= maxY)) continue;
            const float cost = CostAt({x, y}, width, height, taken);
            const float distance = std::hypot(x - wanted.x, y - wanted.y);
            if (bestCost < 0.0f || cost < bestCost || (cost == bestCost && distance < bestDistance)) {
                best = {x, y};
                bestCost = cost;
                bestDistance = distance;
            }
        }
    }
    return best;
}

}  // namespace zando::ui
