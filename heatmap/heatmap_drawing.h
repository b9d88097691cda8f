// What the heatmap views share: the smoothing filter, the colour ramps and the schematic field.
#pragma once

#include <cstdint>
#include <string>

#include "bakkesmod/wrappers/canvaswrapper.h"
#include "plugin/grid.h"
#include "plugin/saturating.h"

namespace zando {

struct Rgba {
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 0;
    bool operator==(const Rgba&) const = default;
};

// A colour as the canvas takes it: each component clamped to 0..255, as a char's bits.
struct CanvasColour {
    char red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const CanvasColour&) const = default;
};
CanvasColour ToCanvas(Rgba colour);

int Clamp255(int value);                  // limited to 0..255
void SetColor(CanvasWrapper& canvas, Rgba colour);  // each component clamped to 0..255
inline void SetCanvasColour(CanvasWrapper& canvas, CanvasColour colour) {
    canvas.SetColor(colour.red, colour.green, colour.blue, colour.alpha);
}
// Text at (x, y), at an overlay's scale: at 3840 x 2160 it is twice the size it is at 1920 x 1080.
void DrawText(CanvasWrapper& canvas, int x, int y, const std::string& text, float scale);

// Spreads each zone's value over the zones within two rows and columns (a separable Gaussian of
// radius 2). Taps outside the grid are dropped without renormalising, so borders come out darker.
void SmoothHeatmap(Grid<float>& grid);

// Shots in a zone: a shot adds 5.0 to its zone's shot cell. A heat beyond what an int counts (an
// edited file) gives the largest count; no heat, a negative one or NaN gives 0.
inline int ShotsIn(float cell) {
    const float shots = cell / 5.0f;
    if (!(shots >= 1.0f)) return 0;
    if (shots >= 2147483520.0f) return zando::CountCeiling;  // the largest float below 2^31
    return static_cast<int>(shots);
}

// The shots, goals and shot heat of a block of zones: rows [row, row + rows), columns [column,
// column + columns), the part inside the grid. With limitGoals each zone counts no more goals than
// shots. Counts stop at the largest int.
struct ZoneFigures {
    int shots = 0;
    int goals = 0;
    float heat = 0.0f;
    float AccuracyPercent() const { return shots > 0 ? static_cast<float>(goals) * 100.0f / static_cast<float>(shots) : 0.0f; }
};
ZoneFigures FiguresOf(const Grid<float>& shots, const Grid<int32_t>& goals, int row, int column, int rows, int columns,
                      bool limitGoals);

// A shot grid smoothed, with its largest smoothed value (0 for an empty grid).
struct SmoothedGrid {
    Grid<float> values;
    float peak = 0.0f;
};
SmoothedGrid SmoothedShots(const Grid<float>& shots);

// Accuracy, goals / shots, smoothed with each zone weighted by its shots: the goals (first limited to
// the shots when limitGoals) and the shots of the zones with shots are smoothed apart and divided; a
// zone with no shot near it is 0. A zone alone keeps its own accuracy. The grids are 62 x 50.
Grid<float> SmoothedAccuracy(const Grid<float>& shots, const Grid<int32_t>& goals, bool limitGoals);

// Colour ramps, t and a in 0..1; opacity is the overlay opacity (0..1).
Rgba FrequencyCellColour(float t, float opacity);  // dark blue, light blue, lime, yellow, orange, red
Rgba AccuracyCellColour(float a, float opacity);   // red at 0, yellow at 0.5, green at 1
Rgba FrequencyLegendColour(float t, int alpha);
Rgba AccuracyLegendColour(float t, int alpha);

// A schematic field over the box (x, y, w, h): border, halfway line, centre circle, both goals
// (the opponent's at the top) and their labels.
void DrawFieldOutline(CanvasWrapper& canvas, int x, int y, int w, int h, float opacity);

}  // namespace zando
