// Match lifecycle: the flags each event moves, the end of the match at once or after the MMR delay,
// overtime, forfeits and the match object's destruction.
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "match_support.h"

using zando_test::MatchTest;
namespace events = host::events;
using Lines = std::vector<std::string>;

class MatchLifecycle : public MatchTest {
protected:
    // The statistics file and the upload (off by default) that follow every processed end.
    Lines ExportAndUpload() {
        return {"[STATS] Exporting stats to JSON...",
                "[EXPORT] Stats exported to: " + Host().DataFolder().string() + "/zando_stats.json",
                "[STATS] Triggering upload to server...", "[ZANDO] Upload disabled - enable in Dashboard Integration settings"};
    }
    static Lines Join(Lines first, const Lines& second, const Lines& third = {}) {
        first.insert(first.end(), second.begin(), second.end());
        first.insert(first.end(), third.begin(), third.end());
        return first;
    }
};

TEST_F(MatchLifecycle, AWholeEventSequenceMovesTheFlagsAsTheGameProgresses) {
    StartPlaying();
    ZANDO& z = Z();
    MarkLines();
    match.Fire(events::InitGame);
    EXPECT_EQ(NewLines(),
              (Lines{"[RESET] InitGame fired - resetting stats and hiding UI", "[RESET STATS] Clearing all data..."}));
    EXPECT_TRUE(z.flags.matchActive && z.flags.trackingPaused);
    EXPECT_FALSE(z.settings.showHeatmap || z.settings.showPostGame);

    MarkLines();
    match.Fire(events::CountdownBeginState);
    EXPECT_EQ(NewLines(), (Lines{"[COUNTDOWN] Countdown started - pausing stat tracking",
                                 "[COUNTDOWN] First kickoff of this match - reading match metadata",
                                 "[METADATA] Playlist is null, using defaults"}))
        << "the first countdown of a match followed since InitGame does not reset, but reads the metadata";
    match.Fire(events::CountdownEndState);
    EXPECT_FALSE(z.flags.trackingPaused);
    EXPECT_EQ(zando.Lines().back(), "[COUNTDOWN] Countdown ended - resuming stat tracking");

    match.Fire(events::ScoreUpdated);
    EXPECT_TRUE(z.flags.inGoalReplay);
    EXPECT_FALSE(z.flags.trackingPaused);
    EXPECT_EQ(zando.Lines().back(), "[GOAL] Score updated - entering replay state (match still active)");
    match.Fire(events::CountdownBeginState);
    EXPECT_FALSE(z.flags.inGoalReplay);
    EXPECT_TRUE(z.flags.trackingPaused);
    match.Fire(events::CountdownEndState);

    MarkLines();
    match.Fire(events::MatchWinnerSet);
    EXPECT_EQ(NewLines(), Join({"[EVENT] EventMatchWinnerSet triggered",
                                "[STATS] Match winner set (forfeit or normal) - Processing stats..."},
                               ExportAndUpload(), {"[STATS] Match winner set processing complete."}));
    EXPECT_FALSE(z.flags.matchActive || z.flags.trackingPaused || z.flags.awaitingMmrUpload);
    EXPECT_TRUE(z.settings.showHeatmap && z.settings.showPostGame);

    MarkLines();
    match.Fire(events::MatchEnded);
    EXPECT_EQ(NewLines(), (Lines{"[EVENT] EventMatchEnded triggered", "[STATS] Match already processed - nothing more to do"}))
        << "the match is finished once, by the first of its end events";
    MarkLines();
    match.Fire(events::MatchDestroyed);
    EXPECT_TRUE(NewLines().empty());
    EXPECT_FALSE(z.flags.matchActive);

    // The next match starts at its first countdown, which resets, hides the overlays and reads the playlist.
    z.flags.uploadedThisMatch = true;
    match.StartMatch(&zando_test::RankedDoubles);
    MarkLines();
    match.Fire(events::CountdownBeginState);
    EXPECT_EQ(NewLines(),
              (Lines{"[COUNTDOWN] Countdown started - pausing stat tracking",
                     "[COUNTDOWN] New match starting - resetting stats and hiding UI", "[RESET STATS] Clearing all data...",
                     "[METADATA] Playlist: Ranked Doubles | Ranked: Yes | Playlist ID: 11",
                     "[METADATA] Initial MMR: 0.000000 (Playlist ID: 11, Ranked: Yes)"}));
    EXPECT_TRUE(z.flags.matchActive && z.flags.trackingPaused);
    EXPECT_FALSE(z.settings.showHeatmap || z.settings.showPostGame || z.flags.uploadedThisMatch);
}

