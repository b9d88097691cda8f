// What the history window and the card show of the history: the session per playlist, the filter,
// trend lines, averages and the zone totals of a range of matches, from rows written out here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "base/utc_timestamp.h"
#include "history/history_summary.h"

namespace {

zando::HistoryRow Match(int64_t id, int32_t playlist, const char* result, float mmrBefore, float change, int shots, int goals) {
    zando::HistoryRow row;
    row.id = id;
    row.playlistId = playlist;
    row.playlistName = playlist == 11 ? "Ranked Doubles" : "Ranked Standard";
    row.result = result;
    row.mmrBefore = mmrBefore;
    row.mmrChange = mmrBefore > 0.0f ? change : 0.0f;
    row.mmrAfter = mmrBefore > 0.0f ? mmrBefore + change : 0.0f;
    row.shots = shots;
    row.goals = goals;
    row.averageSpeed = 1000.0f + static_cast<float>(id);
    row.boostPerMinute = 200.0f + static_cast<float>(id);
    row.duration = 300.0f;
    row.possessionTime = 30.0f * static_cast<float>(id);
    const char* const ended[] = {"",
                                 "2026-12-07T18:39:59Z",
                                 "2026-12-07T19:40:00Z",
                                 "2026-12-07T19:48:10Z",
                                 "2026-12-07T20:30:00Z",
                                 "2026-12-07T21:29:59Z",
                                 "2026-12-07T21:36:40Z"};
    row.endedAt = ended[id];
    return row;
}

// The session: from 19:40 on; the first match ended more than an hour before the second.
const std::vector<zando::HistoryRow> Rows = {
    Match(1, 11, "win", 1000.0f, 9.0f, 3, 1),  // the evening before
    Match(2, 13, "loss", 800.0f, -8.5f, 5, 0),    Match(3, 11, "loss", 1009.0f, -10.0f, 2, 0),
    Match(4, 11, "forfeit", 999.0f, -7.0f, 1, 0), Match(5, 13, "win", 0.0f, 12.0f, 4, 2),  // no MMR read
    Match(6, 11, "", 992.0f, 11.5f, 6, 3),                                                 // no score read
};

}  // namespace

TEST(HistorySummary, UtcTimesAreReadToTheSecondAndAnythingElseIsRefused) {
    EXPECT_EQ(zando::UtcSeconds("1970-01-01T00:00:00Z"), 0);
    EXPECT_EQ(zando::UtcSeconds("2000-03-01T00:00:00Z"), 951868800);
    EXPECT_EQ(zando::UtcSeconds("2026-12-07T21:36:40Z"), 1796679400);
    EXPECT_EQ(zando::UtcSeconds("2024-02-29T23:59:59Z"), 1709251199);
    for (const char* bad : {"", "2026-12-07 21:36:40Z", "2026-12-07T21:36:40", "2026-13-07T21:36:40Z", "yesterday evening!!"})
        EXPECT_EQ(zando::UtcSeconds(bad), -1) << bad;
}

