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

TEST(SettingsVariables, AllTwentyFourAreRegisteredSavedAndBounded) {
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
    EXPECT_EQ(count, 24);
    EXPECT_EQ(zando.Value("zando_server_url"), "https://dashboard.zando.example");
    EXPECT_EQ(zando.Value("zando_window_opacity"), "0.85");
    EXPECT_NE(zando.Host().GetConsole().FindCvar("zando_api_key")->description.find("dashboard.zando.example"),
              std::string::npos);
}

// Load copies every variable into its member but the five post-game switches: their members' own
// initial values must be the variables' defaults, or the card and the panel would disagree with
// what is saved.
TEST(SettingsVariables, ThePostGameSwitchesStartAsTheirVariablesSay) {
    TempDir home;
    LoadedZando zando(home.path());
    ZANDO& z = zando.Zando();
    const std::pair<const char*, bool ZANDO::*> switches[] = {
        {"zando_show_speed", &ZANDO::showSpeed},       {"zando_show_boost", &ZANDO::showBoost},
        {"zando_show_shots", &ZANDO::showShots},       {"zando_show_possession", &ZANDO::showPossession},
        {"zando_show_gametime", &ZANDO::showGameTime},
    };
    for (const auto& [name, member] : switches) EXPECT_EQ(z.*member, zando.Value(name) == "1") << name;
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
    EXPECT_EQ(z.heatmapPosX, 2000);
    EXPECT_EQ(z.postGamePosY, 2160) << "bounded at the maximum";
    EXPECT_FLOAT_EQ(z.heatmapScale, 1.75f);
    EXPECT_FLOAT_EQ(z.windowOpacity, 0.2f) << "bounded at the minimum";
    zando.Run("zando_show_heatmap 0; zando_sticky_mode 1; zando_show_gametime 0; zando_enable_upload 1");
    EXPECT_FALSE(z.showHeatmap);
    EXPECT_TRUE(z.stickyMode);
    EXPECT_FALSE(z.showGameTime);
    EXPECT_TRUE(z.uploadEnabled);
    zando.Run("zando_api_key \"k3y with spaces\"; zando_server_url http://127.0.0.1:8080");
    EXPECT_EQ(z.apiKey, "k3y with spaces");
    EXPECT_EQ(z.serverUrl, "http://127.0.0.1:8080");
    // The host clamps without a word: the plug-in says what was stored; and why the upload settings
    // as stored cannot work. Every other change is silent.
    const std::vector<std::string> said(zando.Lines().begin() + static_cast<std::ptrdiff_t>(linesBefore), zando.Lines().end());
    EXPECT_EQ(said, (std::vector<std::string>{
                        "[ZANDO] zando_postgame_pos_y is 2160, the largest it takes (0 to 2160)",
                        "[ZANDO] zando_window_opacity is 0.2, the smallest it takes (0.2 to 1)",
                        "[ZANDO] ⚠ Uploads are on, but no API key is set - no match is sent until zando_api_key holds one",
                    }));
    for (const char* address : {"notaurl", "ftp://example.com", "https://example.com/?key=1"}) {
        zando.Run(std::string("zando_server_url ") + address);
        EXPECT_EQ(z.serverUrl, address) << "stored all the same";
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
    for (const char* name : {"toggle_heatmap", "export_stats", "zando_history", "zando_upload_missed", "zando_reset_stats", "zando_help",
                             "zando_heatmap_scale", "zando_api_key", "zando_postgame_history"})
        EXPECT_EQ(line(name), 1) << name;
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "[HELP]   zando_heatmap_scale (0.5 to 2.5, default \"1.0\") - Heatmap window scale"),
              lines.end());
    EXPECT_EQ(lines.size(), 2u + 16u + 24u) << "two headings, 16 commands, 24 settings";
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
    EXPECT_FALSE(z.showHeatmap);
    EXPECT_FLOAT_EQ(z.heatmapScale, 2.0f);
    EXPECT_EQ(z.postGamePosX, 100);
    EXPECT_EQ(z.apiKey, "abc");
    EXPECT_EQ(z.serverUrl, "https://self.hosted.example");
    EXPECT_EQ(second.Value("zando_show_speed"), "0");
    EXPECT_TRUE(z.showSpeed) << "the post-game switches keep their defaults until the variable changes";
    EXPECT_TRUE(z.showBoost);
    second.Run("zando_show_speed 0");
    EXPECT_FALSE(z.showSpeed);
}

