// The heatmap overlay on the game canvas: tabs, mode line, the zone grid coloured by shot frequency or
// goal accuracy, the field, the legend and the selected zone with its stats box; or, in the field
// view, this match's shots and goals where they happened.
#include <algorithm>
#include <string>

#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "heatmap/heatmap_drawing.h"
#include "heatmap/heatmap_views.h"
#include "overlay/field_view.h"
#include "overlay/overlay_placement.h"
#include "plugin/zando.h"

using zando::ShotsIn;

namespace {

int Trunc(float value) { return static_cast<int>(value); }

void Fill(CanvasWrapper& canvas, int x1, int y1, int x2, int y2) { canvas.DrawRect(Vector2{x1, y1}, Vector2{x2, y2}); }

}  // namespace

// The overlay at scale 1, in reference pixels: the tabs, the mode line, the 250 x 310 grid box and the legend.
// Drawn after the post-game card, it moves or shrinks so as not to cover the card when both show.
zando::Placement ZANDO::HeatmapOverlayPlacement(Vector2 canvasSize) const {
    const zando::Placement wanted = zando::PlaceOnCanvas(canvasSize, Vector2{settings.heatmapPosX, settings.heatmapPosY},
                                                         HeatmapOverlayWidth, HeatmapOverlayHeight, settings.heatmapScale);
    if (!PostGameCardShown()) return wanted;
    const zando::PixelArea card = zando::AreaOf(PostGameCardPlacement(canvasSize), PostGameCardWidth, PostGameCardHeight());
    return zando::PlaceClearOf(canvasSize, wanted, HeatmapOverlayWidth, HeatmapOverlayHeight, card);
}

