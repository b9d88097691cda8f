// The Interactive Zones tab: a clickable 15 x 12 miniature of the zone grid, each cell a block of 4 x 4
// zones (the last row and column of blocks take the grid's remaining zones), and the chosen block's
// shots, goals and accuracy.
#include <algorithm>
#include <cstdio>

#include "heatmap/heatmap_drawing.h"
#include "plugin/zando.h"
#include "ui/panel_widgets.h"

namespace ui = zando::ui;

namespace {

constexpr int MiniRows = 15, MiniCols = 12;
float MiniCell() { return zando::ui::Px(20.0f); }  // pixels
constexpr int ZoneStep = 4;                        // zones per mini cell, each way

int Trunc(float value) { return static_cast<int>(value); }

// The zones of mini cell (i, j): its first row and column and how many of each.
struct Block {
    int row, column, rows, columns;
};
Block BlockOf(int i, int j) {
    const int row = ZoneStep * i, column = ZoneStep * j;
    return {row, column, i == MiniRows - 1 ? GridRows - row : ZoneStep, j == MiniCols - 1 ? GridCols - column : ZoneStep};
}

}  // namespace

ImU32 ZANDO::MiniCellColour(int i, int j) const {
    const Block block = BlockOf(i, j);
    if (block.column == panel.selection.selectedZoneCol && block.row == panel.selection.selectedZoneRow)
        return IM_COL32(255, 255, 100, 255);
    const Grid<float>& shotGrid = settings.showAllTimeHeatmap ? allTimeShotHeatmap : tracker.match.shotHeatmap;
    const Grid<int32_t>& goalGrid = settings.showAllTimeHeatmap ? allTimeGoalHeatmap : tracker.match.goalHeatmap;
    const zando::ZoneFigures figures =
        zando::FiguresOf(shotGrid, goalGrid, block.row, block.column, block.rows, block.columns, true);
    if (!settings.showAccuracyOverlay) {
        if (figures.heat <= 0.0f) return IM_COL32(30, 30, 35, 255);
        const float t = std::min(1.0f, figures.heat / 25.0f);
        return IM_COL32(Trunc(255.0f * t), Trunc(150.0f * (1.0f - t)), Trunc(200.0f * (1.0f - t)), 255);
    }
    if (figures.shots < 1) return IM_COL32(30, 30, 35, 255);
    const float r = std::min(1.0f, static_cast<float>(figures.goals) / static_cast<float>(figures.shots));
    if (r < 0.5f) return IM_COL32(255, Trunc(2.0f * r * 255.0f), 0, 220);
    return IM_COL32(Trunc((1.0f - 2.0f * (r - 0.5f)) * 255.0f), 255, 0, 220);
}

void ZANDO::RenderZoneInspectorTab() {
    ImGui::Spacing();
    ui::Heading(" ZONE INSPECTOR", {0.7f, 0.5f, 0.9f, 1.0f});
    ImGui::TextWrapped("Click on the mini-grid below to inspect detailed stats for specific field zones:");
    ImGui::Spacing();

    const ImVec2 origin = ImGui::GetCursorScreenPos();
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImGuiIO& io = ImGui::GetIO();
    // Only a click on the panel selects: a click on another window above the grid is that window's.
    const bool panelHovered = ImGui::IsWindowHovered(ImGuiHoveredFlags_RootAndChildWindows);
    const bool clicked = io.MouseDown[0] && io.MouseDownDuration[0] == 0.0f && panelHovered;
    for (int i = 0; i < MiniRows; ++i) {
        for (int j = 0; j < MiniCols; ++j) {
            const ImVec2 from{origin.x + MiniCell() * static_cast<float>(j), origin.y + MiniCell() * static_cast<float>(i)};
            const ImVec2 to{from.x + MiniCell(), from.y + MiniCell()};
            list->AddRectFilled(from, to, MiniCellColour(i, j));
            list->AddRect(from, to, IM_COL32(60, 60, 70, 255), 0.0f, 0, 1.0f);
            const ImVec2 mouse = io.MousePos;
            if (clicked && mouse.x >= from.x && mouse.x <= to.x && mouse.y >= from.y && mouse.y <= to.y) {
                const Block block = BlockOf(i, j);
                panel.selection.selectedZoneCol = block.column;
                panel.selection.selectedZoneRow = block.row;
                panel.selection.selectedZoneCols = block.columns;
                panel.selection.selectedZoneRows = block.rows;
                panel.selection.zoneSelected = true;
            }
        }
    }
    ImGui::Dummy({MiniCell() * MiniCols, MiniCell() * MiniRows});
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();

    if (panel.selection.zoneSelected && panel.selection.selectedZoneCol >= 0 && panel.selection.selectedZoneRow >= 0) {
        const Grid<float>& shotGrid = settings.showAllTimeHeatmap ? allTimeShotHeatmap : tracker.match.shotHeatmap;
        const Grid<int32_t>& goalGrid = settings.showAllTimeHeatmap ? allTimeGoalHeatmap : tracker.match.goalHeatmap;
        const zando::ZoneFigures figures =
            zando::FiguresOf(shotGrid, goalGrid, panel.selection.selectedZoneRow, panel.selection.selectedZoneCol,
                             panel.selection.selectedZoneRows, panel.selection.selectedZoneCols, true);
        const int zoneShots = figures.shots, zoneGoals = figures.goals;
        const float accuracy = figures.AccuracyPercent();
        ImGui::BeginChild("ZoneStats", {0.0f, ui::Px(120.0f)}, true);
        char heading[64];
        if (panel.selection.selectedZoneRows <= 1 && panel.selection.selectedZoneCols <= 1)
            std::snprintf(heading, sizeof heading, " ZONE (%d, %d)", panel.selection.selectedZoneCol,
                          panel.selection.selectedZoneRow);
        else
            std::snprintf(heading, sizeof heading, " ZONES (%d-%d, %d-%d)", panel.selection.selectedZoneCol,
                          panel.selection.selectedZoneCol + panel.selection.selectedZoneCols - 1, panel.selection.selectedZoneRow,
                          panel.selection.selectedZoneRow + panel.selection.selectedZoneRows - 1);
        ui::Heading(heading, {1.0f, 1.0f, 0.4f, 1.0f});
        ui::BeginStatRows("ZoneStatsCols", 150.0f);
        ui::StatLabel("Shots from Zone");
        ImGui::Text("%d", zoneShots);
        ImGui::NextColumn();
        ui::StatLabel("Goals from Zone");
        ImGui::Text("%d", zoneGoals);
        ImGui::NextColumn();
        ui::StatLabel("Accuracy");
        ImGui::TextColored(accuracy > 50.0f ? ui::Good : ui::Fair, "%.1f%%", accuracy);
        ImGui::NextColumn();
        ui::EndStatRows();
        ImGui::EndChild();
        ImGui::Spacing();
        if (ImGui::Button("Clear Selection", ui::Px({150.0f, 30.0f}))) {
            panel.selection.selectedZoneCol = -1;
            panel.selection.selectedZoneRow = -1;
            panel.selection.selectedZoneRows = panel.selection.selectedZoneCols = 1;
            panel.selection.zoneSelected = false;
        }
    } else {
        ImGui::TextDisabled("Click on a zone to see detailed statistics");
    }
}
