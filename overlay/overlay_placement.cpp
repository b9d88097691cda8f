// Placing an overlay in reference pixels on a canvas of any size, whole and inside it.
#include "overlay/overlay_placement.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zando {

namespace {

constexpr float ReferenceWidth = 1920.0f, ReferenceHeight = 1080.0f;

int Trunc(float value) { return static_cast<int>(value); }

}  // namespace

Vector2 LayoutSize(Vector2 canvas) {
    Vector2 size{canvas.X < 800 ? 1920 : canvas.X, canvas.Y < 600 ? 1080 : canvas.Y};
    return size;
}

Placement PlaceOnCanvas(Vector2 canvas, Vector2 at, float width, float height, float userScale) {
    const Vector2 size = LayoutSize(canvas);
    const float fx = static_cast<float>(size.X) / ReferenceWidth, fy = static_cast<float>(size.Y) / ReferenceHeight;
    const float wanted = std::isfinite(userScale) && userScale > 0.0f ? userScale : 1.0f;
    Placement placement;
    placement.scale = std::min({std::max(wanted * std::min(fx, fy), MinReadableScale), static_cast<float>(size.X) / width,
                                static_cast<float>(size.Y) / height});
    const int w = Trunc(width * placement.scale), h = Trunc(height * placement.scale);
    placement.x = std::clamp(Trunc(static_cast<float>(at.X) * fx), 0, std::max(0, size.X - w));
    placement.y = std::clamp(Trunc(static_cast<float>(at.Y) * fy), 0, std::max(0, size.Y - h));
    return placement;
}

PixelArea AreaOf(const Placement& placement, float width, float height) {
    return {placement.x, placement.y, placement.x + Trunc(width * placement.scale),
            placement.y + Trunc(height * placement.scale)};
}

Placement PlaceClearOf(Vector2 canvas, Placement placement, float width, float height, PixelArea taken) {
    if (!AreaOf(placement, width, height).Overlaps(taken)) return placement;
    const Vector2 size = LayoutSize(canvas);
    const PixelArea sides[] = {{0, 0, taken.left, size.Y},
                               {taken.right, 0, size.X, size.Y},
                               {0, 0, size.X, taken.top},
                               {0, taken.bottom, size.X, size.Y}};
    Placement best = placement;
    bool found = false;
    long bestMove = 0;
    for (const PixelArea& side : sides) {
        const int sideWidth = side.right - side.left, sideHeight = side.bottom - side.top;
        if (sideWidth <= 0 || sideHeight <= 0) continue;
        Placement moved;
        moved.scale = std::min({placement.scale, static_cast<float>(sideWidth) / width, static_cast<float>(sideHeight) / height});
        const int w = Trunc(width * moved.scale), h = Trunc(height * moved.scale);
        if (w <= 0 || h <= 0) continue;
        moved.x = std::clamp(placement.x, side.left, side.right - w);
        moved.y = std::clamp(placement.y, side.top, side.bottom - h);
        const long move =
            std::labs(static_cast<long>(moved.x) - placement.x) + std::labs(static_cast<long>(moved.y) - placement.y);
        if (!found || moved.scale > best.scale || (moved.scale == best.scale && move < bestMove)) {
            best = moved;
            bestMove = move;
            found = true;
        }
    }
    return best;
}

}  // namespace zando