TEST_F(MatchLifecycle, ActiveBeginStateResetsOnlyWhenNoMatchIsFollowed) {
    StartPlaying();
    match.Fire(events::InitGame);
    MarkLines();
    match.Fire(events::ActiveBeginState);
    EXPECT_EQ(NewLines(), (Lines{"[ACTIVE] Active.BeginState - mid-match, NOT resetting"}));
    EXPECT_FALSE(Z().flags.trackingPaused);

    Z().flags.matchActive = false;
    Z().tracker.match.shots = 3;
    MarkLines();
    match.Fire(events::ActiveBeginState);
    EXPECT_EQ(NewLines(), (Lines{"[RESET] Active.BeginState - NEW match starting, resetting and hiding UI",
                                 "[RESET STATS] Clearing all data..."}));
    EXPECT_EQ(Z().tracker.match.shots, 0);
    EXPECT_TRUE(Z().flags.matchActive);
    EXPECT_FALSE(Z().flags.trackingPaused || Z().settings.showHeatmap || Z().settings.showPostGame);
}

TEST_F(MatchLifecycle, InOvertimeTheWinnerWaitsAndTheMatchEndFinishesTheMatchOnce) {
    StartPlaying();
    match.Fire(events::InitGame);
    match.Match().overtime = true;
    MarkLines();
    match.Fire(events::MatchWinnerSet);
    EXPECT_EQ(NewLines(), (Lines{"[EVENT] EventMatchWinnerSet triggered",
                                 "[STATS] Match winner set during overtime - waiting for overtime to finish"}));
    EXPECT_TRUE(Z().flags.matchActive);
    EXPECT_FALSE(Z().settings.showPostGame);

    // The game keeps the overtime flag set at the end of a match decided in overtime.
    MarkLines();
    match.Fire(events::MatchEnded);
    EXPECT_EQ(NewLines(), Join({"[EVENT] EventMatchEnded triggered", "[STATS] Match ended in overtime - Processing stats..."},
                               ExportAndUpload(), {"[STATS] Match ended processing complete."}));
    EXPECT_FALSE(Z().flags.matchActive);
    EXPECT_TRUE(Z().settings.showPostGame && Z().settings.showHeatmap);

    MarkLines();
    match.Match().overtime = false;
    match.Fire(events::MatchWinnerSet);
    match.Fire(events::MatchEnded);
    EXPECT_EQ(NewLines(), (Lines{"[EVENT] EventMatchWinnerSet triggered", "[STATS] Match already processed - nothing more to do",
                                 "[EVENT] EventMatchEnded triggered", "[STATS] Match already processed - nothing more to do"}));
}

TEST_F(MatchLifecycle, WithAnInitialMmrTheEndWaitsThreeSecondsForTheNewRating) {
    StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1012.5f);
    Z().flags.matchActive = false;
    match.Fire(events::CountdownBeginState);
    EXPECT_TRUE(Logged("[METADATA] Initial MMR: 1012.500000 (Playlist ID: 11, Ranked: Yes)"));

    MarkLines();
    match.Fire(events::MatchEnded);
    EXPECT_EQ(NewLines(), (Lines{"[EVENT] EventMatchEnded triggered", "[STATS] Match ended (no overtime) - Processing stats...",
                                 "[METADATA] Match ended - delaying upload 3s for MMR update..."}));
    EXPECT_TRUE(Z().flags.awaitingMmrUpload);

    // The match object goes away within the delay: nothing is finished twice.
    MarkLines();
    match.Fire(events::MatchDestroyed);
    match.RemoveMatch();
    EXPECT_EQ(NewLines(), (Lines{"[STATS] Match destroyed but delayed upload pending - skipping to avoid race"}));
    EXPECT_FALSE(Z().flags.matchActive);

    match.SetMmr(11, 1022.0f);
    MarkLines();
    Host().Advance(2.9);
    EXPECT_TRUE(NewLines().empty());
    Host().Advance(0.1);
    EXPECT_EQ(NewLines(), Join({"[METADATA] MMR Change: 9.500000 (Initial: 1012.500000, Final: 1022.000000)"}, ExportAndUpload(),
                               {"[STATS] Match ended processing complete (delayed for MMR)."}));
    EXPECT_FLOAT_EQ(Z().tracker.match.mmrChange, 9.5f);
    EXPECT_FALSE(Z().flags.awaitingMmrUpload);
}

