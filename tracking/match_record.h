// MatchRecord: one match's figures and metadata as the statistics file, the history and the upload
// take them. The plug-in follows the match in one (its figures cleared by ResetStats, its metadata
// kept); the end of a match takes a copy, so a reset or a new match during the wait for the new MMR
// cannot change what is written and sent for the match that ended.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/grid.h"
#include "base/shot_place.h"

// What ResetStats clears: the figures counted and sampled in the match.
struct MatchFigures {
    int32_t shots = 0;                    // shots counted
    int32_t goals = 0;                    // goals counted
    float speedSum = 0.0f;                // sum of speed samples, units per second
    int32_t speedSamples = 0;             // number of speed samples
    float boostCollected = 0.0f;          // pad units: 12 per small pad, 100 per large pad
    float boostUsed = 0.0f;               // percent points of the tank
    float gameTime = 0.0f;                // seconds of match time covered by possession sampling
    float possessionTime = 0.0f;          // seconds the car nearest the ball was on the player's team
    float teamPossessionTime = 0.0f;      // seconds; grows with possessionTime
    float opponentPossessionTime = 0.0f;  // seconds the nearest car was on the other team
    Grid<float> shotHeatmap;              // shot heat, 5.0 per shot (sized by the plug-in's load and resets)
    Grid<int32_t> goalHeatmap;            // goals per zone
    int32_t playlistId = 0;               // playlist id the MMR is asked for (read again for each match)
    // For the match history only (not written to the statistics file nor sent).
    float supersonicTime = 0.0f;                       // seconds of gameTime at the supersonic speed or faster
    float emptyTankTime = 0.0f;                        // seconds of gameTime with no boost
    float fullTankTime = 0.0f;                         // seconds of gameTime with a full tank
    int32_t team = -1;                                 // the local car's team at the latest sample, 0 or 1; -1 unknown
    bool overtime = false;                             // the match was decided in overtime
    std::optional<std::array<int32_t, 2>> finalScore;  // blue's and orange's goals at the end, when the game gave them
    // The stat ticker's other credits of the player.
    int32_t saves = 0;
    int32_t assists = 0;
    int32_t demolitions = 0;        // cars the player demolished
    int32_t demolished = 0;         // times the player's car was demolished
    std::vector<ShotPlace> places;  // each counted shot and goal, in the order counted

    bool operator==(const MatchFigures&) const = default;
};

// What ResetStats keeps: read when the match started.
struct MatchStartInfo {
    std::string playlistName = "Unknown";  // playlist of the match
    bool isRanked = false;
    float initialMmr = 0.0f;  // MMR when the match started; above 0 delays the match end by 3 s
    float mmrChange = 0.0f;   // final MMR minus initialMmr
    int64_t startedAt = 0;    // when the match began, Unix seconds (UTC); 0 when unknown
    std::string matchId;      // the match's own id (32 hexadecimal digits; an imported replay's, its id)

    bool operator==(const MatchStartInfo&) const = default;
};

// How the match ended for the player: the score from their side, when the game gave it and their
// team is known, and the result ("win" or "loss" by that score, "forfeit" when they left before the
// end; empty when neither is known).
struct MatchOutcome {
    std::optional<int32_t> scoreFor, scoreAgainst;
    std::string result;
};

struct MatchRecord : MatchFigures, MatchStartInfo {
    bool left = false;  // the match was left before its end

    float AverageSpeed() const { return speedSamples >= 1 ? speedSum / static_cast<float>(speedSamples) : 0.0f; }
    MatchOutcome Outcome() const {
        MatchOutcome outcome;
        if (finalScore && (team == 0 || team == 1)) {
            outcome.scoreFor = (*finalScore)[static_cast<std::size_t>(team)];
            outcome.scoreAgainst = (*finalScore)[static_cast<std::size_t>(1 - team)];
        }
        if (left)
            outcome.result = "forfeit";
        else if (outcome.scoreFor && *outcome.scoreFor != *outcome.scoreAgainst)
            outcome.result = *outcome.scoreFor > *outcome.scoreAgainst ? "win" : "loss";
        return outcome;
    }
    bool operator==(const MatchRecord&) const = default;
};
