// The Display Settings tab (overlay switches, replay and view options, opacity, scales, positions)
// and the Post-Game Stats tab (which statistics the card shows, with a preview).
#include <array>

#include "plugin/zando.h"
#include "ui/panel_widgets.h"

namespace ui = zando::ui;

void ZANDO::RenderDisplayTab() {
    ImGui::BeginChild("DisplayContent", {0.0f, 0.0f}, false);
    ui::Heading("OVERLAY VISIBILITY", {0.5f, 0.7f, 0.85f, 1.0f});
    // A click says the new value: the member takes it when the game thread writes the variable.
    if (ui::SettingCheckbox(*this, "Show Heatmap Window", settings.showHeatmap, "zando_show_heatmap"))
        cvarManager->log(std::string("[ZANDO] Heatmap visibility set to: ") + (!settings.showHeatmap ? "ENABLED" : "DISABLED"));
    ui::Tooltip("Toggle the main heatmap overlay");
    if (ui::SettingCheckbox(*this, "Show Post-Game Stats Window", settings.showPostGame, "zando_show_postgame"))
        cvarManager->log(std::string("[ZANDO] Post-game stats visibility set to: ") +
                         (!settings.showPostGame ? "ENABLED" : "DISABLED"));
    ui::Tooltip("Show stats summary after match ends");
    ui::SettingCheckbox(*this, "Show All-Time Heatmap", settings.showAllTimeHeatmap, "zando_show_alltime_heatmap");
    ui::Tooltip("Toggle between current match and all-time data");

    ui::Spacings(2);
    ui::Heading("REPLAY VISIBILITY", {0.7f, 0.5f, 0.85f, 1.0f});
    ImGui::TextDisabled("Show overlays during goal replays:");
    ImGui::Spacing();
    ui::SettingCheckbox(*this, "Heatmap on Replay", settings.showHeatmapInReplay, "zando_show_heatmap_replay");
    ui::SettingCheckbox(*this, "Post-Game Stats on Replay", settings.showPostGameInReplay, "zando_show_postgame_replay");

    ui::Spacings(2);
    ui::Heading("VIEW MODES", {0.85f, 0.7f, 0.4f, 1.0f});
    ui::SettingCheckbox(*this, "Minimalistic View", settings.minimalisticMode, "zando_minimalistic");
    ui::Tooltip("Reduced visual elements for cleaner display");
    ui::SettingCheckbox(*this, "Sticky Mode (Always Visible)", settings.stickyMode, "zando_sticky_mode");
    ui::Tooltip("Keep overlays visible even when not in-game");

    ui::Spacings(2);
    ui::Heading("APPEARANCE & SCALING", {0.5f, 0.85f, 0.7f, 1.0f});
    ImGui::Text("Window Opacity");
    ui::SettingSlider(*this, "##opacity", settings.windowOpacity, "zando_window_opacity", "%.2f");
    ImGui::Spacing();
    ImGui::Text("Heatmap Scale");
    ui::SettingSlider(*this, "##heatmapscale", settings.heatmapScale, "zando_heatmap_scale", "%.2fx");
    ImGui::Text("Post-Game Scale");
    ui::SettingSlider(*this, "##postgamescale", settings.postGameScale, "zando_postgame_scale", "%.2fx");
    ImGui::TextDisabled("Detected Resolution: %dx%d", screenWidth, screenHeight);

    ui::Spacings(2);
    ui::Heading("WINDOW POSITIONING", {0.85f, 0.5f, 0.7f, 1.0f});
    ImGui::TextDisabled("Position at 1920x1080 (scales automatically)");
    ImGui::Spacing();
    ImGui::Columns(2, "PositionCols", true);
    ImGui::Text("Heatmap Position:");
    ui::PositionSlider(*this, "##HeatmapX", settings.heatmapPosX, "zando_heatmap_pos_x", 1920, "X: %d");
    ui::PositionSlider(*this, "##HeatmapY", settings.heatmapPosY, "zando_heatmap_pos_y", 1080, "Y: %d");
    ImGui::NextColumn();
    ImGui::Text("Post-Game Position:");
    ui::PositionSlider(*this, "##PostGameX", settings.postGamePosX, "zando_postgame_pos_x", 1920, "X: %d");
    ui::PositionSlider(*this, "##PostGameY", settings.postGamePosY, "zando_postgame_pos_y", 1080, "Y: %d");
    ImGui::Columns(1);

    ui::Spacings(2);
    if (ImGui::Button("Reset All to Defaults", ui::Px({250.0f, 40.0f}))) {
        ui::ResetToDefaults(*this, {"zando_heatmap_pos_x", "zando_heatmap_pos_y", "zando_postgame_pos_x", "zando_postgame_pos_y",
                                    "zando_heatmap_scale", "zando_postgame_scale", "zando_window_opacity"});
    }
    ImGui::EndChild();
}