TEST_F(MatchLifecycle, AFinalMmrThatIsMissingOrFailsLeavesTheChangeAlone) {
    StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1012.5f);
    Z().flags.matchActive = false;
    match.Fire(events::CountdownBeginState);
    match.Fire(events::MatchWinnerSet);
    match.SetMmr(11, 0.0f);
    MarkLines();
    Host().Advance(3.0);
    ASSERT_FALSE(NewLines().empty());
    EXPECT_EQ(NewLines().front(), "[METADATA] Final MMR was 0 or invalid, skipping MMR change calc");
    EXPECT_EQ(NewLines().back(), "[STATS] Match winner set processing complete (delayed for MMR).");
    EXPECT_EQ(Z().tracker.match.mmrChange, 0.0f);

    // The next match, whose new rating cannot be read at all.
    match.Fire(events::MatchDestroyed);
    match.SetMmr(11, 1012.5f);
    match.Fire(events::CountdownBeginState);
    Z().tracker.match.mmrChange = 4.0f;
    Host().World().mmr.failing = true;
    match.Fire(events::MatchEnded);
    MarkLines();
    Host().Advance(3.0);
    ASSERT_FALSE(NewLines().empty());
    EXPECT_EQ(NewLines().front(), "[METADATA] Failed to get final MMR in delayed callback");
    EXPECT_EQ(Z().tracker.match.mmrChange, 4.0f);
    EXPECT_FALSE(Z().flags.awaitingMmrUpload);
}

TEST_F(MatchLifecycle, TheDelayedEndNeverTouchesAPluginObjectDeletedMeanwhile) {
    StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1000.0f);
    Z().flags.matchActive = false;
    match.Fire(events::CountdownBeginState);
    match.Fire(events::MatchEnded);
    // A host that deletes the object but keeps its timers: the callback must see the object is gone.
    zando.Plugin().info->delFunc();
    MarkLines();
    Host().Advance(5.0);
    EXPECT_TRUE(NewLines().empty());
}

TEST_F(MatchLifecycle, DestroyedFinishesAFollowedMatchOnlyWhenItHasSomethingToReportAndAlwaysStopsFollowingIt) {
    StartPlaying();
    match.Fire(events::InitGame);
    Z().tracker.match.gameTime = 5.0f;
    MarkLines();
    match.Fire(events::MatchDestroyed);
    EXPECT_TRUE(NewLines().empty());
    EXPECT_FALSE(Z().flags.matchActive) << "a match left early is not followed any more: the next one starts afresh";

    match.Fire(events::InitGame);
    Z().tracker.match.gameTime = 5.1f;
    MarkLines();
    match.Fire(events::MatchDestroyed);
    Lines destroyed = ExportAndUpload();
    destroyed.erase(destroyed.begin() + 2);  // announced by its own line, not by the two end-of-match lines
    destroyed.erase(destroyed.begin());
    EXPECT_EQ(NewLines(), Join({"[STATS] Match destroyed with active stats - uploading before reset"}, destroyed));
    EXPECT_FALSE(Z().flags.matchActive);
}

