// The plug-in's page in the host's settings window: title, a button to the control panel, the
// match's key numbers, the common visual settings and display switches, and three quick actions.
#include "plugin/figure_text.h"
#include "plugin/zando.h"
#include "ui/panel_widgets.h"

namespace ui = zando::ui;

void ZANDO::RenderSettings() {
    zando::StateLock lock(stateLock);
    // 1-2. Title and version.
    const ImVec4 letters[] = {{0.4f, 0.7f, 1.0f, 1.0f},
                              {0.5f, 0.75f, 1.0f, 1.0f},
                              {0.6f, 0.8f, 1.0f, 1.0f},
                              {0.7f, 0.85f, 1.0f, 1.0f},
                              {0.85f, 0.9f, 1.0f, 1.0f}};
    const char* word = "ZANDO";
    for (int i = 0; i < 5; ++i) {
        if (i > 0) ImGui::SameLine(0.0f, 0.0f);
        ImGui::TextColored(letters[i], "%c", word[i]);
    }
    ImGui::SameLine();
    ImGui::TextColored({0.6f, 0.8f, 1.0f, 0.8f}, " | Match Statistics & Shot Heatmaps for Rocket League");
    ImGui::TextDisabled("v1.0.3 | Real-time Performance Analytics");
    ImGui::Separator();
    ImGui::Spacing();

    // 3-4. The control panel.
    ImGui::PushStyleColor(ImGuiCol_Button, {0.25f, 0.5f, 0.85f, 1.0f});
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, {0.35f, 0.6f, 0.95f, 1.0f});
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, {0.15f, 0.4f, 0.75f, 1.0f});
    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 5.0f);
    if (ImGui::Button("  Open Full Control Panel", {-1.0f, 50.0f})) {
        const std::string command = "togglemenu " + GetMenuName();
        OnGameThread([this, command] { cvarManager->executeCommand(command, true); });
    }
    ImGui::PopStyleVar();
    ImGui::PopStyleColor(3);
    ImGui::Spacing();
    ImGui::TextDisabled("Access complete stats, heatmap zones, and advanced settings");
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();

    // 5. The match.
    ImGui::TextColored({0.8f, 0.9f, 1.0f, 1.0f}, "Current Session");
    ImGui::Spacing();
    ImGui::BulletText("Shots: %d", tracker.match.shots);
    ImGui::BulletText("Goals: %d", tracker.match.goals);
    ImGui::BulletText("Avg Speed: %d kph", zando::figures::Kph(AverageSpeed()));
    ImGui::BulletText("Possession: %d%%", zando::figures::Whole(PossessionPercent()));
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();

    // 6. Visual settings, written on every change.
    if (ImGui::CollapsingHeader("Visual Settings", ImGuiTreeNodeFlags_DefaultOpen)) {
        ImGui::Indent();
        ui::SettingSlider(*this, "Window Opacity", settings.windowOpacity, "zando_window_opacity", "%.2f");
        ui::SettingSlider(*this, "Heatmap Scale", settings.heatmapScale, "zando_heatmap_scale", "%.2fx");
        ui::SettingSlider(*this, "Post-Game Scale", settings.postGameScale, "zando_postgame_scale", "%.2fx");
        ImGui::Unindent();
    }
    ImGui::Spacing();

    // 7. Display switches.
    if (ImGui::CollapsingHeader("Display Toggles", ImGuiTreeNodeFlags_DefaultOpen)) {
        ImGui::Indent();
        ui::SettingCheckbox(*this, "Show Heatmap", settings.showHeatmap, "zando_show_heatmap");
        ui::SettingCheckbox(*this, "Show Post-Game Stats", settings.showPostGame, "zando_show_postgame");
        ui::SettingCheckbox(*this, "Show All-Time Data", settings.showAllTimeHeatmap, "zando_show_alltime_heatmap");
        ImGui::Spacing();
        ImGui::TextDisabled("Replay Options:");
        ui::SettingCheckbox(*this, "Heatmap on Replay", settings.showHeatmapInReplay, "zando_show_heatmap_replay");
        ui::SettingCheckbox(*this, "Post-Game on Replay", settings.showPostGameInReplay, "zando_show_postgame_replay");
        ImGui::Spacing();
        ImGui::TextDisabled("View Modes:");
        ui::SettingCheckbox(*this, "Minimalistic Mode", settings.minimalisticMode, "zando_minimalistic");
        ui::SettingCheckbox(*this, "Sticky Mode (Always Visible)", settings.stickyMode, "zando_sticky_mode");
        ImGui::Spacing();
        ImGui::TextDisabled("Heatmap Display Mode:");
        ImGui::Text("Toggle between frequency (blue->red) and accuracy (red->green)");
        ui::SettingCheckbox(*this, "Show Accuracy Overlay", settings.showAccuracyOverlay, "zando_show_accuracy_overlay");
        ui::Tooltip("Toggle between shot frequency (heat) and shot accuracy (goal %) display\nConsole: toggle_accuracy_view");
        ImGui::Unindent();
    }
    ImGui::Spacing();

    // 8. Quick actions.
    if (ImGui::CollapsingHeader("Quick Actions")) {
        ImGui::Indent();
        if (ImGui::Button("Reset Current Stats", {200.0f, 30.0f})) {
            OnGameThread([this] {
                ResetStats();
                cvarManager->log("Stats reset successfully");
            });
        }
        ImGui::SameLine();
        if (ImGui::Button("Export to CSV", {150.0f, 30.0f})) {
            // Confirmed only when the file was written; a failed export has said why.
            OnGameThread([this] { ExportHeatmapCsv("Heatmap exported to CSV"); });
        }
        ImGui::Spacing();
        if (ImGui::Button("Toggle Heatmap View", {200.0f, 30.0f}))
            ui::Write(*this, "zando_show_alltime_heatmap", !settings.showAllTimeHeatmap);
        ImGui::TextDisabled(settings.showAllTimeHeatmap ? "(Currently: All-Time)" : "(Currently: This Match)");
        ImGui::Unindent();
    }

    // 9. Footer.
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();
    ImGui::TextDisabled("For advanced features, open the Control Panel above");
}