TEST(ResetCommand, ClearsTheMatchRecordButNotFlagsAllTimeGridsOrMetadata) {
    TempDir home;
    LoadedZando zando(home.path());
    ZANDO& z = zando.Zando();
    z.shots = 4;
    z.goals = 2;
    z.speedSum = 9000.0f;
    z.speedSamples = 10;
    z.boostCollected = 112.0f;
    z.boostUsed = 40.0f;
    z.lastBoostAmount = 0.5f;
    z.possessionTime = z.teamPossessionTime = 30.0f;
    z.opponentPossessionTime = 20.0f;
    z.gameTime = 60.0f;
    z.hasPossession = z.inGoalReplay = z.uploadedThisMatch = z.awaitingMmrUpload = true;
    z.lastPossessionSampleTime = 59.9f;
    z.playlistId = 11;
    z.zoneSelected = true;
    z.selectedZoneCol = z.selectedZoneRow = 3;
    z.trackingPaused = false;
    z.shotHeatmap[5][6] = 10.0f;
    z.goalHeatmap[5][6] = 1;
    z.allTimeShotHeatmap[5][6] = 15.0f;
    z.allTimeGoalHeatmap[5][6] = 2;
    z.showPostGame = true;
    z.matchActive = false;
    z.lastTouchTime = 12.0f;
    z.playlistName = "Ranked Doubles";
    z.initialMmr = 1000.0f;

    zando.Run("zando_reset_stats ignored words");
    EXPECT_EQ(std::vector<std::string>(zando.Lines().end() - 2, zando.Lines().end()),
              (std::vector<std::string>{"[RESET STATS] Clearing all data...", "[ZANDO] Stats have been reset!"}));
    EXPECT_EQ(z.shots + z.goals + z.speedSamples + z.playlistId, 0);
    EXPECT_EQ(z.speedSum + z.boostCollected + z.boostUsed + z.possessionTime + z.teamPossessionTime + z.opponentPossessionTime +
                  z.gameTime,
              0.0f);
    EXPECT_EQ(z.AverageSpeed(), 0.0f);
    EXPECT_EQ(z.lastBoostAmount, -1.0f);
    EXPECT_EQ(z.lastPossessionSampleTime, -1.0f);
    EXPECT_FALSE(z.hasPossession || z.inGoalReplay || z.uploadedThisMatch || z.awaitingMmrUpload || z.zoneSelected);
    EXPECT_EQ(z.selectedZoneCol, -1);
    EXPECT_EQ(z.selectedZoneRow, -1);
    EXPECT_TRUE(z.trackingPaused);
    EXPECT_EQ(z.shotHeatmap.size(), 62u);
    EXPECT_EQ(z.shotHeatmap[5].size(), 50u);
    EXPECT_EQ(z.shotHeatmap[5][6], 0.0f);
    EXPECT_EQ(z.goalHeatmap[5][6], 0);

    EXPECT_EQ(z.allTimeShotHeatmap[5][6], 15.0f);
    EXPECT_EQ(z.allTimeGoalHeatmap[5][6], 2);
    EXPECT_TRUE(z.showPostGame);
    EXPECT_FALSE(z.matchActive);
    EXPECT_EQ(z.lastTouchTime, 12.0f);
    EXPECT_EQ(z.playlistName, "Ranked Doubles");
    EXPECT_EQ(z.initialMmr, 1000.0f);
}
