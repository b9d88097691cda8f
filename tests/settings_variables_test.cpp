// The plug-in's settings variables: registration, change callbacks, the copy at load, persistence
// across runs, and the reset command registered with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

using zando_test::LoadedZando;
using zando_test::TempDir;

TEST(SettingsVariables, AllTwentyFiveAreRegisteredSavedAndBounded) {
    TempDir home;
    LoadedZando zando(home.path());
    int count = 0;
    for (const host::CVarRecord* cvar : zando.Host().GetConsole().Cvars()) {
        if (cvar->name.rfind("zando_", 0) != 0) continue;
        ++count;
        EXPECT_TRUE(cvar->saved && cvar->searchable) << cvar->name;
        EXPECT_EQ(cvar->value, cvar->defaultValue) << cvar->name;
        EXPECT_FALSE(cvar->description.empty()) << cvar->name;
        const bool text = cvar->name == "zando_api_key" || cvar->name == "zando_server_url";
        EXPECT_EQ(cvar->hasMin && cvar->hasMax, !text) << cvar->name;
    }
    EXPECT_EQ(count, 25);
    EXPECT_EQ(zando.Value("zando_server_url"), "") << "no address until the player names their dashboard";
    EXPECT_EQ(zando.Value("zando_window_opacity"), "0.85");
    EXPECT_NE(zando.Host().GetConsole().FindCvar("zando_api_key")->description.find("zando-dashboard keys create"),
              std::string::npos);
}

// Load copies every variable into its member but the five post-game switches: their members' own
// initial values must be the variables' defaults, or the card and the panel would disagree with
// what is saved.
TEST(SettingsVariables, ThePostGameSwitchesStartAsTheirVariablesSay) {
    TempDir home;
    LoadedZando zando(home.path());
    ZANDO& z = zando.Zando();
    const std::pair<const char*, bool zando::SettingsMirror::*> switches[] = {
        {"zando_show_speed", &zando::SettingsMirror::showSpeed},
        {"zando_show_boost", &zando::SettingsMirror::showBoost},
        {"zando_show_shots", &zando::SettingsMirror::showShots},
        {"zando_show_possession", &zando::SettingsMirror::showPossession},
        {"zando_show_gametime", &zando::SettingsMirror::showGameTime},
    };
    for (const auto& [name, member] : switches) EXPECT_EQ(z.settings.*member, zando.Value(name) == "1") << name;
}

// Each bounded variable's range, as the player may set it: a value below it or above it is held at
// its end.
TEST(SettingsVariables, EachBoundedVariableHoldsAValueWithinItsRange) {
    struct Range {
        const char* name;
        float min, max;
    };
    const Range ranges[] = {
        {"zando_heatmap_scale", 0.5f, 2.5f},     {"zando_postgame_scale", 0.5f, 2.5f},   {"zando_window_opacity", 0.2f, 1.0f},
        {"zando_heatmap_pos_x", 0.0f, 3840.0f},  {"zando_heatmap_pos_y", 0.0f, 2160.0f}, {"zando_postgame_pos_x", 0.0f, 3840.0f},
        {"zando_postgame_pos_y", 0.0f, 2160.0f},
    };
    TempDir home;
    LoadedZando zando(home.path());
    for (const Range& range : ranges) {
        zando.Run(std::string(range.name) + " -100000");
        EXPECT_FLOAT_EQ(std::stof(zando.Value(range.name)), range.min) << range.name;
        zando.Run(std::string(range.name) + " 100000");
        EXPECT_FLOAT_EQ(std::stof(zando.Value(range.name)), range.max) << range.name;
    }
}

