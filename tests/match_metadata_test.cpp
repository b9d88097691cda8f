// Match metadata: playlist, ranked flag and MMR captured at the first countdown of a new match.
#include "match_support.h"

using zando_test::MatchTest;
namespace events = host::events;
using Lines = std::vector<std::string>;

class MatchMetadata : public MatchTest {
protected:
    Lines CaptureFor(const host::game::Playlist* playlist) {
        StartPlaying(playlist);
        Z().flags.matchActive = false;
        MarkLines();
        match.Fire(events::CountdownBeginState);
        Lines lines = NewLines();
        return Lines(lines.begin() + 3, lines.end());  // after the countdown and reset lines
    }
};

TEST_F(MatchMetadata, TheRankedListAddsPlaylistsTheGameReportsAsNotRanked) {
    const host::game::Playlist solo{"Ranked Solo Standard", 0, 13};
    match.SetMmr(13, 980.25f);
    EXPECT_EQ(CaptureFor(&solo), (Lines{"[METADATA] GetbRanked returned false, but playlist ID 13 is ranked - overriding",
                                        "[METADATA] Playlist: Ranked Solo Standard | Ranked: Yes | Playlist ID: 13",
                                        "[METADATA] Initial MMR: 980.250000 (Playlist ID: 13, Ranked: Yes)"}));
    EXPECT_TRUE(Z().tracker.match.isRanked);
    EXPECT_EQ(Z().tracker.match.playlistId, 13);
    EXPECT_FLOAT_EQ(Z().tracker.match.initialMmr, 980.25f);

    const host::game::Playlist casual{"Casual Doubles", 0, 12};
    CaptureFor(&casual);
    EXPECT_FALSE(Z().tracker.match.isRanked);
    EXPECT_EQ(Z().tracker.match.playlistName, "Casual Doubles");

    const host::game::Playlist tournament{"Tournament", 1, 99};
    EXPECT_EQ(CaptureFor(&tournament).front(), "[METADATA] Playlist: Tournament | Ranked: Yes | Playlist ID: 99")
        << "a playlist the game reports as ranked stays ranked";
}

TEST_F(MatchMetadata, WithoutPlaylistOrIdNoMmrIsReadAndTheEndIsNotDelayed) {
    Z().tracker.match.initialMmr = 5.0f;
    EXPECT_EQ(CaptureFor(nullptr), (Lines{"[METADATA] Playlist is null, using defaults"}));
    EXPECT_EQ(Z().tracker.match.playlistName, "Unknown");
    EXPECT_EQ(Z().tracker.match.initialMmr, 0.0f);

    const host::game::Playlist freeplay{"Freeplay", 0, 0};
    EXPECT_EQ(CaptureFor(&freeplay), (Lines{"[METADATA] Playlist: Freeplay | Ranked: No | Playlist ID: 0"}));
    match.Fire(events::MatchEnded);
    EXPECT_EQ(zando.Lines().back(), "[STATS] Match ended processing complete.");
}

TEST_F(MatchMetadata, AnUnavailableRatingServiceIsLoggedAndTheMatchGoesOn) {
    Host().World().mmr.failing = true;
    EXPECT_EQ(CaptureFor(&zando_test::RankedDoubles).back(), "[METADATA] Failed to get MMR - continuing without it");
    EXPECT_EQ(Z().tracker.match.initialMmr, 0.0f);
}

TEST_F(MatchMetadata, TheNewRatingIsTakenOnlyOnceTheServiceHasSyncedIt) {
    StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1000.0f);
    Z().flags.matchActive = false;
    match.Fire(events::CountdownBeginState);
    ASSERT_FLOAT_EQ(Z().tracker.match.initialMmr, 1000.0f);

    // The match's update is still on its way when the 3 s are up: the old rating is not a change of 0.
    match.Fire(events::MatchEnded);
    Host().World().mmr.syncing = true;
    MarkLines();
    Host().Advance(3.0);
    EXPECT_EQ(NewLines().front(), "[METADATA] Failed to get final MMR in delayed callback");
    EXPECT_FLOAT_EQ(Z().tracker.match.mmrChange, 0.0f);

    // The next match: the update arrived within the 3 s.
    Host().World().mmr.syncing = false;
    Z().flags.matchActive = false;
    match.Fire(events::CountdownBeginState);
    match.Fire(events::MatchEnded);
    Host().World().mmr.syncing = true;
    Host().Advance(1.5);
    match.SetMmr(11, 1009.0f);
    Host().World().mmr.syncing = false;
    MarkLines();
    Host().Advance(1.5);
    EXPECT_EQ(NewLines().front(), "[METADATA] MMR Change: 9.000000 (Initial: 1000.000000, Final: 1009.000000)");
    EXPECT_FLOAT_EQ(Z().tracker.match.mmrChange, 9.0f);
}

