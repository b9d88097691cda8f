// Heatmap smoothing, colour ramps and the schematic field outline.
#include "heatmap/heatmap_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace zando {

namespace {

int Trunc(float value) { return static_cast<int>(value); }

// exp(-d*d/2) for d = -2..2, normalised to sum 1.
std::array<float, 5> SmoothingWeights() {
    std::array<float, 5> weights{};
    float sum = 0.0f;
    for (int d = -2; d <= 2; ++d) sum += weights[static_cast<std::size_t>(d + 2)] = std::exp(-static_cast<float>(d * d) / 2.0f);
    for (float& weight : weights) weight /= sum;
    return weights;
}

void Line(CanvasWrapper& canvas, int x1, int y1, int x2, int y2) { canvas.DrawLine(Vector2{x1, y1}, Vector2{x2, y2}); }

}  // namespace

void SetColor(CanvasWrapper& canvas, Rgba colour) { SetCanvasColour(canvas, ToCanvas(colour)); }

void DrawText(CanvasWrapper& canvas, int x, int y, const std::string& text, float scale) {
    canvas.SetPosition(Vector2{x, y});
    const float readable = std::max(scale, MinReadableTextScale);
    canvas.DrawString(text, readable, readable);
}

void SmoothHeatmapArea(const Grid<float>& in, Grid<float>& across, Grid<float>& out, GridArea area) {
    static const std::array<float, 5> weights = SmoothingWeights();
    const std::ptrdiff_t m = static_cast<std::ptrdiff_t>(in.size()), n = static_cast<std::ptrdiff_t>(in.Cols());
    if (across.size() != in.size() || across.Cols() != in.Cols()) across = Grid<float>(in.size(), in.Cols());
    if (out.size() != in.size() || out.Cols() != in.Cols()) out = Grid<float>(in.size(), in.Cols());
    if (m == 0 || n == 0) return;
    // The rows' pass changes where a changed cell's row is, two columns either side; the columns'
    // pass two rows above and below that too.
    const std::ptrdiff_t rowFirst = std::max<std::ptrdiff_t>(area.row, 0),
                         rowEnd = std::min<std::ptrdiff_t>(area.row + area.rows, m);
    const std::ptrdiff_t colFirst = std::max<std::ptrdiff_t>(area.col - 2, 0),
                         colEnd = std::min<std::ptrdiff_t>(area.col + area.cols + 2, n);
    const std::ptrdiff_t outFirst = std::max<std::ptrdiff_t>(rowFirst - 2, 0), outEnd = std::min<std::ptrdiff_t>(rowEnd + 2, m);
    if (rowFirst >= rowEnd || colFirst >= colEnd) return;
    const float* const cells = in.Cells().data();
    float* const rows = across.Cells().data();
    float* const smoothed = out.Cells().data();
    const float w0 = weights[0], w1 = weights[1], w2 = weights[2], w3 = weights[3], w4 = weights[4];
    // A zone near the border: the taps inside the grid only. Zones two or more from the border take
    // all five taps in straight loops the compiler can vectorise; the sums run in the same order as
    // at the border, and each zone is always worked out by the same one of the two, whatever the area.
    const auto border = [&](const float* line, std::ptrdiff_t at, std::ptrdiff_t count, std::ptrdiff_t stride) {
        float sum = 0.0f;
        for (std::ptrdiff_t d = -2; d <= 2; ++d)
            if (at + d >= 0 && at + d < count) sum += line[(at + d) * stride] * weights[static_cast<std::size_t>(d + 2)];
        return sum;
    };
    const std::ptrdiff_t innerFirst = std::max<std::ptrdiff_t>(colFirst, 2), innerEnd = std::min<std::ptrdiff_t>(colEnd, n - 2);
    for (std::ptrdiff_t r = rowFirst; r < rowEnd; ++r) {
        const float* line = cells + r * n;
        float* to = rows + r * n;
        for (std::ptrdiff_t c = colFirst; c < colEnd; ++c) {
            if (c >= innerFirst && c < innerEnd) c = innerEnd;  // the inner zones come next
            if (c >= colEnd) break;
            to[c] = border(line, c, n, 1);
        }
        for (std::ptrdiff_t c = innerFirst; c < innerEnd; ++c) {
            float sum = 0.0f;
            sum += line[c - 2] * w0;
            sum += line[c - 1] * w1;
            sum += line[c] * w2;
            sum += line[c + 1] * w3;
            sum += line[c + 2] * w4;
            to[c] = sum;
        }
    }
    for (std::ptrdiff_t r = outFirst; r < outEnd; ++r) {
        float* to = smoothed + r * n;
        if (r < 2 || r + 2 >= m) {
            for (std::ptrdiff_t c = colFirst; c < colEnd; ++c) to[c] = border(rows + c, r, m, n);
            continue;
        }
        const float *a = rows + (r - 2) * n, *b = a + n, *mid = b + n, *d = mid + n, *e = d + n;
        for (std::ptrdiff_t c = colFirst; c < colEnd; ++c) {
            float sum = 0.0f;
            sum += a[c] * w0;
            sum += b[c] * w1;
            sum += mid[c] * w2;
            sum += d[c] * w3;
            sum += e[c] * w4;
            to[c] = sum;
        }
    }
}