#if !defined(_WIN32)
// Shown to the player in the machine's zone, here two hours east of UTC, across a year's end.
TEST(HistorySummary, UtcTimesAreShownInTheMachinesZoneToTheMinute) {
    const char* const was = std::getenv("TZ");
    const std::string before = was ? was : "";
    ::setenv("TZ", "XST-2", 1);
    ::tzset();
    const std::pair<const char*, const char*> cases[] = {
        {"2026-12-07T21:36:40Z", "2026-12-07 23:36"}, {"2026-12-31T23:30:59Z", "2027-01-01 01:30"}, {"not a time", "not a time"}};
    for (const auto& [utc, local] : cases) EXPECT_EQ(zando::LocalMinuteText(utc), local) << utc;
    if (was)
        ::setenv("TZ", before.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}
#endif

TEST(HistorySummary, TheSessionCountsEachPlaylistsMatchesResultsAndMmrSinceTheLastHourLongBreak) {
    const int64_t now = zando::UtcSeconds("2026-12-07T22:00:00Z");
    const std::vector<zando::PlaylistSession> session = zando::SessionByPlaylist(Rows, now);
    ASSERT_EQ(session.size(), 2u);
    EXPECT_EQ(session[0].playlistId, 13) << "in the order first played this session";
    EXPECT_EQ(session[0].playlistName, "Ranked Standard");
    EXPECT_EQ(session[0].matches, 2);
    EXPECT_EQ(session[0].wins, 1);
    EXPECT_EQ(session[0].losses, 1);
    EXPECT_FLOAT_EQ(session[0].mmrGained, -8.5f) << "the match without an MMR read adds nothing";
    EXPECT_EQ(session[1].matches, 3);
    EXPECT_EQ(session[1].wins, 0);
    EXPECT_EQ(session[1].losses, 2) << "a forfeit is a loss; a match without a score is neither";
    EXPECT_FLOAT_EQ(session[1].mmrGained, -10.0f - 7.0f + 11.5f);
    EXPECT_TRUE(zando::SessionByPlaylist(Rows, zando::UtcSeconds("2026-12-07T22:36:40Z")).empty())
        << "an hour after the last match";
    EXPECT_EQ(zando::SessionByPlaylist(Rows, zando::UtcSeconds("2026-12-07T22:36:39Z")).size(), 2u);
}

TEST(HistorySummary, TrendsFollowTheFilterAndTheRange) {
    const std::vector<const zando::HistoryRow*> doubles = zando::OfPlaylist(Rows, 11);
    ASSERT_EQ(doubles.size(), 4u);
    EXPECT_EQ(doubles[3]->id, 6);
    EXPECT_EQ(zando::OfPlaylist(Rows, zando::AnyPlaylist).size(), 6u);
    EXPECT_TRUE(zando::OfPlaylist(Rows, 10).empty());

    const zando::Trends lastTwo = zando::TrendsOf(doubles, 2);
    EXPECT_EQ(lastTwo.mmr, (std::vector<float>{992.0f, 1003.5f}));
    EXPECT_EQ(lastTwo.shots, (std::vector<float>{1.0f, 6.0f}));
    EXPECT_EQ(lastTwo.goals, (std::vector<float>{0.0f, 3.0f}));
    EXPECT_EQ(lastTwo.averageSpeed, (std::vector<float>{1004.0f, 1006.0f}));
    const std::vector<const zando::HistoryRow*> all = zando::OfPlaylist(Rows, zando::AnyPlaylist);
    const zando::Trends everything = zando::TrendsOf(all, -1);
    EXPECT_EQ(everything.boostPerMinute.size(), 6u);
    EXPECT_EQ(everything.mmr.size(), 5u) << "the match without an MMR read has no point on the MMR line";
    EXPECT_EQ(zando::TrendsOf(all, 50).shots.size(), 6u) << "a range longer than the history takes it all";
}

TEST(HistorySummary, AveragesOfTheLastMatches) {
    const zando::FigureAverages none = zando::AveragesOf({});
    EXPECT_EQ(none.count, 0);
    const zando::FigureAverages last = zando::AveragesOf(std::span(Rows).subspan(4));
    EXPECT_EQ(last.count, 2);
    EXPECT_FLOAT_EQ(last.shots, 5.0f);
    EXPECT_FLOAT_EQ(last.goals, 2.5f);
    EXPECT_FLOAT_EQ(last.averageSpeed, 1005.5f);
    EXPECT_FLOAT_EQ(last.possessionPercent, (50.0f + 60.0f) / 2.0f);
}

TEST(HistorySummary, ZoneTotalsAddUpTheChosenMatchesAndSkipZonesOffTheGrid) {
    std::vector<zando::HistoryRow> rows(3);
    rows[0].shotZones = {{0, 0, 2}, {61, 49, 1}};
    rows[1].shotZones = {{0, 0, 3}, {62, 0, 7}, {5, -1, 7}, {10, 10, -4}};
    rows[1].goalZones = {{0, 0, 1}};
    rows[2].shotZones = {{30, 25, 9}};
    const std::vector<const zando::HistoryRow*> chosen = {&rows[0], &rows[1], &rows[2]};

    const zando::ZoneTotals firstTwo = zando::ZoneTotalsOf(chosen, 0, 1);
    EXPECT_EQ(firstTwo.matches, 2);
    EXPECT_EQ(firstTwo.shots[0][0], 5);
    EXPECT_EQ(firstTwo.shots[61][49], 1);
    EXPECT_EQ(firstTwo.goals[0][0], 1);
    EXPECT_EQ(firstTwo.shots[30][25], 0);
    EXPECT_EQ(firstTwo.peakShots, 5);
    EXPECT_EQ(firstTwo.shotTotal, 6);
    EXPECT_EQ(firstTwo.goalTotal, 1);

    const zando::ZoneTotals clamped = zando::ZoneTotalsOf(chosen, 2, 40);
    EXPECT_EQ(clamped.matches, 1);
    EXPECT_EQ(clamped.peakShots, 9);
    EXPECT_EQ(zando::ZoneTotalsOf({}, 0, 5).matches, 0);
}