void ZANDO::RenderHeatmapOverlay(CanvasWrapper canvas) {
    using zando::Rgba;
    if (!gameWrapper) return;
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    if (state.IsNull()) return;
    if (tracker.match.shotHeatmap.size() != GridRows || allTimeShotHeatmap.size() != GridRows) return;

    const Grid<float>& shotGrid = settings.showAllTimeHeatmap ? allTimeShotHeatmap : tracker.match.shotHeatmap;
    const Grid<int32_t>& goalGrid = settings.showAllTimeHeatmap ? allTimeGoalHeatmap : tracker.match.goalHeatmap;
    const zando::Placement place = HeatmapOverlayPlacement(canvas.GetSize());
    const float S = place.scale, O = settings.windowOpacity;
    const auto s = [S](float value) { return Trunc(value * S); };
    const auto alpha = [O](float factor) { return Trunc(O * factor); };
    const auto Text = [&canvas, S](int x, int y, const std::string& text) { zando::DrawText(canvas, x, y, text, S); };
    const int A = alpha(255.0f);
    const int X0 = place.x, Y0 = place.y;
    const int W = s(250), H = s(310);
    const int tabW = s(100), tabH = s(25), gap = s(2);

    // Tabs and their labels.
    const int tab2X = X0 + tabW + gap;
    const int activeX = settings.showAllTimeHeatmap ? tab2X : X0;
    const int inactiveX = settings.showAllTimeHeatmap ? X0 : tab2X;
    zando::SetColor(canvas, {45, 85, 135, alpha(240)});
    Fill(canvas, activeX, Y0, activeX + tabW, Y0 + tabH);
    zando::SetColor(canvas, {80, 150, 255, alpha(120)});
    Fill(canvas, activeX, Y0 + tabH - 2, activeX + tabW, Y0 + tabH);
    zando::SetColor(canvas, {20, 25, 32, alpha(180)});
    Fill(canvas, inactiveX, Y0, inactiveX + tabW, Y0 + tabH);
    const Rgba activeLabel{255, 255, 255, A}, inactiveLabel{150, 160, 170, Trunc(static_cast<float>(A) * 0.7f)};
    zando::SetColor(canvas, settings.showAllTimeHeatmap ? inactiveLabel : activeLabel);
    Text(X0 + s(8), Y0 + s(5), "THIS MATCH");
    zando::SetColor(canvas, settings.showAllTimeHeatmap ? activeLabel : inactiveLabel);
    Text(tab2X + s(12), Y0 + s(5), "ALL-TIME");

    // The zones are worked out again only when the grid or the mode changed, their colours when that or
    // the opacity changed.
    // Grids of other sizes (never made by this plug-in) are drawn from scratch up to the check that stops them.
    const bool shotWidthOk = shotGrid.Cols() == GridCols;
    const bool goalGridOk = goalGrid.size() == GridRows && goalGrid.Cols() == GridCols;
    const auto* totals = shotWidthOk && goalGridOk
                             ? &heatmapShading->overlay.Get(shotGrid, goalGrid, {settings.showAccuracyOverlay, true, O},
                                                            [&](float value) {
                                                                return settings.showAccuracyOverlay
                                                                           ? zando::AccuracyShade(value)
                                                                           : zando::FrequencyShade(value);
                                                            })
                             : nullptr;
    int totalShots = 0;
    bool anyShot = false;
    if (totals) {
        totalShots = totals->totalShots;
        anyShot = totals->anyShot;
    } else {
        for (const float value : shotGrid.Cells()) {
            totalShots = zando::SaturatingAdd(totalShots, ShotsIn(value));
            anyShot = anyShot || value > 0.0f;
        }
    }

    // Mode line with the shot total. The field view is of this match (the all-time grids keep no places).
    const bool fieldView = settings.heatmapFieldView && !settings.showAllTimeHeatmap;
    const int Y1 = Y0 + tabH + s(8);
    zando::SetColor(canvas, {120, 200, 255, A});
    Text(X0 + s(8), Y1 + s(5),
         fieldView
             ? "▣ Field | " + std::to_string(tracker.match.shots) + " shots, " + std::to_string(tracker.match.goals) + " goals"
             : std::string(settings.showAccuracyOverlay ? "⊙ " : "▣ ") + (settings.showAllTimeHeatmap ? "All-Time | " : "") +
                   (settings.showAccuracyOverlay ? "Accuracy | " : "Heatmap | ") + std::to_string(totalShots) + " shots");

    // Grid box.
    const int Y2 = Y1 + s(32);
    zando::SetColor(canvas, {10, 12, 15, alpha(200)});
    Fill(canvas, X0, Y2, X0 + W, Y2 + H);
    zando::SetColor(canvas, {40, 70, 110, alpha(160)});
    Fill(canvas, X0, Y2, X0 + W, Y2 + 1);
    Fill(canvas, X0, Y2, X0 + 1, Y2 + H);
    Fill(canvas, X0 + W - 1, Y2, X0 + W, Y2 + H);
    Fill(canvas, X0, Y2 + H - 1, X0 + W, Y2 + H);

    if (fieldView) {
        zando::DrawFieldView(canvas, X0, Y2, W, H, tracker.match.places,
                             tracker.match.team == 0 || tracker.match.team == 1 ? tracker.match.team : flags.playerTeam, S, O);
        if (tracker.match.places.empty()) {
            zando::SetColor(canvas, {100, 100, 120, alpha(180)});
            Text(X0 + s(70), Y2 + s(145), "No shots yet");
        }
        return;
    }
    if (!shotWidthOk) {
        cvarManager->log("[ZANDO ERROR] Invalid heatmap width");
        return;
    }
    if (!anyShot) {
        zando::SetColor(canvas, {100, 100, 120, alpha(180)});
        Text(X0 + s(70), Y2 + s(145), settings.showAllTimeHeatmap ? "No all-time data yet" : "No shots yet");
    } else {
        if (!goalGridOk) {
            cvarManager->log(goalGrid.size() != GridRows ? "[ZANDO ERROR] Invalid goal heatmap height"
                                                         : "[ZANDO ERROR] Invalid goal heatmap width");
            return;
        }
        // One colour at a time, each run of it one rectangle. Accuracy zones are few and scattered:
        // they go over the field, so that no goal box dims them, each a dot of three zones around its
        // own zone (at least 9 pixels), its own zone at full colour.
        const auto& runs = heatmapShading->overlay.PlacedRuns(
            {X0, Y2, W, H}, [O](zando::CanvasColour shade) { return zando::AtOpacity(shade, O); });
        if (settings.showAccuracyOverlay) zando::DrawFieldOutline(canvas, X0, Y2, W, H, O);
        const int dot = std::max(s(15), 9);
        for (int pass = settings.showAccuracyOverlay ? 0 : 1; pass < 2; ++pass) {
            for (const auto& colour : runs.colours) {
                zando::SetCanvasColour(canvas, pass == 1 ? colour.colour : zando::AtOpacity(colour.colour, 0.6f));
                for (std::size_t i = colour.first; i < colour.first + colour.count; ++i) {
                    const auto& rect = runs.rects[i];
                    const int grow = std::max(0, (dot - (rect.y2 - rect.y1)) / 2);
                    if (pass == 1)
                        canvas.DrawRect(Vector2{rect.x1, rect.y1}, Vector2{rect.x2, rect.y2});
                    else
                        canvas.DrawRect(Vector2{std::max(X0, rect.x1 - grow), std::max(Y2, rect.y1 - grow)},
                                        Vector2{std::min(X0 + W, rect.x2 + grow), std::min(Y2 + H, rect.y2 + grow)});
                }
            }
        }
    }

    if (!settings.showAccuracyOverlay || !anyShot) zando::DrawFieldOutline(canvas, X0, Y2, W, H, O);

    // Legend, a strip under the grid box so that it covers no zone: its title, then the colour bar
    // between its two ends, in smaller text.
    const auto legendText = [&canvas, S](int x, int y, const std::string& text) {
        zando::DrawText(canvas, x, y, text, 0.8f * S);
    };
    const int T = Y2 + H + s(HeatmapLegendGap);
    zando::SetColor(canvas, {0, 0, 0, alpha(120)});
    Fill(canvas, X0, T, X0 + W, T + s(HeatmapLegendHeight));
    zando::SetColor(canvas, {180, 180, 200, A});
    legendText(X0 + s(6), T + s(4), settings.showAccuracyOverlay ? "ACCURACY" : "HEAT");
    zando::SetColor(canvas, {150, 150, 170, A});
    legendText(X0 + s(72), T + s(4), settings.showAccuracyOverlay ? "0%" : "Low");
    legendText(X0 + s(196), T + s(4), settings.showAccuracyOverlay ? "100%" : "High");
    const int barLeft = X0 + s(100), bar = s(90), barTop = T + s(6), barBottom = T + s(14);
    for (int i = 0; i < bar; ++i) {
        const float t = bar > 1 ? static_cast<float>(i) / static_cast<float>(bar - 1) : 1.0f;
        zando::SetColor(canvas,
                        settings.showAccuracyOverlay ? zando::AccuracyLegendColour(t, A) : zando::FrequencyLegendColour(t, A));
        canvas.DrawLine(Vector2{barLeft + i, barTop}, Vector2{barLeft + i, barBottom});
    }

    // The zones picked in the zone inspector (a zone, or a block of them), with their stats box.
    if (panel.selection.selectedZoneCol < 0 || panel.selection.selectedZoneCol >= GridCols ||
        panel.selection.selectedZoneRow < 0 || panel.selection.selectedZoneRow >= GridRows)
        return;
    const int pickedRows = std::clamp(panel.selection.selectedZoneRows, 1, GridRows - panel.selection.selectedZoneRow);
    const int pickedCols = std::clamp(panel.selection.selectedZoneCols, 1, GridCols - panel.selection.selectedZoneCol);
    const int zx = zando::ZoneEdge(X0, W, panel.selection.selectedZoneCol, GridCols),
              zy = zando::ZoneEdge(Y2, H, panel.selection.selectedZoneRow, GridRows);
    const int zx2 = zando::ZoneEdge(X0, W, panel.selection.selectedZoneCol + pickedCols, GridCols);
    const int zy2 = zando::ZoneEdge(Y2, H, panel.selection.selectedZoneRow + pickedRows, GridRows);
    zando::SetColor(canvas, {255, 255, 100, alpha(255)});
    canvas.DrawLine(Vector2{zx, zy}, Vector2{zx2, zy}, 2.0f);
    canvas.DrawLine(Vector2{zx2, zy}, Vector2{zx2, zy2}, 2.0f);
    canvas.DrawLine(Vector2{zx2, zy2}, Vector2{zx, zy2}, 2.0f);
    canvas.DrawLine(Vector2{zx, zy2}, Vector2{zx, zy}, 2.0f);
    const zando::ZoneFigures picked = zando::FiguresOf(shotGrid, goalGrid, panel.selection.selectedZoneRow,
                                                       panel.selection.selectedZoneCol, pickedRows, pickedCols, true);
    const int zoneShots = picked.shots, zoneGoals = picked.goals;
    if (zoneShots < 1) return;
    const float accuracy = picked.AccuracyPercent();
    const int tw = s(120), th = s(60);
    int tx = zx2 + s(5);
    if (tx + tw > X0 + W) tx = zx - s(5) - tw;
    zando::SetColor(canvas, {15, 15, 20, alpha(240)});
    Fill(canvas, tx, zy, tx + tw, zy + th);
    zando::SetColor(canvas, {100, 200, 255, alpha(200)});
    canvas.DrawLine(Vector2{tx, zy}, Vector2{tx + tw, zy}, 1.0f);
    canvas.DrawLine(Vector2{tx + tw, zy}, Vector2{tx + tw, zy + th}, 1.0f);
    canvas.DrawLine(Vector2{tx + tw, zy + th}, Vector2{tx, zy + th}, 1.0f);
    canvas.DrawLine(Vector2{tx, zy + th}, Vector2{tx, zy}, 1.0f);
    const int textX = tx + s(5);
    zando::SetColor(canvas, {255, 255, 255, A});
    Text(textX, zy + s(5), "Zone Stats:");
    Text(textX, zy + s(18), "Shots: " + std::to_string(zoneShots));
    Text(textX, zy + s(31), "Goals: " + std::to_string(zoneGoals));
    zando::SetColor(canvas, {100, 255, 100, A});
    Text(textX, zy + s(44), "Accuracy: " + std::to_string(Trunc(accuracy)) + "%");
}