TEST(SettingsVariables, ASetReachesItsMemberAtOnceThroughTheRightGetter) {
    TempDir home;
    LoadedZando zando(home.path());
    ZANDO& z = zando.Zando();
    const std::size_t linesBefore = zando.Lines().size();
    zando.Run("zando_heatmap_pos_x 2000; zando_postgame_pos_y 99999; zando_heatmap_scale 1.75; zando_window_opacity 0");
    EXPECT_EQ(z.settings.heatmapPosX, 2000);
    EXPECT_EQ(z.settings.postGamePosY, 2160) << "bounded at the maximum";
    EXPECT_FLOAT_EQ(z.settings.heatmapScale, 1.75f);
    EXPECT_FLOAT_EQ(z.settings.windowOpacity, 0.2f) << "bounded at the minimum";
    zando.Run("zando_show_heatmap 0; zando_sticky_mode 1; zando_show_gametime 0; zando_enable_upload 1");
    EXPECT_FALSE(z.settings.showHeatmap);
    EXPECT_TRUE(z.settings.stickyMode);
    EXPECT_FALSE(z.settings.showGameTime);
    EXPECT_TRUE(z.settings.uploadEnabled);
    zando.Run("zando_api_key \"k3y with spaces\"; zando_server_url http://127.0.0.1:8080");
    EXPECT_EQ(z.settings.apiKey, "k3y with spaces");
    EXPECT_EQ(z.settings.serverUrl, "http://127.0.0.1:8080");
    // The host clamps without a word: the plug-in says what was stored; and why the upload settings
    // as stored cannot work. Every other change is silent.
    const std::vector<std::string> said(zando.Lines().begin() + static_cast<std::ptrdiff_t>(linesBefore), zando.Lines().end());
    EXPECT_EQ(said, (std::vector<std::string>{
                        "[ZANDO] zando_postgame_pos_y is 2160 (it takes 0 to 2160; a larger value is stored as 2160)",
                        "[ZANDO] zando_window_opacity is 0.2 (it takes 0.2 to 1; a smaller value is stored as 0.2)",
                        "[ZANDO] ⚠ Uploads are on, but no API key is set - no match is sent until zando_api_key holds one",
                    }));
    for (const char* address : {"notaurl", "ftp://example.com", "https://example.com/?key=1", ""}) {
        zando.Run(std::string("zando_server_url \"") + address + "\"");
        EXPECT_EQ(z.settings.serverUrl, address) << "stored all the same";
        EXPECT_EQ(zando.Lines().back().rfind("[ZANDO] ⚠ zando_server_url is stored, but no upload can go to it: ", 0), 0u)
            << zando.Lines().back();
    }
}

TEST(SettingsVariables, HelpListsEveryCommandAndSettingOnALineEach) {
    TempDir home;
    LoadedZando zando(home.path());
    const std::size_t before = zando.Lines().size();
    zando.Run("zando_help");
    const std::vector<std::string> lines(zando.Lines().begin() + static_cast<std::ptrdiff_t>(before), zando.Lines().end());
    const auto line = [&](const std::string& start) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.rfind("[HELP]   " + start + " ", 0) == 0; });
    };
    for (const char* name :
         {"toggle_heatmap", "export_stats", "zando_history", "zando_upload_missed", "zando_reset_stats", "zando_help",
          "zando_heatmap_scale", "zando_api_key", "zando_postgame_history", "zando_import_replays"})
        EXPECT_EQ(line(name), 1) << name;
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "[HELP]   zando_heatmap_scale (0.5 to 2.5, default \"1.0\") - Heatmap window scale"),
              lines.end());
    EXPECT_EQ(lines.size(), 2u + 19u + 25u) << "two headings, 19 commands, 25 settings";
}

TEST(SettingsVariables, SavedSettingsAreReadBackAtLoadExceptThePostGameSwitches) {
    TempDir home;
    {
        LoadedZando first(home.path());
        first.Run(
            "zando_show_heatmap 0; zando_heatmap_scale 2.0; zando_postgame_pos_x 100; zando_api_key abc;"
            "zando_server_url https://self.hosted.example; zando_show_speed 0; zando_show_boost 0");
    }
    LoadedZando second(home.path());
    ZANDO& z = second.Zando();
    EXPECT_FALSE(z.settings.showHeatmap);
    EXPECT_FLOAT_EQ(z.settings.heatmapScale, 2.0f);
    EXPECT_EQ(z.settings.postGamePosX, 100);
    EXPECT_EQ(z.settings.apiKey, "abc");
    EXPECT_EQ(z.settings.serverUrl, "https://self.hosted.example");
    EXPECT_EQ(second.Value("zando_show_speed"), "0");
    EXPECT_TRUE(z.settings.showSpeed) << "the post-game switches keep their defaults until the variable changes";
    EXPECT_TRUE(z.settings.showBoost);
    second.Run("zando_show_speed 0");
    EXPECT_FALSE(z.settings.showSpeed);
}