void SmoothHeatmap(Grid<float>& grid) {
    // The rows' pass goes to a scratch grid kept by each thread, so smoothing allocates nothing after
    // its first use.
    thread_local Grid<float> input, across;
    input = grid;
    SmoothHeatmapArea(input, across, grid, WholeGrid(grid));
}

ZoneFigures FiguresOf(const Grid<float>& shots, const Grid<int32_t>& goals, int row, int column, int rows, int columns,
                      bool goalsCountAsShots) {
    ZoneFigures figures;
    const int lastRow = std::min(row + rows, static_cast<int>(shots.size()));
    for (int r = std::max(row, 0); r < lastRow; ++r) {
        const auto& shotRow = shots[static_cast<std::size_t>(r)];
        const auto& goalRow = goals[static_cast<std::size_t>(r)];
        const int lastColumn = std::min({column + columns, static_cast<int>(shotRow.size()), static_cast<int>(goalRow.size())});
        for (int c = std::max(column, 0); c < lastColumn; ++c) {
            const float heat = shotRow[static_cast<std::size_t>(c)];
            const int zoneGoals = std::max(goalRow[static_cast<std::size_t>(c)], 0);
            const int zoneShots = goalsCountAsShots ? std::max(ShotsIn(heat), zoneGoals) : ShotsIn(heat);
            figures.shots = SaturatingAdd(figures.shots, zoneShots);
            figures.goals = SaturatingAdd(figures.goals, zoneGoals);
            if (heat > 0.0f) figures.heat += heat;
        }
    }
    return figures;
}

Grid<float> SmoothedAccuracy(const Grid<float>& shots, const Grid<int32_t>& goals, bool goalsCountAsShots) {
    // Goals and shots are smoothed apart and divided: each zone's accuracy weighs its neighbours by
    // their shots, so zones without shots do not pull it towards 0 (a lone zone keeps its own figure).
    Grid<float> scored, taken;
    SizeGrid(scored);
    SizeGrid(taken);
    for (std::size_t r = 0; r < scored.size(); ++r) {
        for (std::size_t c = 0; c < scored[r].size(); ++c) {
            const int zoneGoals = std::max(goals[r][c], 0);
            const int zoneShots = goalsCountAsShots ? std::max(ShotsIn(shots[r][c]), zoneGoals) : ShotsIn(shots[r][c]);
            if (zoneShots <= 0) continue;
            scored[r][c] = static_cast<float>(zoneGoals);
            taken[r][c] = static_cast<float>(zoneShots);
        }
    }
    SmoothHeatmap(scored);
    SmoothHeatmap(taken);
    for (std::size_t r = 0; r < scored.size(); ++r)
        for (std::size_t c = 0; c < scored[r].size(); ++c) scored[r][c] = taken[r][c] > 0.0f ? scored[r][c] / taken[r][c] : 0.0f;
    return scored;
}

