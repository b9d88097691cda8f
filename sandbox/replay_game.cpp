// Turning a replay's frames into the host's modelled game, event by event, and the figures to hold the
// plug-in's to.
#include "sandbox/replay_game.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace sandbox {

namespace {

using replay::MatchFrames;
using replay::Vec3;

constexpr float TouchReach = 250.0f;        // units from the car's centre to the ball's: a car this close can touch it
constexpr float TouchKick = 200.0f;         // units/s: a change of the ball's velocity from one frame to the next
constexpr int TouchRepeatFrames = 6;        // a car's touches closer together than this are one
constexpr int CreditSearchFrames = 90;      // frames before a shot or goal to look for the player's touch
constexpr float CreditReach = 375.0f;       // units: the player's car near enough the ball for that touch
constexpr int GoalCounterFrames = 60;       // a scorer's counter rises within this many frames of the team's
constexpr float PossessionRadius = 400.0f;  // units: as the plug-in, the nearest car must be this close
constexpr double EndIdleSeconds = 4.0;      // the podium after the end: long enough for the plug-in's wait for the rating
constexpr double MenuSeconds = 1.0;

double Micro(double seconds) { return std::round(seconds * 1e6) / 1e6; }

float Distance(const Vec3& a, const Vec3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

enum class Phase { Unknown, Countdown, Active, PostGoal };

Phase PhaseOf(const MatchFrames& match, std::size_t frame) {
    const int state = match.frames[frame].state;
    if (state < 0) return Phase::Unknown;
    const std::string& name = match.stateNames[static_cast<std::size_t>(state)];
    if (name == "Countdown") return Phase::Countdown;
    if (name == "Active") return Phase::Active;
    if (name == "PostGoalScored") return Phase::PostGoal;
    return Phase::Unknown;
}

// The match clock runs in play after the kickoff's first touch.
bool ClockRuns(const MatchFrames& match, std::size_t frame) {
    return PhaseOf(match, frame) == Phase::Active && match.frames[frame].ballHasBeenHit;
}

bool OnField(const MatchFrames& match, int player, std::size_t frame) {
    return match.players[static_cast<std::size_t>(player)].frames[frame].onField;
}

// The game's system number for a scoreboard platform name.
int SystemOfPlatform(const std::string& platform) {
    if (platform == "OnlinePlatform_Steam") return 1;
    if (platform == "OnlinePlatform_PS4") return 2;
    if (platform == "OnlinePlatform_Dingo") return 4;
    if (platform == "OnlinePlatform_Switch") return 6;
    if (platform == "OnlinePlatform_Epic") return 11;
    return -1;
}

// The header's scoreboard line of a player: by platform id where the header gives a number, else by name.
const replay::ScoreboardLine* ScoreboardLineOf(const replay::Replay& replay, int player) {
    const replay::MatchPlayer& p = replay.match.players[static_cast<std::size_t>(player)];
    for (const auto& line : replay.header.scoreboard)
        if (line.onlineId != 0 && p.hasId && p.id.number == line.onlineId && SystemOfPlatform(line.platform) == p.id.system)
            return &line;
    for (const auto& line : replay.header.scoreboard)
        if (line.onlineId == 0 && line.name == p.name) return &line;
    return nullptr;
}

}  // namespace

std::vector<int> ReplayParticipants(const replay::Replay& replay) {
    std::vector<int> participants;
    const MatchFrames& match = replay.match;
    for (std::size_t p = 0; p < match.players.size(); ++p) {
        const replay::MatchPlayer& player = match.players[p];
        if (player.team != 0 && player.team != 1) continue;
        if (std::any_of(player.frames.begin(), player.frames.end(), [](const replay::PlayerFrame& f) { return f.onField; }))
            participants.push_back(static_cast<int>(p));
    }
    return participants;
}

int FindReplayPlayer(const replay::Replay& replay, const std::string& nameOrId) {
    const std::vector<int> participants = ReplayParticipants(replay);
    for (const int p : participants) {
        const replay::MatchPlayer& player = replay.match.players[static_cast<std::size_t>(p)];
        const std::string id = player.id.Text();
        const std::string bare = id.substr(id.find(':') + 1);
        if (player.name == nameOrId || (player.hasId && (id == nameOrId || bare == nameOrId))) return p;
    }
    // The header's name of a player, which can differ from the frames'.
    for (const int p : participants) {
        const replay::ScoreboardLine* line = ScoreboardLineOf(replay, p);
        if (line && line->name == nameOrId) return p;
    }
    return -1;
}

int RecordingPlayer(const replay::Replay& replay) {
    if (!replay.header.recordedBy.empty())
        if (const int p = FindReplayPlayer(replay, replay.header.recordedBy); p >= 0) return p;
    for (const int p : ReplayParticipants(replay))
        if (!replay.match.players[static_cast<std::size_t>(p)].bot) return p;
    return -1;
}

std::string PlaylistTitle(int playlistId) {
    static const std::map<int, const char*> titles = {
        {1, "Duel"},
        {2, "Doubles"},
        {3, "Standard"},
        {4, "Chaos"},
        {6, "Private Match"},
        {8, "Exhibition"},
        {10, "Ranked Duel"},
        {11, "Ranked Doubles"},
        {13, "Ranked Standard"},
        {15, "Snow Day"},
        {16, "Rocket Labs"},
        {17, "Hoops"},
        {18, "Rumble"},
        {22, "Tournament"},
        {23, "Dropshot"},
        {27, "Ranked Hoops"},
        {28, "Ranked Rumble"},
        {29, "Ranked Dropshot"},
        {30, "Ranked Snow Day"},
        {34, "Tournament"},
    };
    const auto found = titles.find(playlistId);
    return found != titles.end() ? found->second
                                 : (playlistId < 0 ? std::string("Unknown") : "Playlist " + std::to_string(playlistId));
}

bool RankedPlaylist(int playlistId) {
    return playlistId == 10 || playlistId == 11 || playlistId == 13 || playlistId == 27 || playlistId == 28 || playlistId == 29 ||
           playlistId == 30 || playlistId == 34;
}

ReplayGame::ReplayGame(const replay::Replay& replay, int player) : replay_(replay), player_(player) {
    participants_ = ReplayParticipants(replay);
    carOfPlayer_.assign(replay.match.players.size(), -1);
    for (std::size_t i = 0; i < participants_.size(); ++i)
        carOfPlayer_[static_cast<std::size_t>(participants_[i])] = static_cast<int>(i);
    Plan();
    ComputeTruth();
}

void ReplayGame::Plan() {
    const MatchFrames& match = replay_.match;
    const std::size_t frames = match.frames.size();
    touches_.assign(frames, {});
    if (frames == 0) return;

    // The ball's touches: its velocity changes from one frame to the next, a car at reach of it.
    std::vector<int> lastTouchOf(match.players.size(), -1000);
    for (std::size_t f = 1; f < frames; ++f) {
        const replay::GameFrame& now = match.frames[f];
        const replay::GameFrame& before = match.frames[f - 1];
        if (!now.ballPresent || !before.ballPresent) continue;
        const Vec3 change{now.ballVelocity.x - before.ballVelocity.x, now.ballVelocity.y - before.ballVelocity.y,
                          now.ballVelocity.z - before.ballVelocity.z};
        if (Length(change) < TouchKick) continue;
        int nearest = -1;
        float best = TouchReach;
        for (const int p : participants_) {
            if (!OnField(match, p, f)) continue;
            const float d = std::min(Distance(match.players[static_cast<std::size_t>(p)].frames[f].location, now.ball),
                                     Distance(match.players[static_cast<std::size_t>(p)].frames[f - 1].location, before.ball));
            if (d < best) {
                best = d;
                nearest = p;
            }
        }
        if (nearest < 0 || static_cast<int>(f) - lastTouchOf[static_cast<std::size_t>(nearest)] < TouchRepeatFrames) continue;
        lastTouchOf[static_cast<std::size_t>(nearest)] = static_cast<int>(f);
        touches_[f].push_back(nearest);
    }

    // The game's counters, rise by rise.
    struct Rise {
        int frame;
        int player;
        replay::Stat stat;
        bool used = false;
    };
    std::vector<Rise> rises;
    std::map<std::pair<int, int>, int> counters;
    for (const replay::StatChange& change : match.stats) {
        if (change.player < 0 || carOfPlayer_[static_cast<std::size_t>(change.player)] < 0) continue;
        int& value = counters[{change.player, static_cast<int>(change.stat)}];
        for (int v = value; v < change.value; ++v) rises.push_back({change.frame, change.player, change.stat});
        value = std::max(value, change.value);
    }

    // Each team goal with its scorer's and assister's counters; the scorer from the header when the
    // recording stopped before the counter rose.
    std::vector<int> teamGoals(2, 0);
    for (const replay::TeamGoals& goal : match.teamGoals) {
        if (goal.goals <= teamGoals[static_cast<std::size_t>(goal.team)]) continue;
        teamGoals[static_cast<std::size_t>(goal.team)] = goal.goals;
        goalFrames_.push_back(goal.frame);
        const auto claim = [&](replay::Stat stat) -> int {
            for (Rise& rise : rises)
                if (!rise.used && rise.stat == stat && std::abs(rise.frame - goal.frame) <= GoalCounterFrames &&
                    match.players[static_cast<std::size_t>(rise.player)].team == goal.team) {
                    rise.used = true;
                    return rise.player;
                }
            return -1;
        };
        int scorer = claim(replay::Stat::Goals);
        if (scorer < 0 && static_cast<int>(frames) - goal.frame <= GoalCounterFrames * 4) {
            for (auto line = replay_.header.goals.rbegin(); line != replay_.header.goals.rend(); ++line)
                if (line->team == goal.team) {
                    scorer = FindReplayPlayer(replay_, line->player);
                    outcome_.endsOnGoal = true;
                    outcome_.endsOnGoalScorer = line->player;
                    break;
                }
        }
        if (scorer >= 0) tickers_.push_back({goal.frame, scorer, "Goal"});
        if (const int assister = claim(replay::Stat::Assists); assister >= 0)
            tickers_.push_back({goal.frame, assister, "Assist"});
    }
    outcome_.goals[0] = teamGoals[0];
    outcome_.goals[1] = teamGoals[1];
    for (const Rise& rise : rises) {
        if (rise.used) continue;
        switch (rise.stat) {
        case replay::Stat::Shots: tickers_.push_back({rise.frame, rise.player, "Shot on Goal"}); break;
        case replay::Stat::Saves: tickers_.push_back({rise.frame, rise.player, "Save"}); break;
        case replay::Stat::Goals: tickers_.push_back({rise.frame, rise.player, "Goal"}); break;  // no team goal beside it
        case replay::Stat::Assists: tickers_.push_back({rise.frame, rise.player, "Assist"}); break;
        case replay::Stat::Score: break;
        }
    }
    // Shots and saves first in a frame, then the goal's messages, as the game shows them.
    const auto rank = [](const char* label) {
        return std::string(label) == "Shot on Goal" || std::string(label) == "Save" ? 0 : 1;
    };
    std::stable_sort(tickers_.begin(), tickers_.end(), [&](const Ticker& a, const Ticker& b) {
        return a.frame != b.frame ? a.frame < b.frame : rank(a.label) < rank(b.label);
    });

    // A shot or goal is the shooter's touch: where the frames showed no touch of theirs since another
    // car's, the shooter's nearest approach to the ball before it is one.
    for (const Ticker& ticker : tickers_) {
        const std::string label = ticker.label;
        if (label != "Shot on Goal" && label != "Goal") continue;
        int lastFrame = -1, lastPlayer = -1;
        for (int f = ticker.frame; f >= 0 && f >= ticker.frame - CreditSearchFrames && lastFrame < 0; --f)
            if (!touches_[static_cast<std::size_t>(f)].empty()) {
                lastFrame = f;
                lastPlayer = touches_[static_cast<std::size_t>(f)].back();
            }
        if (lastPlayer == ticker.player) continue;
        int at = ticker.frame;
        for (int f = ticker.frame; f > lastFrame && f >= ticker.frame - CreditSearchFrames; --f) {
            const auto frame = static_cast<std::size_t>(f);
            if (OnField(match, ticker.player, frame) && match.frames[frame].ballPresent &&
                Distance(match.players[static_cast<std::size_t>(ticker.player)].frames[frame].location,
                         match.frames[frame].ball) < CreditReach) {
                at = f;
                break;
            }
        }
        touches_[static_cast<std::size_t>(at)].push_back(ticker.player);
    }

    // How the recording ends: at the end of regulation with a winner, or on overtime's goal.
    const replay::GameFrame& last = match.frames.back();
    bool overtimeGoal = false;
    for (const int f : goalFrames_)
        if (match.frames[static_cast<std::size_t>(f)].overtime) overtimeGoal = true;
    outcome_.overtime =
        std::any_of(match.frames.begin(), match.frames.end(), [](const replay::GameFrame& g) { return g.overtime; });
    // The game's recording can stop on the last second's tick, before the clock shows 0.
    outcome_.finished =
        last.matchEnded ||
        (last.secondsRemaining >= 0 && last.secondsRemaining <= 1 && !last.overtime && outcome_.goals[0] != outcome_.goals[1]) ||
        overtimeGoal;
    outcome_.playlistId = match.playlist;
    outcome_.playlistTitle = PlaylistTitle(match.playlist);
    double clock = 0.0;
    for (std::size_t f = 1; f < frames; ++f)
        if (ClockRuns(match, f)) clock += match.frames[f].delta;
    outcome_.clock = clock;
}

void ReplayGame::ComputeTruth() {
    const MatchFrames& match = replay_.match;
    const replay::MatchPlayer& me = match.players[static_cast<std::size_t>(player_)];
    truth_.player = player_;
    truth_.name = me.name;
    truth_.id = me.hasId ? me.id.Text() : std::string();
    truth_.team = me.team;
    truth_.bot = me.bot;
    if (const replay::ScoreboardLine* line = ScoreboardLineOf(replay_, player_)) {
        truth_.onScoreboard = true;
        truth_.score = line->score;
        truth_.goals = line->goals;
        truth_.shots = line->shots;
        truth_.saves = line->saves;
        truth_.assists = line->assists;
    }
    for (const Ticker& ticker : tickers_) {
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
        if (!ClockRuns(match, f)) continue;
        const double dt = match.frames[f].delta;
        truth_.playSeconds += dt;
        speedTime += Length(now.velocity) * dt;
        const replay::GameFrame& game = match.frames[f];
        if (!game.ballPresent) continue;
        float nearest = PossessionRadius;
        int nearestTeam = -1;
        for (const int p : participants_) {
            if (!OnField(match, p, f)) continue;
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
    std::vector<Vector> shown(participants_.size());
    std::vector<float> tank(participants_.size(), 1.0f / 3.0f);
    for (std::size_t c = 0; c < participants_.size(); ++c) {
        const replay::MatchPlayer& p = match.players[static_cast<std::size_t>(participants_[c])];
        for (const replay::PlayerFrame& f : p.frames)
            if (f.onField) {
                shown[c] = {f.location.x, f.location.y, f.location.z};
                break;
            }
        emit(record::Car{p.team, p.name, participants_[c] == player_, shown[c], 1.0f / 3.0f});
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
        for (std::size_t c = 0; c < participants_.size(); ++c) {
            const replay::PlayerFrame& car = match.players[static_cast<std::size_t>(participants_[c])].frames[f];
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
    Phase before = Phase::Unknown;
    for (std::size_t f = 0; f < match.frames.size(); ++f) {
        now = std::max(now, Micro(match.frames[f].time - start));
        if (f > 0 && ClockRuns(match, f)) clock += match.frames[f].delta;
        const Phase phase = PhaseOf(match, f);
        state(f);
        if (f == 0 || phase != before) {
            if (phase == Phase::Countdown) {
                event(GameEvent::CountdownBeginState);
            } else if (phase == Phase::Active && (before == Phase::Countdown || f == 0)) {
                if (f == 0) event(GameEvent::CountdownBeginState);  // the recording began in play
                event(GameEvent::CountdownEndState);
                event(GameEvent::ActiveBeginState);
            }
        }
        before = phase;
        for (std::size_t c = 0; c < participants_.size(); ++c)
            if (OnField(match, participants_[c], f)) event(GameEvent::CarSetInput, static_cast<int>(c));
        for (const int p : touches_[f]) event(GameEvent::CarHitBall, carOfPlayer_[static_cast<std::size_t>(p)]);
        const bool goal = std::find(goalFrames_.begin(), goalFrames_.end(), static_cast<int>(f)) != goalFrames_.end();
        bool ballInGoalFired = false;
        for (; ticker < tickers_.size() && tickers_[ticker].frame <= static_cast<int>(f); ++ticker) {
            const Ticker& t = tickers_[ticker];
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
    if (outcome_.finished) {
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