void ZANDO::RenderPostGameTab() {
    struct Switch {
        const char* label;
        const bool* member;
        zando::SettingName variable;
        const char* tooltip;
        const char* preview;
    };
    const std::array<Switch, 5> switches = {{
        {"  Average Speed", &settings.showSpeed, "zando_show_speed", "Show average speed in kph/mph", "Average Speed"},
        {"  Boost Statistics", &settings.showBoost, "zando_show_boost", "Show boost collected and used", "Boost Statistics"},
        {"  Shot Count", &settings.showShots, "zando_show_shots", "Show total shots taken", "Shot Count"},
        {"  Possession Time", &settings.showPossession, "zando_show_possession", "Show ball possession time and percentage",
         "Possession Time"},
        {"  Match Duration", &settings.showGameTime, "zando_show_gametime", "Show total match time", "Match Duration"},
    }};
    ImGui::BeginChild("PostGameContent", {0.0f, 0.0f}, false);
    ui::Heading("POST-GAME STATS VISIBILITY", {0.7f, 0.5f, 0.85f, 1.0f});
    ui::DisabledWrapped("Choose which stats appear in the post-game overlay window");
    ui::Spacings(2);
    ImGui::BeginChild("StatToggles", {0.0f, ui::Px(200.0f)}, true);
    for (const Switch& s : switches) {
        ui::SettingCheckbox(*this, s.label, *s.member, s.variable);
        ui::Tooltip(s.tooltip);
    }
    ImGui::EndChild();
    ImGui::Spacing();
    if (ui::ColouredButton(" Enable All Stats ", {180.0f, 35.0f}, {0.2f, 0.6f, 0.2f, 1.0f}, {0.3f, 0.7f, 0.3f, 1.0f})) {
        for (const Switch& s : switches) ui::Write(*this, s.variable, true);
    }
    ImGui::SameLine();
    if (ui::ColouredButton(" Disable All Stats ", {180.0f, 35.0f}, {0.6f, 0.2f, 0.2f, 1.0f}, {0.7f, 0.3f, 0.3f, 1.0f})) {
        for (const Switch& s : switches) ui::Write(*this, s.variable, false);
    }
    ImGui::Spacing();
    ui::SettingCheckbox(*this, "  Compare with my last 10 matches", settings.compareWithHistory, "zando_postgame_history");
    ui::Tooltip("Beside each figure, your average over the last 10 matches of the same playlist (from the match history)");
    ui::Spacings(2);
    ImGui::Separator();
    ImGui::Spacing();
    ui::Label("CURRENT CONFIGURATION PREVIEW", {0.6f, 0.8f, 1.0f, 1.0f});
    ImGui::Spacing();
    int shown = 0;
    for (const Switch& s : switches) shown += *s.member ? 1 : 0;
    ImGui::Text("Enabled Stats: %d / 5", shown);
    ImGui::Spacing();
    if (shown > 0) {
        ImGui::TextDisabled("The following will appear in post-game:");
        for (const Switch& s : switches)
            if (*s.member) ImGui::BulletText("%s", s.preview);
    } else {
        ui::Label("Warning: No stats will be displayed!", {1.0f, 0.6f, 0.2f, 1.0f});
    }
    ImGui::EndChild();
}
