// The heatmap overlay's field view: this match's shots and goals at their true places, on the field
// drawn to scale inside the overlay's box.
#pragma once

#include <vector>

#include "bakkesmod/wrappers/canvaswrapper.h"
#include "base/shot_place.h"

namespace zando {

// The field in the box at (x, y), w x h pixels: its length up the box, the end the player of team
// attacks at the top and +X on the left (as the zone grid's rows and columns); each shot and goal a dot
// where the car touched the ball, with a line to where the ball was counted; and its legend.
// scale: the overlay's, for the texts; opacity: 0..1.
void DrawFieldView(CanvasWrapper& canvas, int x, int y, int w, int h, const std::vector<ShotPlace>& places, int team, float scale,
                   float opacity);

}  // namespace zando
