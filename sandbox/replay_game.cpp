// Turning a replay's frames into the host's modelled game, event by event, and the figures to hold the
// plug-in's to.
#include "sandbox/replay_game.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace sandbox {

namespace {

using replay::Distance;
using replay::Length;
using replay::MatchFrames;
using replay::Vec3;

constexpr float PossessionRadius = 400.0f;  // units: as the plug-in, the nearest car must be this close
constexpr double EndIdleSeconds = 4.0;      // the podium after the end: long enough for the plug-in's wait for the rating
constexpr double MenuSeconds = 1.0;

double Micro(double seconds) { return std::round(seconds * 1e6) / 1e6; }

}  // namespace

ReplayGame::ReplayGame(const replay::Replay& replay, int player)
    : replay_(replay), player_(player), events_(replay::DeriveMatchEvents(replay)) {
    carOfPlayer_.assign(replay.match.players.size(), -1);
    for (std::size_t i = 0; i < events_.participants.size(); ++i)
        carOfPlayer_[static_cast<std::size_t>(events_.participants[i])] = static_cast<int>(i);
    ComputeTruth();
}

void ReplayGame::ComputeTruth() {
    const MatchFrames& match = replay_.match;
    const replay::MatchPlayer& me = match.players[static_cast<std::size_t>(player_)];
    truth_.player = player_;
    truth_.name = me.name;
    truth_.id = me.hasId ? me.id.Text() : std::string();
    truth_.team = me.team;
    truth_.bot = me.bot;
    if (const replay::ScoreboardLine* line = replay::ScoreboardLineOf(replay_, player_)) {
        truth_.onScoreboard = true;
        truth_.score = line->score;
        truth_.goals = line->goals;
        truth_.shots = line->shots;
        truth_.saves = line->saves;
        truth_.assists = line->assists;
    }
    for (const replay::StatMessage& ticker : events_.messages) {
        if (ticker.player != player_) continue;
        const std::string label = ticker.label;
        if (label == "Shot on Goal") ++truth_.shotsPlayed;
        if (label == "Goal") ++truth_.goalsPlayed;
        if (label == "Save") ++truth_.savesPlayed;
        if (label == "Assist") ++truth_.assistsPlayed;
    }
    double speedTime = 0.0;
    for (std::size_t f = 1; f < match.frames.size(); ++f) {
        const replay::PlayerFrame& now = me.frames[f];
        const replay::PlayerFrame& before = me.frames[f - 1];
        if (!now.onField || !before.onField) continue;
        const float rise = now.boost - before.boost;
        if (rise > 0.0f)
            truth_.boostCollected += rise * 100.0;
        else
            truth_.boostUsed -= rise * 100.0;
        if (!replay::ClockRuns(match, f)) continue;
        const double dt = match.frames[f].delta;
        truth_.playSeconds += dt;
        speedTime += Length(now.velocity) * dt;
        const replay::GameFrame& game = match.frames[f];
        if (!game.ballPresent) continue;
        float nearest = PossessionRadius;
        int nearestTeam = -1;
        for (const int p : events_.participants) {
            if (!match.OnField(p, f)) continue;
            const float d = Distance(match.players[static_cast<std::size_t>(p)].frames[f].location, game.ball);
            if (d < nearest) {
                nearest = d;
                nearestTeam = match.players[static_cast<std::size_t>(p)].team;
            }
        }
        if (nearestTeam == me.team) truth_.possessionSeconds += dt;
    }
    truth_.averageSpeed = truth_.playSeconds > 0.0 ? speedTime / truth_.playSeconds : 0.0;
    for (const replay::Demolition& demolition : match.demolitions) {
        if (demolition.attacker == player_) ++truth_.demolitions;
        if (demolition.victim == player_) ++truth_.demolished;
    }
}