TEST(ResetCommand, ClearsTheMatchRecordButNotFlagsAllTimeGridsOrMetadata) {
    TempDir home;
    LoadedZando zando(home.path());
    ZANDO& z = zando.Zando();
    z.tracker.match.shots = 4;
    z.tracker.match.goals = 2;
    z.tracker.match.speedSum = 9000.0f;
    z.tracker.match.speedSamples = 10;
    z.tracker.match.boostCollected = 112.0f;
    z.tracker.match.boostUsed = 40.0f;
    z.tracker.sampling.lastBoostAmount = 0.5f;
    z.tracker.match.possessionTime = z.tracker.match.teamPossessionTime = 30.0f;
    z.tracker.match.opponentPossessionTime = 20.0f;
    z.tracker.match.gameTime = 60.0f;
    z.tracker.sampling.hasPossession = z.flags.inGoalReplay = z.flags.uploadedThisMatch = z.flags.awaitingMmrUpload = true;
    z.tracker.sampling.lastPossessionSampleTime = 59.9f;
    z.tracker.match.playlistId = 11;
    z.panel.selection.zoneSelected = true;
    z.panel.selection.selectedZoneCol = z.panel.selection.selectedZoneRow = 3;
    z.flags.trackingPaused = false;
    z.tracker.match.shotHeatmap[5][6] = 10.0f;
    z.tracker.match.goalHeatmap[5][6] = 1;
    z.allTimeShotHeatmap[5][6] = 15.0f;
    z.allTimeGoalHeatmap[5][6] = 2;
    z.settings.showPostGame = true;
    z.flags.matchActive = false;
    z.tracker.touch.lastTouchTime = 12.0f;
    z.tracker.match.playlistName = "Ranked Doubles";
    z.tracker.match.initialMmr = 1000.0f;

    zando.Run("zando_reset_stats ignored words");
    EXPECT_EQ(std::vector<std::string>(zando.Lines().end() - 2, zando.Lines().end()),
              (std::vector<std::string>{"[RESET STATS] Clearing all data...", "[ZANDO] Stats have been reset!"}));
    EXPECT_EQ(z.tracker.match.shots + z.tracker.match.goals + z.tracker.match.speedSamples + z.tracker.match.playlistId, 0);
    EXPECT_EQ(z.tracker.match.speedSum + z.tracker.match.boostCollected + z.tracker.match.boostUsed +
                  z.tracker.match.possessionTime + z.tracker.match.teamPossessionTime + z.tracker.match.opponentPossessionTime +
                  z.tracker.match.gameTime,
              0.0f);
    EXPECT_EQ(z.AverageSpeed(), 0.0f);
    EXPECT_EQ(z.tracker.sampling.lastBoostAmount, -1.0f);
    EXPECT_EQ(z.tracker.sampling.lastPossessionSampleTime, -1.0f);
    EXPECT_FALSE(z.tracker.sampling.hasPossession || z.flags.inGoalReplay || z.flags.uploadedThisMatch ||
                 z.flags.awaitingMmrUpload || z.panel.selection.zoneSelected);
    EXPECT_EQ(z.panel.selection.selectedZoneCol, -1);
    EXPECT_EQ(z.panel.selection.selectedZoneRow, -1);
    EXPECT_TRUE(z.flags.trackingPaused);
    EXPECT_EQ(z.tracker.match.shotHeatmap.size(), 62u);
    EXPECT_EQ(z.tracker.match.shotHeatmap[5].size(), 50u);
    EXPECT_EQ(z.tracker.match.shotHeatmap[5][6], 0.0f);
    EXPECT_EQ(z.tracker.match.goalHeatmap[5][6], 0);

    EXPECT_EQ(z.allTimeShotHeatmap[5][6], 15.0f);
    EXPECT_EQ(z.allTimeGoalHeatmap[5][6], 2);
    EXPECT_TRUE(z.settings.showPostGame);
    EXPECT_FALSE(z.flags.matchActive);
    EXPECT_EQ(z.tracker.touch.lastTouchTime, 12.0f);
    EXPECT_EQ(z.tracker.match.playlistName, "Ranked Doubles");
    EXPECT_EQ(z.tracker.match.initialMmr, 1000.0f);
}
