// The Export & Data tab (the two exports, where they go, how much data there is), the Dashboard
// Integration tab (upload switch, API key, server address, connection test) and the About & Help tab.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "base/path_text.h"
#include "plugin/figure_text.h"
#include "plugin/zando.h"
#include "ui/panel_widgets.h"
#include "ui/symbol_fallback.h"
#include "upload/server_url.h"

namespace ui = zando::ui;

namespace {

// The dashboard's web site, named by the help texts.

void WrappedLine(const std::string& text) { ImGui::TextWrapped("%s", text.c_str()); }

// Copies text into a fixed buffer, cut to fit with its terminator.
template <std::size_t N>
void Fill(std::array<char, N>& buffer, const std::string& text) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(buffer.data(), text.data(), length);
    buffer[length] = '\0';
}

}  // namespace

void ZANDO::RenderExportTab() {
    ImGui::BeginChild("ExportContent", {0.0f, 0.0f}, false);
    ui::Heading("DATA EXPORT & MANAGEMENT", {0.8f, 0.6f, 0.85f, 1.0f});
    ui::Label("Export Options", {0.6f, 0.8f, 1.0f, 1.0f});
    ImGui::Spacing();
    ImGui::TextDisabled("Export your heatmap data for external analysis");
    ImGui::Spacing();
    // Each button confirms only an export that was written; a failed one has said why.
    if (ui::ColouredButton(" Export Heatmap to CSV ", {300.0f, 45.0f}, {0.3f, 0.5f, 0.8f, 1.0f}, {0.4f, 0.6f, 0.9f, 1.0f})) {
        OnGameThread([this] { ExportHeatmapCsv("[ZANDO] Heatmap data exported to CSV"); });
    }
    ui::Tooltip("Creates a CSV file with all heatmap data");
    ui::Spacings(2);
    if (ui::ColouredButton(" Export Stats to JSON ", {300.0f, 45.0f}, {0.3f, 0.8f, 0.5f, 1.0f}, {0.4f, 0.9f, 0.6f, 1.0f})) {
        OnGameThread([this] { ExportStatsJson("[ZANDO] Stats data exported to JSON"); });
    }
    ui::Tooltip("Creates a JSON file with current session stats");

    // The box is as tall as its lines, the two paths wrapped to its width however long they are.
    const std::string folder = zando::PathText(gameWrapper->GetDataFolder());
    const std::string csvPath = folder + "/shot_heatmap_data.csv", jsonPath = folder + "/zando_stats.json";
    const char* const csvColumns = "CSV columns: X, Y (zone), Shots (shot heat, 5 per shot), Position";
    const char* const jsonContent = "JSON format includes session stats and heatmap data";
    const ImGuiStyle& style = ImGui::GetStyle();
    const float wrapWidth = ImGui::GetContentRegionAvail().x - 2.0f * style.WindowPadding.x;
    float wrappedHeight = 0.0f;
    for (const char* text : {csvPath.c_str(), jsonPath.c_str(), csvColumns, jsonContent})
        wrappedHeight += ImGui::CalcTextSize(text, nullptr, false, wrapWidth).y;
    const float boxHeight =
        wrappedHeight + ImGui::GetTextLineHeight() + 7.0f * style.ItemSpacing.y + 2.0f * style.WindowPadding.y;
    ImGui::BeginChild("FileInfo", {0.0f, boxHeight}, true, ImGuiWindowFlags_NoScrollbar);
    ImGui::Text("Export Location:");
    ImGui::Spacing();
    ImGui::TextWrapped("%s", csvPath.c_str());
    ImGui::TextWrapped("%s", jsonPath.c_str());
    ImGui::Spacing();
    ui::DisabledWrapped(csvColumns);
    ui::DisabledWrapped(jsonContent);
    ImGui::EndChild();

    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();
    ui::Label("Data Management", {1.0f, 0.7f, 0.5f, 1.0f});
    ImGui::Spacing();
    ImGui::Text("Current Session:");
    ImGui::BulletText("Shots Tracked: %d", tracker.match.shots);
    ImGui::BulletText("Goals Tracked: %d", tracker.match.goals);
    ImGui::BulletText("Session Time: %d seconds", zando::figures::Whole(tracker.match.gameTime));
    ImGui::Spacing();
    int activeZones = 0;
    for (const auto& row : allTimeShotHeatmap)
        for (float cell : row) activeZones += cell > 0.0f;
    ImGui::Text("All-Time Data:");
    ImGui::BulletText("Total Shots: %d", panel.dashboardFigures.allTimeShotTotal);
    ImGui::BulletText("Active Zones: %d / %d", activeZones, GridRows * GridCols);
    ui::Spacings(2);
    ImGui::TextDisabled("Estimated data size: %.2f KB", static_cast<float>(activeZones * 8) / 1024.0f);

    // The player's saved replays, imported on the worker: the button while none runs, its progress while one does.
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();
    ui::Label("Your Saved Replays", {0.6f, 0.8f, 1.0f, 1.0f});
    ImGui::TextDisabled("Adds the matches you played in them to the history and the all-time heatmap, each once");
    const std::string replays = zando::PathText(replayFolder);
    ImGui::TextWrapped("Folder: %s", replays.c_str());
    if (importProgress.running) {
        const float done =
            importProgress.total > 0 ? static_cast<float>(importProgress.read) / static_cast<float>(importProgress.total) : 0.0f;
        const std::string progress = std::to_string(importProgress.read) + " of " + std::to_string(importProgress.total) +
                                     " files, " + std::to_string(importProgress.added) + " added";
        ImGui::ProgressBar(done, {-1.0f, 0.0f}, progress.c_str());
    } else if (ImGui::Button("Import Replays")) {
        OnGameThread([this] { ImportReplays(replayFolder); });
    }
    if (!importProgress.lastLine.empty()) ImGui::TextWrapped("%s", importProgress.lastLine.c_str());
    ImGui::EndChild();
}

