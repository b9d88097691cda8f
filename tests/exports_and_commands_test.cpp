// The CSV and JSON exports (their bytes, their overwrite, their failures) and the console commands
// (each one's line and the settings it writes), through the plug-in's own commands.

#include "match_support.h"

using zando_test::MatchTest;
using Lines = std::vector<std::string>;

class ExportsAndCommands : public MatchTest {
protected:
    Lines Run(const std::string& statements) {
        MarkLines();
        zando.Run(statements);
        return NewLines();
    }
    std::filesystem::path Data(const char* name) { return zando_test::InDataFolder(Host().DataFolder(), name); }
    std::string Value(const char* name) { return zando.Value(name); }
};

TEST_F(ExportsAndCommands, TheCsvListsZonesWithHeatOnly) {
    EXPECT_EQ(Run("export_heatmap"), (Lines{"Heatmap exported to: " + Data("shot_heatmap_data.csv").string()}));
    EXPECT_EQ(zando_test::ReadTextFile(Data("shot_heatmap_data.csv")), "X,Y,Shots,Position\n");

    Z().tracker.match.shotHeatmap[31][25] = 5.0f;
    Z().tracker.match.shotHeatmap[0][49] = 10.0f;
    Z().tracker.match.shotHeatmap[61][0] = 0.25f;
    Z().tracker.sampling.positionHeatmap[40][7] = 1.5f;  // where the car was, without a shot
    Z().tracker.sampling.positionHeatmap[31][25] = 2.0f;
    Run("export_heatmap");
    EXPECT_EQ(zando_test::ReadTextFile(Data("shot_heatmap_data.csv")),
              "X,Y,Shots,Position\n49,0,10,0\n25,31,5,2\n7,40,0,1.5\n0,61,0.25,0\n")
        << "rows outer, columns inner; a zone with either heat; overwritten, not appended";
}

TEST_F(ExportsAndCommands, TheStatsFileHasItsHundredAndFortyOneLines) {
    Z().tracker.match.shots = 4;
    Z().tracker.match.goals = 1;
    Z().tracker.match.speedSum = 1500.0f * 3;
    Z().tracker.match.speedSamples = 3;
    Z().tracker.match.boostCollected = 812.5f;
    Z().tracker.match.boostUsed = 1234.5678f;
    Z().tracker.match.gameTime = 300.0f;
    Z().tracker.match.possessionTime = 121.5f;
    Z().tracker.match.teamPossessionTime = 160.25f;
    Z().tracker.match.opponentPossessionTime = 0.0001f;
    Z().tracker.match.shotHeatmap[0][1] = 5.0f;
    Z().tracker.match.goalHeatmap[61][49] = 2;
    EXPECT_EQ(Run("export_stats"), (Lines{"[EXPORT] Stats exported to: " + Data("zando_stats.json").string()}));
    const Lines lines = zando_test::SplitLines(zando_test::ReadTextFile(Data("zando_stats.json")));
    ASSERT_EQ(lines.size(), 141u);
    EXPECT_EQ(lines[0], "{");
    EXPECT_EQ(lines[1].substr(0, 15), "  \"timestamp\": ");
    EXPECT_EQ(lines[1].size(), 15u + 22u + 1u);
    const Lines members(lines.begin() + 2, lines.begin() + 12);
    EXPECT_EQ(members, (Lines{"  \"shots\": 4,", "  \"goals\": 1,", "  \"averageSpeed\": 1500,", "  \"speedSamples\": 3,",
                              "  \"boostCollected\": 812.5,", "  \"boostUsed\": 1234.57,", "  \"gameTime\": 300,",
                              "  \"possessionTime\": 121.5,", "  \"teamPossessionTime\": 160.25,",
                              "  \"opponentPossessionTime\": 0.0001,"}));
    EXPECT_EQ(lines[12], "  \"shotHeatmap\": [");
    EXPECT_EQ(lines[13].substr(0, 14), "    [0, 5, 0, ");
    EXPECT_EQ(std::count(lines[13].begin(), lines[13].end(), ','), 50) << "49 separators and the row's comma";
    EXPECT_EQ(lines[74].back(), ']') << "the last row has no comma";
    EXPECT_EQ(lines[75], "  ],");
    EXPECT_EQ(lines[76], "  \"goalHeatmap\": [");
    EXPECT_EQ(lines[138].substr(lines[138].size() - 5), "0, 2]") << "integer cells";
    EXPECT_EQ(lines[139], "  ]");
    EXPECT_EQ(lines[140], "}");
    EXPECT_EQ(zando_test::ReadTextFile(Data("zando_stats.json")).back(), '\n');

    Z().tracker.match.speedSamples = 0;
    Run("export_stats");
    const Lines again = zando_test::SplitLines(zando_test::ReadTextFile(Data("zando_stats.json")));
    EXPECT_EQ(again[4], "  \"averageSpeed\": 0,");
    EXPECT_EQ(again[5], "  \"speedSamples\": 0,");
}

