// A match's shots and goals drawn where they happened, on the field to scale (an SVG the server
// writes whole, so it needs no script), with the same places as a table.
#pragma once

#include "dashboard/markup.h"
#include "dashboard/place_grid.h"
#include "dashboard/upload_format.h"

namespace dashboard {

// The field seen from above, blue's goal on the left and orange's on the right, each labelled (and
// which is the player's, when the team is known); each shot and goal a dot where the player's car
// touched the ball, with a line to where the ball was when the game counted it; the clock and the
// ball's speed on hover, and in the table.
Markup FieldPicture(const WholeMatchPart& whole);

// The shots and goals of many matches on the field's true grid: each square shaded by its shots and
// a dot sized by its goals, the player's goal on the left; the squares as a table.
Markup FieldDensityPicture(const PlaceDensity& density);

}  // namespace dashboard
