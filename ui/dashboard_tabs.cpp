// The Dashboard tab (this match beside the all-time figures, and clearing the all-time data) and the
// Heatmap tab (what the heatmap overlay shows, its scale, position and visibility).
#include <algorithm>

#include "heatmap/heatmap_drawing.h"
#include "plugin/figure_text.h"
#include "plugin/zando.h"
#include "ui/panel_widgets.h"

namespace ui = zando::ui;
namespace figures = zando::figures;

void ZANDO::ComputeDashboardFigures() {
    zando::DashboardFigures& f = panel.dashboardFigures;
    f.averageSpeed = AverageSpeed();
    f.possessionPercent = PossessionPercent();
    f.allTimeShotTotal = 0;
    f.allTimeGoalTotal = 0;
    f.hotZones = 0;
    for (const auto& row : allTimeShotHeatmap)
        for (float cell : row) {
            f.allTimeShotTotal = zando::SaturatingAdd(f.allTimeShotTotal, zando::ShotsIn(cell));
            f.hotZones += cell > 20.0f;
        }
    for (const auto& row : allTimeGoalHeatmap)
        for (int32_t cell : row) f.allTimeGoalTotal = zando::SaturatingAdd(f.allTimeGoalTotal, std::max(cell, 0));
    f.lifetimeAccuracy =
        f.allTimeShotTotal > 0 ? static_cast<float>(f.allTimeGoalTotal) * 100.0f / static_cast<float>(f.allTimeShotTotal) : 0.0f;
}

void ZANDO::RenderDashboardTab() {
    const zando::DashboardFigures& f = panel.dashboardFigures;
    ImGui::Spacing();
    // Side by side where each box has room for its longest label and value; one above the other in a
    // narrow panel (a 1280 x 720 screen), so that no label or value is cut.
    const ImGuiStyle& style = ImGui::GetStyle();
    const float boxWidth = ImGui::CalcTextSize("Lifetime Accuracy").x + ImGui::CalcTextSize("000 kph  /  000 mph").x +
                           4.0f * style.ItemSpacing.x + 2.0f * style.WindowPadding.x;
    const bool sideBySide = ImGui::GetContentRegionAvail().x >= 2.0f * boxWidth + style.ItemSpacing.x;
    const ImVec2 leftSize = sideBySide
                                ? ImVec2{ImGui::GetContentRegionAvail().x * 0.5f - ui::Px(5.0f), 0.0f}
                                : ImVec2{0.0f, 10.0f * ImGui::GetTextLineHeightWithSpacing() + 2.0f * style.WindowPadding.y};
    ImGui::BeginChild("DashboardLeft", leftSize, true);
    ui::Heading(" CURRENT MATCH", {0.7f, 0.5f, 0.9f, 1.0f});
    ui::BeginStatRows("CurrentMatchCols", 200.0f);
    ui::StatLabel("Average Speed");
    ImGui::Text("%s", figures::SpeedText(f.averageSpeed).c_str());
    ImGui::NextColumn();
    ui::StatLabel("Boost Collected");
    ImGui::Text("%d", figures::Whole(tracker.match.boostCollected));
    ImGui::NextColumn();
    ui::StatLabel("Boost Used");
    ImGui::Text(
        "%d (%d%%)", figures::Whole(tracker.match.boostUsed),
        figures::Whole(tracker.match.boostCollected > 0.0f ? tracker.match.boostUsed / tracker.match.boostCollected * 100.0f
                                                           : 0.0f));
    ImGui::NextColumn();
    ui::StatLabel("Shots on Goal");
    ImGui::Text("%d", tracker.match.shots);
    ImGui::NextColumn();
    ui::StatLabel("Goals Scored");
    ImGui::Text("%d", tracker.match.goals);
    ImGui::NextColumn();
    const float accuracy = tracker.match.shots >= 1
                               ? static_cast<float>(tracker.match.goals) * 100.0f / static_cast<float>(tracker.match.shots)
                               : 0.0f;
    ui::StatLabel("Shot Accuracy");
    ImGui::TextColored(accuracy > 50.0f ? ui::Good : ui::Fair, "%.1f%%", accuracy);
    ImGui::NextColumn();
    ui::StatLabel("Possession Time");
    ImGui::Text("%s", figures::PossessionText(tracker.match.possessionTime, f.possessionPercent, " ").c_str());
    ImGui::NextColumn();
    ui::StatLabel("Match Duration");
    ImGui::Text("%s", figures::DurationText(tracker.match.gameTime, true).c_str());
    ImGui::NextColumn();
    ui::EndStatRows();
    ImGui::EndChild();

    if (sideBySide) ImGui::SameLine();
    ImGui::BeginChild("DashboardRight", {0.0f, 0.0f}, true);
    ui::Heading(" ALL-TIME STATS", {0.9f, 0.7f, 0.5f, 1.0f});
    ui::BeginStatRows("AllTimeCols", 200.0f);
    ui::StatLabel("Total Shots");
    ImGui::Text("%d", f.allTimeShotTotal);
    ImGui::NextColumn();
    ui::StatLabel("Total Goals");
    ImGui::Text("%d", f.allTimeGoalTotal);
    ImGui::NextColumn();
    ui::StatLabel("Lifetime Accuracy");
    ImGui::TextColored(f.lifetimeAccuracy > 50.0f ? ui::Good : ui::Fair, "%.1f%%", f.lifetimeAccuracy);
    ImGui::NextColumn();
    ui::StatLabel("Hot Zones");
    ImGui::Text("%d zones", f.hotZones);
    ImGui::NextColumn();
    ui::EndStatRows();
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();
    if (ui::ColouredButton(panel.showHistoryWindow ? "Hide Match History" : "Match History", {-1.0f, 35.0f},
                           {0.3f, 0.5f, 0.9f, 1.0f}, {0.4f, 0.6f, 1.0f, 1.0f}))
        panel.showHistoryWindow = !panel.showHistoryWindow;
    ui::Tooltip("Every finished match: this session, trends, the last matches and their shots on the grid");
    ImGui::Spacing();
    if (ui::ColouredButton("Clear All-Time Data", {-1.0f, 35.0f}, {0.9f, 0.3f, 0.3f, 1.0f}, {1.0f, 0.4f, 0.4f, 1.0f})) {
        OnGameThread([this] {
            ClearGrid(allTimeShotHeatmap);
            ClearGrid(allTimeGoalHeatmap);
            SaveAllTimeHeatmap();
        });
    }
    ui::Tooltip("WARNING: This cannot be undone!");
    ImGui::EndChild();
}

