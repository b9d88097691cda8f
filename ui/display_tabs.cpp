// The Display Settings tab (overlay switches, replay and view options, opacity, scales, positions)
// and the Post-Game Stats tab (which statistics the card shows, with a preview).
#include <array>

#include "plugin/zando.h"
#include "ui/panel_widgets.h"

namespace ui = zando::ui;

void ZANDO::RenderDisplayTab() {
    ImGui::BeginChild("DisplayContent", {0.0f, 0.0f}, false);
    ui::Heading("OVERLAY VISIBILITY", {0.5f, 0.7f, 0.85f, 1.0f});
    if (ImGui::Checkbox("Show Heatmap Window", &showHeatmap)) {
        ui::Write(*this, "zando_show_heatmap", showHeatmap);
        cvarManager->log(std::string("[ZANDO] Heatmap visibility set to: ") + (showHeatmap ? "ENABLED" : "DISABLED"));
    }
    ui::Tooltip("Toggle the main heatmap overlay");
    if (ImGui::Checkbox("Show Post-Game Stats Window", &showPostGame)) {
        ui::Write(*this, "zando_show_postgame", showPostGame);
        cvarManager->log(std::string("[ZANDO] Post-game stats visibility set to: ") + (showPostGame ? "ENABLED" : "DISABLED"));
    }
    ui::Tooltip("Show stats summary after match ends");
    if (ImGui::Checkbox("Show All-Time Heatmap", &showAllTimeHeatmap))
        ui::Write(*this, "zando_show_alltime_heatmap", showAllTimeHeatmap);
    ui::Tooltip("Toggle between current match and all-time data");

    ui::Spacings(2);
    ui::Heading("REPLAY VISIBILITY", {0.7f, 0.5f, 0.85f, 1.0f});
    ImGui::TextDisabled("Show overlays during goal replays:");
    ImGui::Spacing();
    if (ImGui::Checkbox("Heatmap on Replay", &showHeatmapInReplay))
        ui::Write(*this, "zando_show_heatmap_replay", showHeatmapInReplay);
    if (ImGui::Checkbox("Post-Game Stats on Replay", &showPostGameInReplay))
        ui::Write(*this, "zando_show_postgame_replay", showPostGameInReplay);

    ui::Spacings(2);
    ui::Heading("VIEW MODES", {0.85f, 0.7f, 0.4f, 1.0f});
    if (ImGui::Checkbox("Minimalistic View", &minimalisticMode)) ui::Write(*this, "zando_minimalistic", minimalisticMode);
    ui::Tooltip("Reduced visual elements for cleaner display");
    if (ImGui::Checkbox("Sticky Mode (Always Visible)", &stickyMode)) ui::Write(*this, "zando_sticky_mode", stickyMode);
    ui::Tooltip("Keep overlays visible even when not in-game");

    ui::Spacings(2);
    ui::Heading("APPEARANCE & SCALING", {0.5f, 0.85f, 0.7f, 1.0f});
    ImGui::Text("Window Opacity");
    ui::SettingSlider(*this, "##opacity", windowOpacity, "zando_window_opacity", "%.2f");
    ImGui::Spacing();
    ImGui::Text("Heatmap Scale");
    ui::SettingSlider(*this, "##heatmapscale", heatmapScale, "zando_heatmap_scale", "%.2fx");
    ImGui::Text("Post-Game Scale");
    ui::SettingSlider(*this, "##postgamescale", postGameScale, "zando_postgame_scale", "%.2fx");
    ImGui::TextDisabled("Detected Resolution: %dx%d", screenWidth, screenHeight);

    ui::Spacings(2);
    ui::Heading("WINDOW POSITIONING", {0.85f, 0.5f, 0.7f, 1.0f});
    ImGui::TextDisabled("Position at 1920x1080 (scales automatically)");
    ImGui::Spacing();
    ImGui::Columns(2, "PositionCols", true);
    ImGui::Text("Heatmap Position:");
    ImGui::SliderInt("##HeatmapX", &heatmapPosX, 0, 1920, "X: %d");
    if (ui::EditEnded()) ui::Write(*this, "zando_heatmap_pos_x", heatmapPosX);
    ImGui::SliderInt("##HeatmapY", &heatmapPosY, 0, 1080, "Y: %d");
    if (ui::EditEnded()) ui::Write(*this, "zando_heatmap_pos_y", heatmapPosY);
    ImGui::NextColumn();
    ImGui::Text("Post-Game Position:");
    ImGui::SliderInt("##PostGameX", &postGamePosX, 0, 1920, "X: %d");
    if (ui::EditEnded()) ui::Write(*this, "zando_postgame_pos_x", postGamePosX);
    ImGui::SliderInt("##PostGameY", &postGamePosY, 0, 1080, "Y: %d");
    if (ui::EditEnded()) ui::Write(*this, "zando_postgame_pos_y", postGamePosY);
    ImGui::Columns(1);

    ui::Spacings(2);
    if (ImGui::Button("Reset All to Defaults", {250.0f, 40.0f})) {
        ui::ResetToDefaults(*this, {"zando_heatmap_pos_x", "zando_heatmap_pos_y", "zando_postgame_pos_x", "zando_postgame_pos_y",
                                    "zando_heatmap_scale", "zando_postgame_scale", "zando_window_opacity"});
    }
    ImGui::EndChild();
}