void ZANDO::RenderIntegrationTab() {
    ImGui::BeginChild("DashboardContent", {0.0f, 0.0f}, false);
    ui::Heading(" DASHBOARD INTEGRATION", {0.7f, 0.5f, 0.9f, 1.0f});
    WrappedLine(
        "Send each finished match to a ZANDO dashboard (zando-dashboard, run by you, your team or your "
        "community) to look back on your matches in a browser.");
    ui::Spacings(2);

    ui::Heading("Upload Status", {0.4f, 1.0f, 0.7f, 1.0f});
    ui::SettingCheckbox(*this, "Enable Automatic Upload", settings.uploadEnabled, "zando_enable_upload");
    ui::Tooltip("Automatically upload match stats to the web dashboard after each game");
    ImGui::Spacing();
    if (!settings.uploadEnabled)
        ImGui::TextColored({0.9f, 0.9f, 0.5f, 1.0f}, "%s", ui::ShownText("⚠ Upload Disabled").c_str());
    else if (settings.apiKey.empty())
        ImGui::TextColored({1.0f, 0.4f, 0.4f, 1.0f}, "%s", ui::ShownText("✗ No API Key Set").c_str());
    else if (settings.serverUrl.empty())
        ImGui::TextColored({1.0f, 0.4f, 0.4f, 1.0f}, "%s", ui::ShownText("✗ No Dashboard Address Set").c_str());
    else
        ImGui::TextColored({0.4f, 1.0f, 0.4f, 1.0f}, "%s", ui::ShownText("✓ Upload Enabled").c_str());
    ui::Spacings(2);

    ui::Heading("API Key Configuration", {1.0f, 0.7f, 0.4f, 1.0f});
    WrappedLine(
        "Your API key is printed by \"zando-dashboard keys create NAME\" on the dashboard's machine, or given "
        "by whoever runs it.");
    ImGui::Spacing();
    if (panel.apiKeyInputBuffer[0] == '\0' && !settings.apiKey.empty()) Fill(panel.apiKeyInputBuffer, settings.apiKey);
    ImGui::Text("API Key:");
    ImGui::SetNextItemWidth(-1.0f);
    if (ImGui::InputText("##APIKey", panel.apiKeyInputBuffer.data(), panel.apiKeyInputBuffer.size(),
                         ImGuiInputTextFlags_Password)) {
        ui::Write(*this, "zando_api_key", std::string(panel.apiKeyInputBuffer.data()));
    }
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("The key zando-dashboard printed for your account");
    ImGui::Spacing();
    ImGui::Checkbox("Show API Key", &panel.showApiKeyInPanel);
    if (panel.showApiKeyInPanel && !settings.apiKey.empty())
        ImGui::TextColored({0.7f, 0.7f, 0.7f, 1.0f}, "Key: %s", settings.apiKey.c_str());
    ui::Spacings(2);

    // For players who run their own dashboard: the address is taken when the field is left, and
    // refused when it holds a control character.
    ui::Heading("Dashboard Address", {0.9f, 0.4f, 0.9f, 1.0f});
    if (panel.serverUrlInputBuffer[0] == '\0' && !settings.serverUrl.empty())
        Fill(panel.serverUrlInputBuffer, settings.serverUrl);
    ImGui::Text("Server URL:");
    ImGui::SetNextItemWidth(-1.0f);
    ImGui::InputText("##ServerUrl", panel.serverUrlInputBuffer.data(), panel.serverUrlInputBuffer.size());
    if (ui::EditEnded()) {
        const std::string entered = panel.serverUrlInputBuffer.data();
        if (zando::HasControlCharacter(entered)) {
            cvarManager->log("[ZANDO] ✗ The server URL contains a control character (such as a line break) - enter it again");
            Fill(panel.serverUrlInputBuffer, settings.serverUrl);
        } else {
            ui::Write(*this, "zando_server_url", entered);
        }
    }
    ui::Tooltip("The address zando-dashboard printed when it started (\"listening on http://...\")");
    ui::Spacings(2);

    ui::Heading("Setup Instructions", {0.5f, 0.85f, 0.7f, 1.0f});
    WrappedLine(
        "1. Run zando-dashboard on a computer you and your players can reach: \"zando-dashboard serve --listen "
        "0.0.0.0:8080\" (or use the one your team or community runs)");
    WrappedLine("2. Make your account's key there: \"zando-dashboard keys create NAME\" prints it");
    WrappedLine("3. Enter the key in the API Key field and the address the dashboard printed as the Server URL");
    WrappedLine("4. Enable 'Automatic Upload' and press 'Test Connection'");
    WrappedLine("5. Play: each finished match is sent; open the dashboard's address in a browser to see them");
    ui::Spacings(2);

    if (ImGui::Button("Test Connection", {-1.0f, ui::Px(35.0f)})) StartConnectionTest();
    ui::Tooltip("Test your connection and API key with the web dashboard");
    ImGui::Spacing();
    if (!panel.connectionTestResult.empty()) {
        ImGui::Separator();
        ImGui::Spacing();
        const auto has = [this](const char* symbol) { return panel.connectionTestResult.find(symbol) != std::string::npos; };
        ImVec4 colour{0.6f, 0.8f, 1.0f, 1.0f};
        if (has("✓"))
            colour = {0.4f, 1.0f, 0.4f, 1.0f};
        else if (has("✗"))
            colour = {1.0f, 0.4f, 0.4f, 1.0f};
        else if (has("⚠"))
            colour = {1.0f, 0.9f, 0.4f, 1.0f};
        else if (has("🔄"))
            colour = {0.4f, 0.8f, 1.0f, 1.0f};
        ImGui::PushStyleColor(ImGuiCol_Text, colour);
        ImGui::TextWrapped("%s", ui::ShownText(panel.connectionTestResult).c_str());
        ImGui::PopStyleColor();
        if (panel.connectionTestStatus > 0) ImGui::TextDisabled("HTTP Status Code: %d", panel.connectionTestStatus);
        if (panel.connectionTestRefused) ImGui::TextDisabled("A test is already running - wait for its result");
        ImGui::Spacing();
    }
    ImGui::Spacing();
    // Matches whose upload the dashboard did not answer 200 (it was down, the key was wrong) are kept
    // in the history; this sends them again, oldest first, with a console line each.
    if (ImGui::Button("Send Missed Matches", {-1.0f, ui::Px(30.0f)})) OnGameThread([this] { UploadMissed(); });
    if (panel.resendRunning) ImGui::TextDisabled("Sending the missed matches - see the console for each one");
    ui::Tooltip("Send again every match the dashboard did not receive for this API key (zando_upload_missed)");
    if (panel.missedForOtherKeys > 0 && !panel.resendRunning) {
        // Matches of another account are not sent under this key unless the player says so.
        ImGui::TextWrapped("%d missed %s kept for another API key (or before ZANDO noted keys): not sent under this one.",
                           panel.missedForOtherKeys, panel.missedForOtherKeys == 1 ? "match was" : "matches were");
        if (ImGui::Button("Send Them Under This Key", {-1.0f, ui::Px(30.0f)})) OnGameThread([this] { UploadMissed(true); });
        ui::Tooltip("They join this key's account on the dashboard (zando_upload_missed_to_this_key)");
    }
    ui::Spacings(2);
    ImGui::EndChild();
}

