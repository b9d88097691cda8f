// The console commands of every main action: resets, overlay switches, heatmap views, clearing the
// all-time heatmap and the two exports. Each reports what it did with one console line.
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "base/path_text.h"
#include "plugin/settings_variables.h"
#include "plugin/zando.h"

namespace {

std::string StateWord(bool enabled) { return enabled ? "enabled" : "disabled"; }

}  // namespace

void ZANDO::RegisterConsoleCommands() {
    const auto command = [this](const char* name, const char* description, std::function<void()> action) {
        RegisterCommand(
            name, [action = std::move(action)](std::vector<std::string>) { action(); }, description);
    };
    // Writes a switch's new value to its settings variable, whose change callback stores it back.
    const auto writeSetting = [this](zando::SettingName name, bool value) {
        cvarManager->getCvar(name.c_str()).setValue(value ? 1 : 0);
    };

    command("reset_stats", "Manually reset all stats", [this] {
        ResetStats();
        settings.showPostGame = false;
        cvarManager->log("[MANUAL RESET] All stats cleared");
    });
    command("toggle_heatmap", "Toggle heatmap display", [this, writeSetting] {
        settings.showHeatmap = !settings.showHeatmap;
        writeSetting("zando_show_heatmap", settings.showHeatmap);
        cvarManager->log("Heatmap " + StateWord(settings.showHeatmap));
    });
    command("toggle_postgame", "Toggle post-game stats display", [this, writeSetting] {
        settings.showPostGame = !settings.showPostGame;
        writeSetting("zando_show_postgame", settings.showPostGame);
        cvarManager->log("Post-game stats " + StateWord(settings.showPostGame));
    });
    command("toggle_minimalistic", "Toggle minimalistic post-game view", [this] {
        settings.minimalisticMode = !settings.minimalisticMode;
        cvarManager->log("Minimalistic view " + StateWord(settings.minimalisticMode));
    });
    command("toggle_sticky", "Toggle sticky mode (keep stats visible during match)", [this] {
        settings.stickyMode = !settings.stickyMode;
        cvarManager->log("Sticky mode " + StateWord(settings.stickyMode));
    });
    command("toggle_heatmap_view", "Toggle between current game and all-time heatmap", [this] {
        settings.showAllTimeHeatmap = !settings.showAllTimeHeatmap;
        cvarManager->log(settings.showAllTimeHeatmap ? "Showing ALL-TIME heatmap" : "Showing CURRENT GAME heatmap");
    });
    command("toggle_accuracy_view", "Toggle between frequency and accuracy heatmap display", [this, writeSetting] {
        settings.showAccuracyOverlay = !settings.showAccuracyOverlay;
        writeSetting("zando_show_accuracy_overlay", settings.showAccuracyOverlay);
        cvarManager->log(settings.showAccuracyOverlay ? "Showing ACCURACY overlay" : "Showing FREQUENCY overlay");
    });
    command("reset_alltime_heatmap", "Clear all-time heatmap data", [this] {
        // Both grids: goals left without their shots would make every later accuracy wrong.
        ClearGrid(allTimeShotHeatmap);
        ClearGrid(allTimeGoalHeatmap);
        // Said only once the file says so too: a failed save has said why, and the old file stays.
        SaveAllTimeHeatmap(false, "[RESET] All-time heatmap cleared!");
    });
    command("export_heatmap", "Export heatmap data to CSV", [this] { ExportHeatmapCsv(); });
    command("export_stats", "Export current session stats to JSON", [this] { ExportStatsJson(); });
    command("export_match", "Export the match whole (score, result, where each shot and goal happened) to JSON",
            [this] { ExportMatchJson(); });
    command("zando_upload_missed", "Send again the matches the dashboard did not receive, oldest first",
            [this] { UploadMissed(); });
    command("zando_upload_missed_to_this_key",
            "Send the missed matches kept for another API key (or before keys were noted) under the key set now",
            [this] { UploadMissed(true); });
    RegisterHistoryCommands();
    RegisterCommand(
        "zando_import_replays",
        [this](std::vector<std::string> arguments) {
            // A folder named without quotes may have been split at its spaces.
            std::string folder;
            for (std::size_t i = 1; i < arguments.size(); ++i) folder += (i > 1 ? " " : "") + arguments[i];
            ImportReplays(folder.empty() ? replayFolder : zando::TextPath(folder));
        },
        "Add the matches of your saved replays (the game's replay folder, or FOLDER) to the history and the all-time heatmap");
    RegisterCommand(
        "zando_help",
        [this](std::vector<std::string>) {
            cvarManager->log("[HELP] ZANDO's commands:");
            for (const auto& [name, description] : commandHelp) cvarManager->log("[HELP]   " + name + " - " + description);
            cvarManager->log("[HELP] ZANDO's settings (name value):");
            for (const zando::SettingVariable& variable : zando::SettingVariables()) {
                std::string values = "text";
                if (std::holds_alternative<bool zando::SettingsMirror::*>(variable.member))
                    values = "0 or 1";
                else if (variable.bounded)
                    values = zando::RangeText(variable);
                cvarManager->log("[HELP]   " + std::string(variable.name) + " (" + values + ", default \"" +
                                 variable.defaultValue + "\") - " + variable.description);
            }
        },
        "List ZANDO's console commands and settings, a line each");
}

void ZANDO::RegisterCommand(const std::string& name, std::function<void(std::vector<std::string>)> action,
                            const std::string& description) {
    cvarManager->registerNotifier(name, Locked(std::move(action)), description, 0);
    commandHelp.emplace_back(name, description);
}