void ZANDO::RenderPostGameTab() {
    struct Switch {
        const char* label;
        bool* member;
        zando::SettingName variable;
        const char* tooltip;
        const char* preview;
    };
    const std::array<Switch, 5> switches = {{
        {"  Average Speed", &showSpeed, "zando_show_speed", "Show average speed in kph/mph", "Average Speed"},
        {"  Boost Statistics", &showBoost, "zando_show_boost", "Show boost collected and used", "Boost Statistics"},
        {"  Shot Count", &showShots, "zando_show_shots", "Show total shots taken", "Shot Count"},
        {"  Possession Time", &showPossession, "zando_show_possession", "Show ball possession time and percentage",
         "Possession Time"},
        {"  Match Duration", &showGameTime, "zando_show_gametime", "Show total match time", "Match Duration"},
    }};
    ImGui::BeginChild("PostGameContent", {0.0f, 0.0f}, false);
    ui::Heading("POST-GAME STATS VISIBILITY", {0.7f, 0.5f, 0.85f, 1.0f});
    ImGui::TextDisabled("Choose which stats appear in the post-game overlay window");
    ui::Spacings(2);
    ImGui::BeginChild("StatToggles", {0.0f, 200.0f}, true);
    for (const Switch& s : switches) {
        if (ImGui::Checkbox(s.label, s.member)) ui::Write(*this, s.variable, *s.member);
        ui::Tooltip(s.tooltip);
    }
    ImGui::EndChild();
    ImGui::Spacing();
    if (ui::ColouredButton(" Enable All Stats ", {180.0f, 35.0f}, {0.2f, 0.6f, 0.2f, 1.0f}, {0.3f, 0.7f, 0.3f, 1.0f})) {
        for (const Switch& s : switches) *s.member = true;
        for (const Switch& s : switches) ui::Write(*this, s.variable, true);
    }
    ImGui::SameLine();
    if (ui::ColouredButton(" Disable All Stats ", {180.0f, 35.0f}, {0.6f, 0.2f, 0.2f, 1.0f}, {0.7f, 0.3f, 0.3f, 1.0f})) {
        for (const Switch& s : switches) *s.member = false;
        for (const Switch& s : switches) ui::Write(*this, s.variable, false);
    }
    ImGui::Spacing();
    if (ImGui::Checkbox("  Compare with my last 10 matches", &compareWithHistory))
        ui::Write(*this, "zando_postgame_history", compareWithHistory);
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