void ZANDO::RenderHeatmapTab() {
    ImGui::Spacing();
    ImGui::BeginChild("HeatmapControls", {0.0f, 0.0f}, true);
    ui::Heading(" HEATMAP DISPLAY", {0.7f, 0.5f, 0.9f, 1.0f});
    ImGui::TextWrapped("Control what your heatmap shows and how it looks:");
    ImGui::Spacing();

    ui::Label("View Mode", {0.4f, 0.8f, 1.0f, 1.0f});
    if (ImGui::RadioButton("This Match Only", !settings.showAllTimeHeatmap))
        ui::Write(*this, "zando_show_alltime_heatmap", false);
    ImGui::SameLine();
    if (ImGui::RadioButton("All-Time Data", settings.showAllTimeHeatmap)) ui::Write(*this, "zando_show_alltime_heatmap", true);
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();

    ui::Label("Display Mode", {0.4f, 1.0f, 0.7f, 1.0f});
    if (ImGui::RadioButton("Shot Frequency (Heat)", !settings.showAccuracyOverlay))
        ui::Write(*this, "zando_show_accuracy_overlay", false);
    ui::Tooltip("Blue (cold) to Red (hot) - shows shot count per zone");
    if (ImGui::RadioButton("Shot Accuracy (Goals)", settings.showAccuracyOverlay))
        ui::Write(*this, "zando_show_accuracy_overlay", true);
    ui::Tooltip("Red (0%) to Green (100%) - shows goal conversion rate");
    ui::SettingCheckbox(*this, "Field View (shots where they happened)", settings.heatmapFieldView, "zando_heatmap_field_view");
    ui::Tooltip(
        "The overlay draws this match's shots and goals at their true places on the field to scale,\n"
        "instead of the zone grid: a dot where you touched the ball, a line to where the game counted it");
    ImGui::Spacing();
    ImGui::Text("Console command: toggle_accuracy_view");
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();

    ui::Label("Scale & Position", {1.0f, 0.7f, 0.4f, 1.0f});
    ui::SettingSlider(*this, "Heatmap Scale", settings.heatmapScale, "zando_heatmap_scale", "%.2fx");
    ImGui::Spacing();
    ui::BeginStatRows("HeatmapPos", 100.0f);
    ui::StatLabel("X Position");
    ui::PositionSlider(*this, "##HeatmapX", settings.heatmapPosX, "zando_heatmap_pos_x", 2560, "%d");
    ImGui::NextColumn();
    ui::StatLabel("Y Position");
    ui::PositionSlider(*this, "##HeatmapY", settings.heatmapPosY, "zando_heatmap_pos_y", 1440, "%d");
    ImGui::NextColumn();
    ui::EndStatRows();
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();

    ui::Label("Visibility", {0.9f, 0.4f, 0.9f, 1.0f});
    ui::SettingCheckbox(*this, "Show During Replays", settings.showHeatmapInReplay, "zando_show_heatmap_replay");
    ui::SettingCheckbox(*this, "Sticky Mode (Always Visible)", settings.stickyMode, "zando_sticky_mode");
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();
    if (ImGui::Button("Reset to Default Position", {-1.0f, ui::Px(35.0f)})) {
        ui::ResetToDefaults(*this, {"zando_heatmap_pos_x", "zando_heatmap_pos_y", "zando_heatmap_scale"});
    }
    ImGui::EndChild();
}
