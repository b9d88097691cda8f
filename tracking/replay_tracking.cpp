// A recorded match fed to the match tracker frame by frame, in the order the game's hooks run: the
// kickoff countdowns pause the sampling, every frame with the player's car on the field is a tick,
// then the ball's touches, the ball entering a goal and the stat ticker's messages of that frame.
#include "tracking/replay_tracking.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "replay/replay_players.h"

namespace zando {

namespace {

Vector VectorOf(const replay::Vec3& v) { return {v.x, v.y, v.z}; }

// The game modes played on another field or with another ball: their shots and goals are not on the
// soccar field the zone grid divides.
bool OtherGameMode(int playlistId) {
    switch (playlistId) {
    case 15:
    case 16:
    case 17:
    case 18:
    case 23:
    case 27:
    case 28:
    case 29:
    case 30:  // clang-format off
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string ReplayNotTracked(const replay::Replay& replay, int player) {
    if (replay.header.gameClass != "TAGame.Replay_Soccar_TA") return "another game mode (" + replay.header.gameClass + ")";
    if (OtherGameMode(replay.match.playlist)) return "another game mode (" + replay::PlaylistTitle(replay.match.playlist) + ")";
    // Rocket Labs', Hoops' and Dropshot's fields are not the soccar field the zone grid divides.
    const std::string& map = replay.header.mapName;
    for (const char* field : {"Labs_", "Hoops", "ShatterShot"})
        if (map.rfind(field, 0) == 0) return "another game mode (played on " + map + ")";
    if (player < 0) return "you are not in it";
    return {};
}

int ReplayPlayerByAccount(const replay::Replay& replay, unsigned long long account) {
    if (account == 0) return -1;
    for (const int p : replay::ReplayParticipants(replay)) {
        const replay::MatchPlayer& player = replay.match.players[static_cast<std::size_t>(p)];
        if (player.hasId && player.id.text.empty() && player.id.number == account) return p;
    }
    return -1;
}

std::optional<std::string> ReplayDateText(const std::string& date) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char end = 0;
    if (std::sscanf(date.c_str(), "%4d-%2d-%2d %2d-%2d-%2d%c", &year, &month, &day, &hour, &minute, &second, &end) != 6)
        return std::nullopt;
    if (year < 2015 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, hour, minute, second);
    return std::string(text);
}

MatchRecord TrackReplayMatch(const replay::Replay& replay, const replay::MatchEvents& events, int player, ZoneFunction zoneOf) {
    const replay::MatchFrames& match = replay.match;
    const replay::MatchPlayer& me = match.players[static_cast<std::size_t>(player)];
    MatchTracker tracker(zoneOf);
    tracker.ClearFigures();
    tracker.match.playlistId = events.playlistId >= 0 ? events.playlistId : 0;
    tracker.match.playlistName = replay::PlaylistTitle(events.playlistId);
    tracker.match.isRanked = replay::RankedPlaylist(events.playlistId);

    std::vector<CarPlace> cars;
    Vector ball;
    double clock = 0.0;
    bool paused = true;  // until the first kickoff ends, as a new match is followed
    replay::Phase before = replay::Phase::Unknown;
    std::size_t ticker = 0;
    for (std::size_t f = 0; f < match.frames.size(); ++f) {
        const replay::GameFrame& game = match.frames[f];
        if (f > 0 && replay::ClockRuns(match, f)) clock += game.delta;
        const float now = static_cast<float>(clock);
        if (game.ballPresent) ball = VectorOf(game.ball);
        const replay::Phase phase = replay::PhaseOf(match, f);
        if (f == 0 || phase != before) {
            if (phase == replay::Phase::Countdown) {
                paused = true;
                tracker.sampling.lastBoostAmount = -1.0f;  // the kickoff refills the tank: not a pickup
            } else if (phase == replay::Phase::Active && (before == replay::Phase::Countdown || f == 0)) {
                paused = false;
            }
        }
        before = phase;

        const replay::PlayerFrame& mine = me.frames[f];
        const std::optional<Vector> car = mine.onField ? std::optional(VectorOf(mine.location)) : std::nullopt;
        bool anyCar = false;
        for (const int p : events.participants) anyCar = anyCar || match.OnField(p, f);
        if (anyCar && !paused) {
            TickView view;
            view.now = now;
            view.car = car;
            view.carTeam = me.team;
            if (car) view.boost = std::clamp(mine.boost, 0.0f, 1.0f);
            if (game.ballPresent) view.ball = ball;
            if (view.car && view.ball && tracker.SamplesPossessionAt(now)) {
                cars.clear();
                for (const int p : events.participants)
                    if (match.OnField(p, f))
                        cars.push_back({VectorOf(match.players[static_cast<std::size_t>(p)].frames[f].location),
                                        match.players[static_cast<std::size_t>(p)].team});
                view.cars = cars;
            }
            tracker.Tick(view);
        }
        if (car)
            for (const int p : events.touches[f]) tracker.Touch({now, *car, p == player});

        const bool goal = std::find(events.goalFrames.begin(), events.goalFrames.end(), static_cast<int>(f)) != events.goalFrames.end();
        bool ballInGoalSeen = false;
        const auto ballInGoal = [&] {
            ballInGoalSeen = true;
            if (car) tracker.GoalHit({now, ball, me.team});
        };
        for (; ticker < events.messages.size() && events.messages[ticker].frame <= static_cast<int>(f); ++ticker) {
            const replay::StatMessage& message = events.messages[ticker];
            const std::string label = message.label;
            if (goal && !ballInGoalSeen && label == "Goal") ballInGoal();
            if (message.player != player) continue;
            if (label == "Save" || label == "Assist") {
                tracker.Count(label == "Save" ? MatchTracker::Credit::Save : MatchTracker::Credit::Assist);
                continue;
            }
            if (label != "Shot on Goal" && label != "Goal") continue;
            StatView view;
            view.kind = label == "Goal" ? StatView::Kind::Goal : StatView::Kind::Shot;
            view.now = now;
            view.team = me.team;
            view.car = car;
            if (game.ballPresent) view.ball = ball;
            tracker.Stat(view);
        }
        if (goal) {
            if (!ballInGoalSeen) ballInGoal();
            paused = false;  // the goal's replay is followed as play, as the score's update says
        }
    }

    MatchRecord record = tracker.match;
    record.overtime = events.overtime;
    if (me.team == 0 || me.team == 1) record.team = me.team;
    record.finalScore = std::array<int32_t, 2>{events.goals[0], events.goals[1]};
    record.left = !events.finished;
    return record;
}

}  // namespace zando
