// What the heatmap views share: the smoothing filter, the colour ramps and the schematic field.
#pragma once

#include <cstdint>

#include "host/sdk/canvas_wrapper.h"
#include "plugin/grid.h"

namespace zando {

struct Rgba {
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 0;
    bool operator==(const Rgba&) const = default;
};

int Clamp255(int value);                  // limited to 0..255
void SetColor(CanvasWrapper& canvas, Rgba colour);  // each component clamped to 0..255

// Spreads each zone's value over the zones within two rows and columns (a separable Gaussian of
// radius 2). Taps outside the grid are dropped without renormalising, so borders come out darker.
void SmoothHeatmap(Grid<float>& grid);

// Colour ramps, t and a in 0..1; opacity is the overlay opacity (0..1).
Rgba FrequencyCellColour(float t, float opacity);  // dark blue, light blue, lime, yellow, orange, red
Rgba AccuracyCellColour(float a, float opacity);   // red at 0, yellow at 0.5, green at 1
Rgba FrequencyLegendColour(float t, int alpha);
Rgba AccuracyLegendColour(float t, int alpha);

// A schematic field over the box (x, y, w, h): border, halfway line, centre circle, both goals
// (the opponent's at the top) and their labels.
void DrawFieldOutline(CanvasWrapper& canvas, int x, int y, int w, int h, float opacity);

}  // namespace zando