TEST_F(MatchMetadata, NoMatchAtAllChangesNothing) {
    StartPlaying(&zando_test::RankedDoubles);
    Z().flags.matchActive = false;
    match.RemoveMatch();
    Z().tracker.match.playlistName = "Previous";
    MarkLines();
    match.Fire(events::CountdownBeginState);
    EXPECT_EQ(NewLines().back(), "[METADATA] Server is null, cannot capture match metadata");
    EXPECT_EQ(Z().tracker.match.playlistName, "Previous");
}

// A match that the game starts with its active state (no InitGame, no countdown first), after a
// match whose metadata was read: its own playlist and MMR are read at its first kickoff.
TEST_F(MatchMetadata, AMatchStartedByItsActiveStateReadsItsOwnMetadataAtItsFirstKickoff) {
    StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1012.5f);
    Z().flags.matchActive = false;
    match.Fire(events::CountdownBeginState);
    ASSERT_EQ(Z().tracker.match.playlistId, 11);
    match.Fire(events::MatchEnded);
    Host().Advance(3.0);
    ASSERT_FALSE(Z().flags.matchActive) << "the first match is over";

    const host::game::Playlist& duel = zando_test::RankedDuel;
    match.StartMatch(&duel);
    match.SetMmr(10, 640.0f);
    match.Fire(events::ActiveBeginState);
    ASSERT_TRUE(Z().flags.matchActive);
    MarkLines();
    match.Fire(events::CountdownBeginState);
    const Lines lines = NewLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "[COUNTDOWN] First kickoff of this match - reading match metadata");
    EXPECT_EQ(Z().tracker.match.playlistId, 10);
    EXPECT_FLOAT_EQ(Z().tracker.match.initialMmr, 640.0f);
}

TEST_F(MatchMetadata, TheFinalMmrIsAskedForThePlaylistOfTheMatchStart) {
    StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1012.5f);
    Z().flags.matchActive = false;
    match.Fire(events::CountdownBeginState);
    match.Fire(events::MatchEnded);
    const host::game::Playlist next{"Ranked Duel", 1, 10};
    match.StartMatch(&next);  // the game has moved on to another playlist
    match.SetMmr(10, 500.0f);
    match.SetMmr(11, 1000.0f);
    Host().Advance(3.0);
    EXPECT_FLOAT_EQ(Z().tracker.match.mmrChange, -12.5f);
}

TEST_F(MatchMetadata, AMatchFollowedSinceLoadOrInitGameReadsItsMetadataAtItsFirstKickoffOnly) {
    match.SetMmr(11, 1200.5f);
    for (const char* start : {"load", events::InitGame}) {
        StartPlaying(&zando_test::RankedDoubles);
        if (std::string(start) != "load") match.Fire(start);
        ASSERT_TRUE(Z().flags.matchActive);
        Z().tracker.match.initialMmr = 0.0f;
        MarkLines();
        match.Fire(events::CountdownBeginState);
        EXPECT_EQ(NewLines().at(1), "[COUNTDOWN] First kickoff of this match - reading match metadata") << start;
        EXPECT_FLOAT_EQ(Z().tracker.match.initialMmr, 1200.5f) << start;
        EXPECT_EQ(Z().tracker.match.playlistId, 11) << start;

        MarkLines();
        match.Fire(events::CountdownBeginState);  // the kickoff after a goal
        EXPECT_EQ(NewLines(), (Lines{"[COUNTDOWN] Countdown started - pausing stat tracking"})) << start;
    }
    // The end of such a match waits for the new MMR.
    match.Fire(events::MatchEnded);
    EXPECT_TRUE(Z().flags.awaitingMmrUpload);
}