Rgba FrequencyLegendColour(float t, int alpha) {
    if (t < 0.25f) {
        const float u = 4 * t;
        return {Trunc(40 * u + 40), Trunc(100 * u + 120), Trunc(220 - 120 * u), alpha};
    }
    if (t < 0.5f) {
        const float u = 4 * (t - 0.25f);
        return {Trunc(75 * u + 80), Trunc(35 * u + 220), Trunc(100 - 100 * u), alpha};
    }
    if (t < 0.75f) {
        const float u = 4 * (t - 0.5f);
        return {Trunc(100 * u + 155), Trunc(255 - 90 * u), 0, alpha};
    }
    const float u = 4 * (t - 0.75f);
    return {255, Trunc(165 - 165 * u), 0, alpha};
}

Rgba AccuracyLegendColour(float t, int alpha) {
    Rgba colour = AccuracyCellColour(t, 1.0f);
    colour.alpha = alpha;
    return colour;
}

void DrawFieldOutline(CanvasWrapper& canvas, int x, int y, int w, int h, float opacity) {
    const int base = Trunc(opacity * 200.0f);
    SetColor(canvas, {160, 180, 200, base});
    for (int k = 0; k < 3; ++k) {
        Line(canvas, x, y + k, x + w, y + k);
        Line(canvas, x + w, y + h - k, x, y + h - k);
        Line(canvas, x + k, y, x + k, y + h);
        Line(canvas, x + w - k, y, x + w - k, y + h);
    }
    const int cx = x + w / 2, cy = y + h / 2;
    SetColor(canvas, {140, 160, 180, Trunc(static_cast<float>(base) * 0.7f)});
    Line(canvas, x, cy, x + w, cy);
    Line(canvas, x, cy + 1, x + w, cy + 1);

    const int radius = w / 5;
    const auto ring = [&](int r) {
        for (int i = 0; i < 16; ++i) {
            const auto point = [&](int k) {
                const double angle = k * 3.14159 * 0.125;
                return Vector2{static_cast<int>(std::cos(angle) * r + cx), static_cast<int>(std::sin(angle) * r + cy)};
            };
            canvas.DrawLine(point(i), point(i + 1));
        }
    };
    SetColor(canvas, {120, 140, 160, Trunc(static_cast<float>(base) * 0.3f)});
    ring(radius + 3);
    SetColor(canvas, {140, 160, 180, Trunc(static_cast<float>(base) * 0.6f)});
    ring(radius);

    const int goalHalfWidth = w / 6, goalDepth = h / 10;
    SetColor(canvas, {255, 120, 120, Trunc(static_cast<float>(base) * 0.5f)});
    canvas.DrawRect(Vector2{cx - goalHalfWidth, y}, Vector2{cx + goalHalfWidth, y + goalDepth});
    SetColor(canvas, {120, 120, 255, Trunc(static_cast<float>(base) * 0.5f)});
    canvas.DrawRect(Vector2{cx - goalHalfWidth, y + h - goalDepth}, Vector2{cx + goalHalfWidth, y + h});

    // The goals' labels at the overlay's scale (the field is 250 reference pixels wide), inside their boxes.
    const float labelScale = 0.8f * static_cast<float>(w) / 250.0f;
    const auto at = [labelScale](float value) { return Trunc(value * labelScale); };
    SetColor(canvas, {255, 255, 255, Trunc(static_cast<float>(base) * 0.4f)});
    DrawText(canvas, cx - at(16.0f), y + at(7.0f), "OPP", labelScale);
    DrawText(canvas, cx - at(17.0f), y + h - goalDepth + at(7.0f), "YOU", labelScale);
}

}  // namespace zando