void ReplayGame::Play(const Sink& sink) const {
    const MatchFrames& match = replay_.match;
    if (match.frames.empty()) return;
    const double start = match.frames.front().time;
    double now = 0.0;
    const auto emit = [&](RecordBody body) { sink(TraceRecord{now, std::move(body)}); };
    const auto event = [&](GameEvent e, int car = -1) {
        record::Event body;
        body.event = e;
        body.car = car;
        emit(body);
    };

    // The match and its cars, each where it first shows.
    host::game::Playlist playlist;
    playlist.id = match.playlist;
    playlist.title = PlaylistTitle(match.playlist);
    playlist.ranked = RankedPlaylist(match.playlist) ? 1 : 0;
    emit(record::Match{match.playlist >= 0 ? std::optional(playlist) : std::nullopt,
                       replay_.header.matchType != "Private" && replay_.header.matchType != "Offline"});
    std::vector<Vector> shown(events_.participants.size());
    std::vector<float> tank(events_.participants.size(), 1.0f / 3.0f);
    for (std::size_t c = 0; c < events_.participants.size(); ++c) {
        const replay::MatchPlayer& p = match.players[static_cast<std::size_t>(events_.participants[c])];
        for (const replay::PlayerFrame& f : p.frames)
            if (f.onField) {
                shown[c] = {f.location.x, f.location.y, f.location.z};
                break;
            }
        emit(record::Car{p.team, p.name, events_.participants[c] == player_, shown[c], 1.0f / 3.0f});
    }
    double clock = 0.0;
    const auto state = [&](std::size_t f) {
        record::State s;
        s.clock = static_cast<float>(Micro(clock));
        s.overtime = match.frames[f].overtime;
        const replay::GameFrame& game = match.frames[f];
        if (game.ballPresent)
            s.ball = Vector{game.ball.x, game.ball.y, game.ball.z};
        else
            s.removeBall = true;
        for (std::size_t c = 0; c < events_.participants.size(); ++c) {
            const replay::PlayerFrame& car = match.players[static_cast<std::size_t>(events_.participants[c])].frames[f];
            if (car.onField) {
                shown[c] = {car.location.x, car.location.y, car.location.z};
                tank[c] = std::clamp(car.boost, 0.0f, 1.0f);
            }
            s.cars.push_back({shown[c], tank[c], !car.onField});
        }
        emit(s);
    };
    state(0);
    event(GameEvent::InitGame);

    std::size_t ticker = 0;
    replay::Phase before = replay::Phase::Unknown;
    for (std::size_t f = 0; f < match.frames.size(); ++f) {
        now = std::max(now, Micro(match.frames[f].time - start));
        if (f > 0 && replay::ClockRuns(match, f)) clock += match.frames[f].delta;
        const replay::Phase phase = replay::PhaseOf(match, f);
        state(f);
        if (f == 0 || phase != before) {
            if (phase == replay::Phase::Countdown) {
                event(GameEvent::CountdownBeginState);
            } else if (phase == replay::Phase::Active && (before == replay::Phase::Countdown || f == 0)) {
                if (f == 0) event(GameEvent::CountdownBeginState);  // the recording began in play
                event(GameEvent::CountdownEndState);
                event(GameEvent::ActiveBeginState);
            }
        }
        before = phase;
        for (std::size_t c = 0; c < events_.participants.size(); ++c)
            if (match.OnField(events_.participants[c], f)) event(GameEvent::CarSetInput, static_cast<int>(c));
        for (const int p : events_.touches[f]) event(GameEvent::CarHitBall, carOfPlayer_[static_cast<std::size_t>(p)]);
        const bool goal =
            std::find(events_.goalFrames.begin(), events_.goalFrames.end(), static_cast<int>(f)) != events_.goalFrames.end();
        bool ballInGoalFired = false;
        for (; ticker < events_.messages.size() && events_.messages[ticker].frame <= static_cast<int>(f); ++ticker) {
            const replay::StatMessage& t = events_.messages[ticker];
            if (goal && !ballInGoalFired && std::string(t.label) == "Goal") {
                event(GameEvent::BallHitGoal);
                ballInGoalFired = true;
            }
            record::Event message;
            message.event = GameEvent::StatTickerMessage;
            message.receiver = carOfPlayer_[static_cast<std::size_t>(t.player)];
            message.label = t.label;
            emit(message);
        }
        if (goal) {
            if (!ballInGoalFired) event(GameEvent::BallHitGoal);
            event(GameEvent::ScoreUpdated);
        }
        emit(record::Frame{});
    }

    // The end: the winner and the end of the match, the podium, then back to the menu.
    const double last = now;
    const double frameStep = 1.0 / 30.0;
    const auto idle = [&](double seconds) {
        for (int i = 1; i <= static_cast<int>(std::lround(seconds / frameStep)); ++i) {
            now = Micro(last + i * frameStep);
            emit(record::Frame{});
        }
    };
    if (events_.finished) {
        event(GameEvent::MatchWinnerSet);
        event(GameEvent::MatchEnded);
        idle(EndIdleSeconds);
    }
    event(GameEvent::MatchDestroyed);
    emit(record::RemoveMatch{});
    const double gone = now;
    for (int i = 1; i <= static_cast<int>(std::lround(MenuSeconds / frameStep)); ++i) {
        now = Micro(gone + i * frameStep);
        emit(record::Frame{});
    }
}

}  // namespace sandbox
