// Where an overlay goes on a canvas of any size: its position and size are set in reference pixels
// of a 1920 x 1080 screen and scaled to the canvas, and the overlay is kept whole inside it.
#pragma once

#include "bakkesmod/wrappers/wrapperstructs.h"

namespace zando {

struct Placement {
    int x = 0;            // the overlay's top-left corner on the canvas, pixels
    int y = 0;
    float scale = 1.0f;   // canvas pixels per reference pixel at the user's scale: sizes and text
};

// canvas: the canvas's size (a canvas smaller than 800 x 600 is taken as 1920 x 1080, as before its
// size is known); at: the top-left corner in reference pixels; width, height: the overlay at scale 1
// in reference pixels; userScale: the scale setting. Positions scale with each side of the canvas,
// sizes with the smaller factor (shapes keep their proportions); the scale is lowered when the
// overlay would not fit, and the corner moved in so that all of it is on the canvas.
Placement PlaceOnCanvas(Vector2 canvas, Vector2 at, float width, float height, float userScale);

// The canvas size overlays are laid out for: canvas, or 1920 x 1080 for one smaller than 800 x 600.
Vector2 LayoutSize(Vector2 canvas);

}  // namespace zando
