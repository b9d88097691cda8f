// What the heatmap views share: the smoothing filter, the colour ramps and the schematic field.
#pragma once

#include <cstdint>
#include <string>

#include "bakkesmod/wrappers/canvaswrapper.h"
#include "base/grid.h"
#include "base/saturating.h"

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
inline char CanvasComponent(int value) {
    return static_cast<char>(static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value));
}
inline CanvasColour ToCanvas(Rgba colour) {  // inline: a changed heatmap converts every zone's colour
    return {CanvasComponent(colour.red), CanvasComponent(colour.green), CanvasComponent(colour.blue),
            CanvasComponent(colour.alpha)};
}

void SetColor(CanvasWrapper& canvas, Rgba colour);  // each component clamped to 0..255
inline void SetCanvasColour(CanvasWrapper& canvas, CanvasColour colour) {
    canvas.SetColor(colour.red, colour.green, colour.blue, colour.alpha);
}
// The canvas font is 13 pixels at scale 1: below 8 pixels text cannot be read.
inline constexpr float MinReadableTextScale = 8.0f / 13.0f;
// Text at (x, y), at an overlay's scale (at 3840 x 2160 it is twice the size it is at 1920 x 1080),
// never smaller than MinReadableTextScale.
void DrawText(CanvasWrapper& canvas, int x, int y, const std::string& text, float scale);

// Where the grid's zones go on the canvas: the box the whole grid fills, in pixels.
struct ZoneBox {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ZoneBox&) const = default;
};
// Edge i of n zones across length pixels from origin: each edge rounded from its exact place, so every
// zone covers its share of the length within a pixel and neighbours meet with no gap or overlap.
inline int ZoneEdge(int origin, int length, int i, int n) {
    return origin + static_cast<int>((2 * static_cast<int64_t>(i) * length + n) / (2 * static_cast<int64_t>(n)));
}

// Spreads each zone's value over the zones within two rows and columns (a separable Gaussian of
// radius 2). Taps outside the grid are dropped without renormalising, so borders come out darker.
void SmoothHeatmap(Grid<float>& grid);

// A block of zones: rows [row, row + rows), columns [col, col + cols).
struct GridArea {
    int row = 0, col = 0, rows = 0, cols = 0;
    bool Empty() const { return rows <= 0 || cols <= 0; }
};
template <class Cell>
GridArea WholeGrid(const Grid<Cell>& grid) {
    return {0, 0, static_cast<int>(grid.size()), static_cast<int>(grid.Cols())};
}

// Smooths in into out as SmoothHeatmap does, keeping the pass along the rows in across. Only the zones
// a change of in's cells inside area can reach are worked out again: out and across must hold the
// smoothing of in as it was before those cells changed (or area be the whole grid). Each zone comes
// out the same, bit for bit, as from smoothing the whole grid. across and out are sized to in if they
// are not.
void SmoothHeatmapArea(const Grid<float>& in, Grid<float>& across, Grid<float>& out, GridArea area);

// Shots in a zone: a shot adds 5.0 to its zone's shot cell. A heat beyond what an int counts (an
// edited file) gives the largest count; no heat, a negative one or NaN gives 0.
inline int ShotsIn(float cell) {
    const float shots = cell / 5.0f;
    if (!(shots >= 1.0f)) return 0;
    if (shots >= 2147483520.0f) return zando::CountCeiling;  // the largest float below 2^31
    return static_cast<int>(shots);
}

// The shots, goals and shot heat of a block of zones: rows [row, row + rows), columns [column,
// column + columns), the part inside the grid. With goalsCountAsShots a goal is also a shot on goal: each
// zone counts at least as many shots as goals (a goal can come without its "Shot on Goal" event).
// Counts stop at the largest int.
struct ZoneFigures {
    int shots = 0;
    int goals = 0;
    float heat = 0.0f;
    float AccuracyPercent() const { return shots > 0 ? static_cast<float>(goals) * 100.0f / static_cast<float>(shots) : 0.0f; }
};
ZoneFigures FiguresOf(const Grid<float>& shots, const Grid<int32_t>& goals, int row, int column, int rows, int columns,
                      bool goalsCountAsShots);

// Accuracy, goals / shots, smoothed with each zone weighted by its shots: the goals and the shots (with
// goalsCountAsShots, never fewer than the goals) of the zones with shots are smoothed apart and
// divided; a zone with no shot near it is 0. A zone alone keeps its own accuracy. The grids are 62 x 50.
Grid<float> SmoothedAccuracy(const Grid<float>& shots, const Grid<int32_t>& goals, bool goalsCountAsShots);

// Colour ramps, t and a in 0..1; opacity is the overlay opacity (0..1).
// A zone's colour (inline: a changed heatmap colours every zone). Frequency: dark blue, light blue,
// lime, yellow, orange, red; accuracy: red at 0, yellow at 0.5, green at 1.
inline Rgba FrequencyCellColour(float t, float opacity) {
    float red, green, blue, alphaBase;
    if (t < 0.2f) {
        const float u = t / 0.2f;
        red = 100 * u, green = 150 * u + 50, blue = 55 * u + 200, alphaBase = 80 * u + 80;
    } else if (t < 0.4f) {
        const float u = (t - 0.2f) / 0.2f;
        red = 50 * u + 100, green = 55 * u + 200, blue = 255 - 155 * u, alphaBase = 50 * u + 160;
    } else if (t < 0.6f) {
        const float u = (t - 0.4f) / 0.2f;
        red = 105 * u + 150, green = 255, blue = 100 - 100 * u, alphaBase = 25 * u + 210;
    } else if (t < 0.8f) {
        const float u = (t - 0.6f) / 0.2f;
        red = 255, green = 255 - 100 * u, blue = 0, alphaBase = 10 * u + 235;
    } else {
        const float u = (t - 0.8f) / 0.2f;
        red = 255, green = 155 - 155 * u, blue = 0, alphaBase = 10 * u + 245;
    }
    return {static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue),
            static_cast<int>(static_cast<float>(static_cast<int>(alphaBase)) * opacity)};
}

inline Rgba AccuracyCellColour(float a, float opacity) {
    const int alpha = static_cast<int>(opacity * 180.0f);
    if (a < 0.5f) return {255, static_cast<int>(2.0f * a * 255.0f), 0, alpha};
    return {static_cast<int>(255.0f - 2.0f * (a - 0.5f) * 255.0f), 255, 0, alpha};
}

// A zone's shade on the canvas: its colour at full opacity, whose alpha is the base the opacity scales.
// AtOpacity(FrequencyShade(t), opacity) is ToCanvas(FrequencyCellColour(t, opacity)), and the same for
// accuracy, so a view can keep the shades and make the colours again when only the opacity changes.
inline CanvasColour FrequencyShade(float t) { return ToCanvas(FrequencyCellColour(t, 1.0f)); }
inline CanvasColour AccuracyShade(float a) { return ToCanvas(AccuracyCellColour(a, 1.0f)); }
inline CanvasColour AtOpacity(CanvasColour shade, float opacity) {
    shade.alpha = CanvasComponent(static_cast<int>(static_cast<float>(static_cast<unsigned char>(shade.alpha)) * opacity));
    return shade;
}

Rgba FrequencyLegendColour(float t, int alpha);
Rgba AccuracyLegendColour(float t, int alpha);

// A schematic field over the box (x, y, w, h): border, halfway line, centre circle, both goals
// (the opponent's at the top) and their labels.
void DrawFieldOutline(CanvasWrapper& canvas, int x, int y, int w, int h, float opacity);

}  // namespace zando
