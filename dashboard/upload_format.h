// What the plug-in uploads: one finished match as a JSON object, read and checked field by field, in
// either format (base/upload_contract.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/shot_place.h"
#include "base/upload_contract.h"

namespace dashboard {

inline constexpr int UploadGridSize = zando::upload::BlocksPerSide;  // 10 x 10 blocks of the 62 x 50 zones

template <class Cell>
using UploadGrid = std::array<std::array<Cell, UploadGridSize>, UploadGridSize>;

// What the whole match adds to the defined body.
struct WholeMatchPart {
    std::string matchId;
    std::string startedAt;    // "2026-03-01T18:04:09Z"; empty when unknown
    std::optional<int> team;  // 0 blue, 1 orange
    std::optional<int64_t> scoreFor, scoreAgainst;
    std::string result;  // "win", "loss", "forfeit"; empty when unknown
    bool overtime = false;
    int64_t saves = 0, assists = 0, demolitions = 0, demolished = 0;
    std::vector<ShotPlace> places;
    bool operator==(const WholeMatchPart&) const = default;
};

// One match as the plug-in sent it, with the units the plug-in uses.
struct UploadedMatch {
    std::string timestamp;                // when the plug-in sent it (ISO 8601 UTC); taken at each attempt
    int64_t shots = 0;                    // shots on goal by the player
    int64_t goals = 0;                    // goals by the player
    double averageSpeed = 0.0;            // game units per second
    int64_t speedSamples = 0;             // samples behind the average
    double boostCollected = 0.0;          // boost units
    double boostUsed = 0.0;               // boost units
    double gameTime = 0.0;                // s
    double possessionTime = 0.0;          // s the player held the ball
    double teamPossessionTime = 0.0;      // s
    double opponentPossessionTime = 0.0;  // s
    std::string playlist;                 // the game's title of the playlist
    bool isRanked = false;
    double mmr = 0.0;                     // rating at the match's start (0: none read)
    double mmrChange = 0.0;               // rating gained (negative: lost)
    UploadGrid<double> shotHeatmap{};     // mean heat of each block
    UploadGrid<int64_t> goalHeatmap{};    // whole mean of goals in each block
    std::string fingerprint;              // the match's identity: SHA-256 of the content apart from its times and id
    std::optional<WholeMatchPart> whole;  // none for a match sent in the defined format
};

// A body read: the match, or what is wrong with it in words a client's developer can act on.
struct UploadReading {
    std::optional<UploadedMatch> match;
    std::string error;
};

// The defined body; the whole match.
UploadReading ReadUpload(std::string_view body);
UploadReading ReadWholeMatch(std::string_view body);

// The whole match's part as the storage keeps it (JSON, the body's own fields), and read back (none
// for a text that is not one).
std::string WholeMatchText(const WholeMatchPart& whole);
std::optional<WholeMatchPart> WholeMatchFromText(std::string_view text);

}  // namespace dashboard