TEST_F(ExportsAndCommands, AnExportThatCannotBeWrittenSaysSoAndKeepsTheOldFile) {
    ZANDO_SKIP_WITHOUT_FILE_SIZE_LIMIT();
    Run("export_stats; export_heatmap");
    const std::string before = zando_test::ReadTextFile(Data("zando_stats.json"));

    // A disk that fills up: the write fails part way, the old file stays whole.
    Lines failed;
    {
        zando_test::FileSizeLimit full(1000);
        failed = Run("export_stats");
    }
    EXPECT_EQ(failed, (Lines{"[EXPORT] Failed to write file: " + Data("zando_stats.json").string()}));
    EXPECT_EQ(zando_test::ReadTextFile(Data("zando_stats.json")), before);
    EXPECT_TRUE(zando_test::TemporaryFilesBeside(Data("zando_stats.json")).empty());
}

TEST_F(ExportsAndCommands, AnExportIntoAFolderThatIsGoneSaysItCannotOpenTheFile) {
    std::filesystem::remove_all(Host().DataFolder());
    EXPECT_EQ(Run("export_stats"), (Lines{"[EXPORT] Failed to open file: " + Data("zando_stats.json").string()}));
    EXPECT_EQ(Run("export_heatmap"), (Lines{"Failed to open file: " + Data("shot_heatmap_data.csv").string()}));
}

TEST_F(ExportsAndCommands, EachCommandSaysWhatItDidAndWritesItsSetting) {
    const bool heatmap = Z().settings.showHeatmap;
    EXPECT_EQ(Run("toggle_heatmap"), (Lines{heatmap ? "Heatmap disabled" : "Heatmap enabled"}));
    EXPECT_EQ(Value("zando_show_heatmap"), heatmap ? "0" : "1");
    EXPECT_EQ(Run("toggle_heatmap"), (Lines{heatmap ? "Heatmap enabled" : "Heatmap disabled"}));
    EXPECT_EQ(Z().settings.showHeatmap, heatmap);

    EXPECT_EQ(Run("toggle_postgame"), (Lines{"Post-game stats enabled"}));
    EXPECT_EQ(Value("zando_show_postgame"), "1");
    EXPECT_EQ(Run("toggle_accuracy_view extra words"), (Lines{"Showing ACCURACY overlay"}));
    EXPECT_EQ(Value("zando_show_accuracy_overlay"), "1");
    EXPECT_EQ(Run("toggle_accuracy_view"), (Lines{"Showing FREQUENCY overlay"}));

    // These change the member only; their settings keep the old value.
    EXPECT_EQ(Run("toggle_minimalistic"), (Lines{"Minimalistic view enabled"}));
    EXPECT_EQ(Run("toggle_sticky"), (Lines{"Sticky mode enabled"}));
    EXPECT_EQ(Value("zando_sticky_mode"), "0");
    EXPECT_EQ(Run("toggle_heatmap_view"), (Lines{"Showing ALL-TIME heatmap"}));
    EXPECT_EQ(Run("toggle_heatmap_view"), (Lines{"Showing CURRENT GAME heatmap"}));
    EXPECT_TRUE(Z().settings.minimalisticMode && Z().settings.stickyMode);

    Z().tracker.match.shots = 3;
    EXPECT_EQ(Run("reset_stats"), (Lines{"[RESET STATS] Clearing all data...", "[MANUAL RESET] All stats cleared"}));
    EXPECT_EQ(Z().tracker.match.shots, 0);
    EXPECT_FALSE(Z().settings.showPostGame);
    EXPECT_EQ(Value("zando_show_postgame"), "1") << "the variable is not written";
}

TEST_F(ExportsAndCommands, ClearingTheAllTimeHeatmapClearsGoalsWithTheirShots) {
    Z().allTimeShotHeatmap[10][10] = 15.0f;
    Z().allTimeGoalHeatmap[10][10] = 2;
    EXPECT_EQ(Run("reset_alltime_heatmap"),
              (Lines{"[SAVE] All-time heatmap saved (shots + goals)", "[RESET] All-time heatmap cleared!"}));
    EXPECT_EQ(Z().allTimeShotHeatmap[10][10], 0.0f);
    EXPECT_EQ(Z().allTimeGoalHeatmap[10][10], 0) << "goals without their shots would spoil every later accuracy";
    zando.Unload();
    zando_test::LoadedZando reloaded(home.path());
    EXPECT_EQ(reloaded.Zando().allTimeGoalHeatmap[10][10], 0) << "and the file says so";
}
