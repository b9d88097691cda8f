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
            const ScreenArea window{x, y, x + width, y + height};
            float cost = 0.0f;
            for (const TakenArea& other : taken) cost += other.weight * OverlapOf(window, other.area);
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
