// Placing an overlay in reference pixels on a canvas of any size, whole and inside it.
#include "overlay/overlay_placement.h"

#include <algorithm>
#include <cmath>

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
    placement.scale = std::min({wanted * std::min(fx, fy), static_cast<float>(size.X) / width, static_cast<float>(size.Y) / height});
    const int w = Trunc(width * placement.scale), h = Trunc(height * placement.scale);
    placement.x = std::clamp(Trunc(static_cast<float>(at.X) * fx), 0, std::max(0, size.X - w));
    placement.y = std::clamp(Trunc(static_cast<float>(at.Y) * fy), 0, std::max(0, size.Y - h));
    return placement;
}

}  // namespace zando
