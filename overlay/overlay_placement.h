// Where an overlay goes on a canvas of any size: its position and size are set in reference pixels
// of a 1920 x 1080 screen and scaled to the canvas, and the overlay is kept whole inside it.
#pragma once

#include "bakkesmod/wrappers/wrapperstructs.h"
#include "heatmap/heatmap_drawing.h"

namespace zando {

// The overlays' text is drawn no smaller than MinReadableTextScale, so neither is the rest of them: a
// small scale setting on a small screen draws at this scale instead (at 1280 x 720, settings below 0.92
// look alike).
inline constexpr float MinReadableScale = MinReadableTextScale;

struct Placement {
    int x = 0;  // the overlay's top-left corner on the canvas, pixels
    int y = 0;
    float scale = 1.0f;  // canvas pixels per reference pixel at the user's scale: sizes and text
};

// canvas: the canvas's size (a canvas smaller than 800 x 600 is taken as 1920 x 1080, as before its
// size is known); at: the top-left corner in reference pixels; width, height: the overlay at scale 1
// in reference pixels; userScale: the scale setting. Positions scale with each side of the canvas,
// sizes with the smaller factor (shapes keep their proportions), never below MinReadableScale; the
// scale is lowered when the overlay would not fit, and the corner moved in so that all of it is on the
// canvas.
Placement PlaceOnCanvas(Vector2 canvas, Vector2 at, float width, float height, float userScale);

// The pixels an overlay covers on the canvas: [left, right) x [top, bottom).
struct PixelArea {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Overlaps(const PixelArea& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
};
// What an overlay of width x height reference pixels covers at placement.
PixelArea AreaOf(const Placement& placement, float width, float height);

// An overlay placed after another one must not cover it: placement, for an overlay of width x height
// reference pixels, is kept when it is clear of taken; otherwise the overlay goes to the side of the
// canvas beside taken (left, right, above or below it) where it keeps the largest scale, as near to
// where it was as that side allows, shrunk only as much as that side needs.
Placement PlaceClearOf(Vector2 canvas, Placement placement, float width, float height, PixelArea taken);

// The canvas size overlays are laid out for: canvas, or 1920 x 1080 for one smaller than 800 x 600.
Vector2 LayoutSize(Vector2 canvas);

}  // namespace zando
