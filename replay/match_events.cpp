// What the game's hooks would have said of a recorded match, from its frames.
#include "replay/match_events.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "replay/replay_players.h"

namespace replay {

namespace {

constexpr float TouchReach = 250.0f;    // units from the car's centre to the ball's: a car this close can touch it
constexpr float TouchKick = 200.0f;     // units/s: a change of the ball's velocity from one frame to the next
constexpr int TouchRepeatFrames = 6;    // a car's touches closer together than this are one
constexpr int CreditSearchFrames = 90;  // frames before a shot or goal to look for the player's touch
constexpr float CreditReach = 375.0f;   // units: the player's car near enough the ball for that touch
constexpr int GoalCounterFrames = 60;   // a scorer's counter rises within this many frames of the team's

}  // namespace

Phase PhaseOf(const MatchFrames& match, std::size_t frame) {
    const int state = match.frames[frame].state;
    if (state < 0) return Phase::Unknown;
    const std::string& name = match.stateNames[static_cast<std::size_t>(state)];
    if (name == "Countdown") return Phase::Countdown;
    if (name == "Active") return Phase::Active;
    if (name == "PostGoalScored") return Phase::PostGoal;
    return Phase::Unknown;
}

bool ClockRuns(const MatchFrames& match, std::size_t frame) {
    return PhaseOf(match, frame) == Phase::Active && match.frames[frame].ballHasBeenHit;
}

MatchEvents DeriveMatchEvents(const Replay& replay) {
    MatchEvents events;
    const MatchFrames& match = replay.match;
    events.participants = ReplayParticipants(replay);
    std::vector<bool> participates(match.players.size(), false);
    for (const int p : events.participants) participates[static_cast<std::size_t>(p)] = true;
    const std::size_t frames = match.frames.size();
    events.touches.assign(frames, {});
    if (frames == 0) return events;

    // The ball's touches: its velocity changes from one frame to the next, a car at reach of it.
    std::vector<int> lastTouchOf(match.players.size(), -1000);
    for (std::size_t f = 1; f < frames; ++f) {
        const GameFrame& now = match.frames[f];
        const GameFrame& before = match.frames[f - 1];
        if (!now.ballPresent || !before.ballPresent) continue;
        const Vec3 change{now.ballVelocity.x - before.ballVelocity.x, now.ballVelocity.y - before.ballVelocity.y,
                          now.ballVelocity.z - before.ballVelocity.z};
        if (Length(change) < TouchKick) continue;
        int nearest = -1;
        float best = TouchReach;
        for (const int p : events.participants) {
            if (!match.OnField(p, f)) continue;
            const float d = std::min(Distance(match.players[static_cast<std::size_t>(p)].frames[f].location, now.ball),
                                     Distance(match.players[static_cast<std::size_t>(p)].frames[f - 1].location, before.ball));
            if (d < best) {
                best = d;
                nearest = p;
            }
        }
        if (nearest < 0 || static_cast<int>(f) - lastTouchOf[static_cast<std::size_t>(nearest)] < TouchRepeatFrames) continue;
        lastTouchOf[static_cast<std::size_t>(nearest)] = static_cast<int>(f);
        events.touches[f].push_back(nearest);
    }

    // The game's counters, rise by rise.
    struct Rise {
        int frame;
        int player;
        Stat stat;
        bool used = false;
    };
    std::vector<Rise> rises;
    std::map<std::pair<int, int>, int> counters;
    for (const StatChange& change : match.stats) {
        if (change.player < 0 || !participates[static_cast<std::size_t>(change.player)]) continue;
        int& value = counters[{change.player, static_cast<int>(change.stat)}];
        for (int v = value; v < change.value; ++v) rises.push_back({change.frame, change.player, change.stat});
        value = std::max(value, change.value);
    }

    // Each team goal with its scorer's and assister's counters; the scorer from the header when the
    // recording stopped before the counter rose.
    std::vector<int> teamGoals(2, 0);
    for (const TeamGoals& goal : match.teamGoals) {
        if (goal.goals <= teamGoals[static_cast<std::size_t>(goal.team)]) continue;
        teamGoals[static_cast<std::size_t>(goal.team)] = goal.goals;
        events.goalFrames.push_back(goal.frame);
        const auto claim = [&](Stat stat) -> int {
            for (Rise& rise : rises)
                if (!rise.used && rise.stat == stat && std::abs(rise.frame - goal.frame) <= GoalCounterFrames &&
                    match.players[static_cast<std::size_t>(rise.player)].team == goal.team) {
                    rise.used = true;
                    return rise.player;
                }
            return -1;
        };
        int scorer = claim(Stat::Goals);
        if (scorer < 0 && static_cast<int>(frames) - goal.frame <= GoalCounterFrames * 4) {
            for (auto line = replay.header.goals.rbegin(); line != replay.header.goals.rend(); ++line)
                if (line->team == goal.team) {
                    scorer = FindReplayPlayer(replay, line->player);
                    events.endsOnGoal = true;
                    events.endsOnGoalScorer = line->player;
                    break;
                }
        }
        if (scorer >= 0) events.messages.push_back({goal.frame, scorer, "Goal"});
        if (const int assister = claim(Stat::Assists); assister >= 0) events.messages.push_back({goal.frame, assister, "Assist"});
    }
    events.goals[0] = teamGoals[0];
    events.goals[1] = teamGoals[1];
    for (const Rise& rise : rises) {
        if (rise.used) continue;
        switch (rise.stat) {
        case Stat::Shots: events.messages.push_back({rise.frame, rise.player, "Shot on Goal"}); break;
        case Stat::Saves: events.messages.push_back({rise.frame, rise.player, "Save"}); break;
        case Stat::Goals: events.messages.push_back({rise.frame, rise.player, "Goal"}); break;  // no team goal beside it
        case Stat::Assists: events.messages.push_back({rise.frame, rise.player, "Assist"}); break;
        case Stat::Score: break;
        }
    }
    // Shots and saves first in a frame, then the goal's messages, as the game shows them.
    const auto rank = [](const char* label) {
        return std::string(label) == "Shot on Goal" || std::string(label) == "Save" ? 0 : 1;
    };
    std::stable_sort(events.messages.begin(), events.messages.end(), [&](const StatMessage& a, const StatMessage& b) {
        return a.frame != b.frame ? a.frame < b.frame : rank(a.label) < rank(b.label);
    });

    // A shot or goal is the shooter's touch: where the frames showed no touch of theirs since another
    // car's, the shooter's nearest approach to the ball since is one; failing that, their own touch
    // before the other car's (the counter rises late, and another car may touch a shot on its way).
    // A touch is never made up at a frame without the shooter's car.
    for (const StatMessage& ticker : events.messages) {
        const std::string label = ticker.label;
        if (label != "Shot on Goal" && label != "Goal") continue;
        const int first = std::max(0, ticker.frame - CreditSearchFrames);
        const auto touched = [&](int f, int player) {
            const std::vector<int>& by = events.touches[static_cast<std::size_t>(f)];
            return player < 0 ? !by.empty() : std::find(by.begin(), by.end(), player) != by.end();
        };
        int lastFrame = -1;
        for (int f = ticker.frame; f >= first && lastFrame < 0; --f)
            if (touched(f, -1)) lastFrame = f;
        if (lastFrame >= 0 && events.touches[static_cast<std::size_t>(lastFrame)].back() == ticker.player) continue;
        int at = -1;
        for (int f = ticker.frame; f > lastFrame && f >= first && at < 0; --f) {
            const auto frame = static_cast<std::size_t>(f);
            if (match.OnField(ticker.player, frame) && match.frames[frame].ballPresent &&
                Distance(match.players[static_cast<std::size_t>(ticker.player)].frames[frame].location,
                         match.frames[frame].ball) < CreditReach)
                at = f;
        }
        bool ownEarlier = false;
        for (int f = lastFrame; at < 0 && f >= first && !ownEarlier; --f) ownEarlier = touched(f, ticker.player);
        if (at < 0 && !ownEarlier && match.OnField(ticker.player, static_cast<std::size_t>(ticker.frame))) at = ticker.frame;
        if (at >= 0) events.touches[static_cast<std::size_t>(at)].push_back(ticker.player);
    }

    // How the recording ends: at the end of regulation with a winner, or on overtime's goal.
    const GameFrame& last = match.frames.back();
    bool overtimeGoal = false;
    for (const int f : events.goalFrames)
        if (match.frames[static_cast<std::size_t>(f)].overtime) overtimeGoal = true;
    events.overtime = std::any_of(match.frames.begin(), match.frames.end(), [](const GameFrame& g) { return g.overtime; });
    // The game's recording can stop on the last second's tick, before the clock shows 0.
    events.finished =
        last.matchEnded ||
        (last.secondsRemaining >= 0 && last.secondsRemaining <= 1 && !last.overtime && events.goals[0] != events.goals[1]) ||
        overtimeGoal;
    events.playlistId = match.playlist;
    double clock = 0.0;
    for (std::size_t f = 1; f < frames; ++f)
        if (ClockRuns(match, f)) clock += match.frames[f].delta;
    events.clock = clock;
    return events;
}

}  // namespace replay