void ZANDO::RenderAboutTab() {
    ImGui::BeginChild("AboutContent", {0.0f, 0.0f}, false);
    ImGui::SetWindowFontScale(1.3f);
    ImGui::TextColored({0.7f, 0.5f, 0.9f, 1.0f}, "ZANDO");
    ImGui::SetWindowFontScale(1.0f);
    ImGui::TextColored({0.6f, 0.7f, 0.85f, 1.0f}, "Match Statistics & Shot Heatmaps for Rocket League");
    ImGui::Separator();
    ImGui::Spacing();
    ImGui::Text("Version: 1.0.3");
    ImGui::Text("Made by the ZANDO team");
    ImGui::Text("Your matches, your numbers: nothing leaves your game unless you enable the upload");

    ui::Spacings(2);
    ui::Heading("FEATURES", {0.7f, 0.5f, 0.85f, 1.0f});
    const float line = ImGui::GetTextLineHeightWithSpacing(), padding = 2.0f * ImGui::GetStyle().WindowPadding.y;
    ImGui::BeginChild("Features", {0.0f, 9.0f * line + padding}, true, ImGuiWindowFlags_NoScrollbar);
    for (const char* feature :
         {"Real-time speed tracking (KPH/MPH)", "Boost collection & usage statistics", "Interactive shot heatmap visualization",
          "Shot accuracy tracking by field zone", "Persistent all-time data storage", "Ball possession time analytics",
          "Post-game stats summary overlay", "CSV data export for external analysis",
          "Customizable display modes and positioning"})
        ImGui::BulletText("%s", feature);
    ImGui::EndChild();

    ui::Spacings(2);
    ui::Heading("CONSOLE COMMANDS", {0.5f, 0.7f, 0.85f, 1.0f});
    ImGui::BeginChild("Commands", {0.0f, 7.0f * line + padding}, true, ImGuiWindowFlags_NoScrollbar);
    ImGui::Columns(2, "CommandCols", true);
    const std::pair<const char*, const char*> commands[] = {
        {"toggle_heatmap", "Toggle heatmap overlay"},
        {"toggle_postgame", "Toggle post-game stats"},
        {"toggle_heatmap_view", "Switch match/all-time"},
        {"toggle_accuracy_view", "Switch frequency/accuracy"},
        {"reset_stats", "Reset current match stats"},
        {"export_heatmap", "Export data to CSV"},
        {"export_stats", "Export current session stats to JSON"},
    };
    for (const auto& [name, description] : commands) {
        ImGui::TextColored({0.9f, 0.9f, 0.5f, 1.0f}, "%s", name);
        ImGui::NextColumn();
        ImGui::TextDisabled("%s", description);
        ImGui::NextColumn();
    }
    ImGui::Columns(1);
    ImGui::EndChild();

    ui::Spacings(2);
    ui::Heading("TIPS & TRICKS", {0.5f, 0.85f, 0.7f, 1.0f});
    ImGui::BeginChild("Tips", {0.0f, 6.0f * line + padding}, true, ImGuiWindowFlags_NoScrollbar);
    for (const char* tip :
         {"Use the Interactive Zones tab to analyze your shooting patterns",
          "Toggle between frequency and accuracy modes for different insights",
          "Export your data regularly to track long-term improvement",
          "Adjust window positions and scales to fit your screen setup",
          "Enable sticky mode to keep overlays visible during training", "All-time data persists across sessions automatically"})
        ImGui::BulletText("%s", tip);
    ImGui::EndChild();
    ImGui::EndChild();
}