// A reload during a match keeps the match's figures so far: the unload writes them to the data folder
// and the load into the same match takes them back, once. What the unload kept is ignored, with a
// line, when the load finds another match or none, when it was kept long ago or is damaged.
TEST_F(MatchLifecycle, AReloadDuringAMatchKeepsItsFiguresAndWhatDoesNotFitIsIgnoredWithALine) {
    const std::filesystem::path kept = zando_test::InDataFolder(Host().DataFolder(), "zando_match_in_progress.txt");
    const auto playAndUnload = [&] {
        StartPlaying();
        Host().World().currentGame->secondsElapsed = 120.0f;
        Z().tracker.match.shots = 3;
        Z().tracker.match.goals = 1;
        Z().tracker.match.boostCollected = 412.5f;
        Z().tracker.match.shotHeatmap[10][12] = 15.0f;
        Z().tracker.match.goalHeatmap[10][12] = 1;
        Z().tracker.match.saves = 2;
        Z().tracker.match.demolished = 1;
        Z().tracker.match.startedAt = 1780000000;
        Z().tracker.match.matchId = "0123456789abcdef0123456789abcdef";
        Z().tracker.match.places = {{false, 30.5f, {100, 2000, 17}, {150, 2300, 120}, 1800.25f},
                                    {true, 95.0f, {-50, 4200, 40}, {10, 5150, 93}, 3000}};
        zando.Unload();
        ASSERT_TRUE(std::filesystem::exists(kept));
    };
    const auto load = [&] {
        MarkLines();
        ASSERT_NE(Host().LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO").plugin, nullptr);
        EXPECT_FALSE(std::filesystem::exists(kept)) << "read once";
    };

    playAndUnload();
    Host().World().currentGame->secondsElapsed = 121.5f;
    load();
    EXPECT_TRUE(Logged("[ACTIVE] Picked up the match's figures from before the reload: 3 shots, 1 goals"));
    EXPECT_EQ(Z().tracker.match.shots, 3);
    EXPECT_EQ(Z().tracker.match.goals, 1);
    EXPECT_EQ(Z().tracker.match.boostCollected, 412.5f);
    EXPECT_EQ(Z().tracker.match.shotHeatmap[10][12], 15.0f);
    EXPECT_EQ(Z().tracker.match.goalHeatmap[10][12], 1);
    EXPECT_EQ(CellSum(Z().tracker.match.shotHeatmap), 15.0f) << "nothing else";
    EXPECT_EQ(std::vector<int32_t>({Z().tracker.match.saves, Z().tracker.match.demolished}), std::vector<int32_t>({2, 1}));
    EXPECT_EQ(Z().tracker.match.startedAt, 1780000000);
    EXPECT_EQ(Z().tracker.match.matchId, "0123456789abcdef0123456789abcdef") << "the same match, the same id";
    ASSERT_EQ(Z().tracker.match.places.size(), 2u);
    EXPECT_EQ(Z().tracker.match.places[1], (ShotPlace{true, 95.0f, {-50, 4200, 40}, {10, 5150, 93}, 3000}));

    // A file of an earlier build, without the ticker's counts, keeps the rest (its counts start at 0).
    playAndUnload();
    std::string earlier = zando_test::ReadFile(kept);
    for (const char* name : {"saves", "assists", "demolitions", "demolished", "startedAt", "places"}) {
        const std::size_t at = earlier.find(std::string("\n") + name + " ");
        ASSERT_NE(at, std::string::npos) << name;
        earlier.erase(at + 1, earlier.find('\n', at + 1) - at);
    }
    zando_test::WriteFile(kept, earlier);
    Host().World().currentGame->secondsElapsed = 121.5f;
    load();
    EXPECT_EQ(Z().tracker.match.shots, 3);
    EXPECT_EQ(std::vector<int32_t>({Z().tracker.match.saves, Z().tracker.match.demolished}), std::vector<int32_t>({0, 0}));
    EXPECT_TRUE(Z().tracker.match.places.empty());

    // The file's time of saving moved by seconds.
    const auto savedAgo = [&](int64_t seconds) {
        return [&, seconds] {
            std::string text = zando_test::ReadFile(kept);
            const std::size_t line = text.find("\nmatch ");
            const std::size_t savedAt = text.rfind(' ', text.find('\n', line + 1));
            const int64_t was = std::stoll(text.substr(savedAt + 1, text.find('\n', line + 1) - savedAt - 1));
            text.replace(savedAt + 1, text.find('\n', line + 1) - savedAt - 1, std::to_string(was - seconds));
            zando_test::WriteFile(kept, text);
        };
    };
    // Kept ten minutes ago: still this match's.
    playAndUnload();
    savedAgo(10 * 60)();
    Host().World().currentGame->secondsElapsed = 121.5f;
    load();
    EXPECT_EQ(Z().tracker.match.shots, 3);

    struct Case {
        const char* what;
        std::function<void()> between;  // after the unload, before the load
        const char* why;
    };
    const Case cases[] = {
        {"another match", [&] { match.StartMatch(); }, "they are of another match"},
        {"the clock went back", [&] { Host().World().currentGame->secondsElapsed = 100.0f; }, "they are of another match"},
        {"kept 31 minutes ago", savedAgo(31 * 60), "they were kept more than half an hour ago"},
        {"kept two days ago", savedAgo(2 * 86400), "they were kept more than half an hour ago"},
        {"kept in the future", savedAgo(-3600), "they were kept more than half an hour ago"},
        {"no match", [&] { match.RemoveMatch(); }, "no match is being played"},
        {"kept long ago",
         [&] {
             std::string text = zando_test::ReadFile(kept);
             const std::size_t line = text.find("\nmatch ");
             const std::size_t savedAt = text.rfind(' ', text.find('\n', line + 1));
             text.replace(savedAt + 1, text.find('\n', line + 1) - savedAt - 1, "1000");
             zando_test::WriteFile(kept, text);
         },
         "they were kept more than half an hour ago"},
        {"damaged", [&] { zando_test::WriteFile(kept, zando_test::ReadFile(kept) + "shot 70 3 5\n"); }, "the file is damaged"},
        {"a place off the field",
         [&] { zando_test::WriteFile(kept, zando_test::ReadFile(kept) + "places S 1 0 0 0 0 1e9 0 0\n"); },
         "the file is damaged"},
        {"a place's speed not a number",
         [&] { zando_test::WriteFile(kept, zando_test::ReadFile(kept) + "places G 1 0 0 0 0 0 0 nan\n"); },
         "the file is damaged"},
        {"an empty list of places", [&] { zando_test::WriteFile(kept, zando_test::ReadFile(kept) + "places\n"); },
         "the file is damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        playAndUnload();
        c.between();
        load();
        EXPECT_TRUE(Logged(std::string("[ACTIVE] The figures kept at the last unload were ignored: ") + c.why));
        EXPECT_EQ(Z().tracker.match.shots, 0);
        EXPECT_EQ(CellSum(Z().tracker.match.shotHeatmap), 0.0f);
    }

    // Every value is checked as any other input: one the match so far could not have (not a number,
    // infinite, negative, beyond its clock of 120 s, at odds with the file's own zones or header) ignores
    // the file, so that no such figure reaches the history.
    const struct {
        const char* name;
        const char* value;
        const char* why;
    } values[] = {
        {"speedSum", "nan", "speedSum is not a number of 0 or more"},
        {"speedSum", "inf", "speedSum is not a number of 0 or more"},
        {"speedSum", "9e9", "speedSum is more than its samples could add up to"},
        {"gameTime", "nan", "gameTime is not a time of the match so far"},
        {"gameTime", "500", "gameTime is not a time of the match so far"},
        {"possessionTime", "-1", "possessionTime is not a time of the match so far"},
        {"initialMmr", "nan", "initialMmr is not a number of 0 or more"},
        {"boostUsed", "-inf", "boostUsed is not a number of 0 or more"},
        {"shots", "-5", "shots is negative"},
        {"shots", "4", "shots are not its zones' shots"},
        {"goals", "50", "goals are not its zones' goals"},
        {"saves", "-1", "saves is negative"},
        {"speedSamples", "-3", "speedSamples is negative"},
        {"localTeam", "2", "localTeam is not -1, 0 or 1"},
        {"playlistId", "99", "playlistId is not the header's"},
        {"startedAt", "99999999999", "startedAt is not a time before now"},
    };
    for (const auto& bad : values) {
        SCOPED_TRACE(std::string(bad.name) + " " + bad.value);
        playAndUnload();
        std::string text = zando_test::ReadFile(kept);
        const std::size_t at = text.find(std::string("\n") + bad.name + " ");
        ASSERT_NE(at, std::string::npos);
        const std::size_t value = at + 2 + std::strlen(bad.name);
        text.replace(value, text.find('\n', value) - value, bad.value);
        zando_test::WriteFile(kept, text);
        Host().World().currentGame->secondsElapsed = 121.5f;
        load();
        EXPECT_TRUE(
            Logged(std::string("[ACTIVE] The figures kept at the last unload were ignored: the file is damaged: ") + bad.why));
        EXPECT_EQ(Z().tracker.match.shots, 0);
    }
}
