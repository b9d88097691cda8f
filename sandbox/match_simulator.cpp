// The simulated match: game flow, car driving and boost, ball flight, touches, shots, saves and goals.
#include "sandbox/match_simulator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace sandbox {

namespace {

constexpr double TickRate = 120.0;  // physics ticks a second
constexpr double Dt = 1.0 / TickRate;

// [SECTION] Car and ball physics (units/s, units/s², percent points/s)
constexpr double MaxCarSpeed = 2300.0;
constexpr double ThrottleTopSpeed = 1410.0;
constexpr double BoostAcceleration = 991.667;
constexpr double BrakeDeceleration = 3500.0;
constexpr double CoastDeceleration = 525.0;  // off the throttle
constexpr double BoostPerSecond = 33.3;
constexpr double Gravity = 650.0;
constexpr double BallBounce = 0.6;     // share of the speed kept by a bounce
constexpr double BallAirDrag = 0.03;   // share of the speed lost a second in the air
constexpr double BallRollDrag = 0.25;  // share of the speed lost a second rolling
constexpr double MaxBallSpeed = 6000.0;
constexpr double TouchReach = field::BallRadius + 80.0;  // car centre to ball centre, on the floor
constexpr double TouchHeight = 260.0;                    // a ball higher than this is out of reach
constexpr double TouchCooldown = 0.3;                    // s between two hits of one car
constexpr double BallTouchCooldown = 0.15;               // s after a hit before any car reaches the ball again
constexpr double ShotCooldown = 1.5;                     // s between two shots of one car
constexpr double PossessionReach = 400.0;                // the nearest car this close has the ball
constexpr double AerialReach = 160.0;       // a car's centre this close in height to a ball above TouchHeight hits it
constexpr double JumpSpeed = 600.0;         // units/s upwards at a jump
constexpr double AerialBoostSpeed = 450.0;  // more upwards speed for a boosted jump at a high ball
constexpr double AerialBoostCost = 8.0;     // percent points of boost that boosted jump burns
constexpr double DemolitionReach = 100.0;   // a supersonic car this close to an opponent demolishes it
constexpr double RespawnSeconds = 3.0;
constexpr double HuntSeconds = 2.5;             // how long a car chases an opponent for a demolition
constexpr double HuntsPerSecond = 1.0 / 120.0;  // chance a second that a car not attacking starts one
// A shot on a goal: a defender reaches further for it (a dive, a jump), and is beaten now and then.
constexpr double SaveReach = field::BallRadius + 260.0;
constexpr double SaveHeight = 420.0;  // a shot higher than this is out of a defender's reach on the ground
constexpr double BeatenChance = 0.3;

// [SECTION] Match flow (seconds)
constexpr double RegulationSeconds = 300.0;
constexpr double CountdownSeconds = 3.0;
constexpr double CelebrationSeconds = 3.0;
constexpr double ReplaySeconds = 4.0;
constexpr double LoadingSeconds = 1.0;
constexpr double RatingPostedAfter = 1.5;  // the new rating arrives this long after the end
constexpr double PodiumSeconds = 7.0;
constexpr double MenuSeconds = 1.0;

const std::array<const char*, 10> OtherPlayers = {"Kaiju", "Nimbus", "Sparrow", "Vortex", "Pixel",
                                                  "Quill", "Ember",  "Rook",    "Tundra", "Halcyon"};

double RoundTo(double value, double step) { return std::round(value / step) * step; }
// The nearest whole microsecond, as the double nearest to that decimal (so it is written with at most
// six decimals: 6.45, not 6.449999999999999).
double Micro(double seconds) { return std::round(seconds * 1e6) / 1e6; }
double WrapAngle(double a) {
    while (a > std::numbers::pi) a -= 2 * std::numbers::pi;
    while (a < -std::numbers::pi) a += 2 * std::numbers::pi;
    return a;
}

// Acceleration from the throttle alone: strong from standing, none from 1410 units/s on.
double ThrottleAcceleration(double speed) {
    if (speed < 1400.0) return 1600.0 - 1440.0 * speed / 1400.0;
    if (speed < ThrottleTopSpeed) return 160.0 * (ThrottleTopSpeed - speed) / 10.0;
    return 0.0;
}

}  // namespace

MatchSimulator::MatchSimulator(SimulationSettings settings, Sink sink)
    : settings_(settings),
      sink_(std::move(sink)),
      rng_(settings.seed),
      sessionRng_(settings.seed ^ 0x5e55'10f5'eed5'0001ULL),
      pads_(field::Pads.size()) {
    settings_.teamSize = std::clamp(settings_.teamSize, 1, 3);
    settings_.matches = std::max(settings_.matches, 1);
    SetUpMatch(settings_.teamSize);
}

void MatchSimulator::SetUpMatch(int teamSize) {
    static const host::game::Playlist playlists[] = {
        {"Ranked Duel", 1, 10}, {"Ranked Doubles", 1, 11}, {"Ranked Standard", 1, 13}};
    playlist_ = playlists[teamSize - 1];
    outcome_ = MatchOutcome{};
    outcome_.playlist = playlist_.title;
    outcome_.teamSize = teamSize;
    truth_ = LocalTruth{};
    touchSeen_ = false;
    cars_.clear();
    clockTicks_ = 0;
    overtime_ = false;
    ballTouchableAt_ = 0.0;
    shooter_ = -1;
    scoringTeam_ = -1;
    forfeitAt_ = -1.0;
    for (PadState& pad : pads_) pad.readyAt = 0.0;

    const int localTeam = Uniform(0.0, 1.0) < 0.5 ? 0 : 1;
    std::vector<const char*> names(OtherPlayers.begin(), OtherPlayers.end());
    std::shuffle(names.begin(), names.end(), rng_);
    std::size_t nextName = 0;
    for (int team = 0; team < 2; ++team) {
        for (int i = 0; i < teamSize; ++i) {
            Car car;
            car.team = team;
            car.local = team == localTeam && i == 0;
            car.name = car.local ? "You" : names[nextName++];
            if (car.local) localIndex_ = static_cast<int>(cars_.size());
            cars_.push_back(car);
        }
    }
    truth_.name = cars_[static_cast<std::size_t>(localIndex_)].name;
    truth_.team = localTeam;
    if (Uniform(0.0, 1.0) < 0.12) forfeitAt_ = Uniform(150.0, 280.0);
    // A playlist's rating is drawn for its first match of the session; each later match starts where
    // the last one of that playlist ended (the draw is made all the same, so the match plays the same).
    outcome_.mmrBefore = static_cast<float>(RoundTo(Uniform(400.0, 1500.0), 0.01));
    if (const auto kept = ratings_.find(playlist_.id); kept != ratings_.end()) outcome_.mmrBefore = kept->second;

    // The session's turns come from their own stream, so that they do not change how a match is played.
    const auto chance = [this](double p) { return SessionUniform(0.0, 1.0) < p; };
    outcome_.initGame = chance(0.8);
    leaveAt_ = -1.0;
    if (chance(0.08)) leaveAt_ = chance(0.5) ? SessionUniform(0.5, 4.5) : SessionUniform(30.0, 250.0);
    reloadAt_ = chance(0.06) ? SessionUniform(20.0, 280.0) : -1.0;
    outcome_.reloadedInMmrWait = chance(0.06);
}

std::string MatchSimulator::Source() const {
    std::string source = "zando-sandbox simulate --seed " + std::to_string(settings_.seed) + " --mode " +
                         std::to_string(settings_.teamSize) + "v" + std::to_string(settings_.teamSize);
    if (settings_.fps != 60.0) source += " --fps " + std::to_string(settings_.fps);
    if (settings_.matches != 1) source += " --matches " + std::to_string(settings_.matches);
    return source;
}

double MatchSimulator::Uniform(double low, double high) {
    return low + (high - low) * static_cast<double>(rng_() >> 11) * 0x1.0p-53;
}

double MatchSimulator::SessionUniform(double low, double high) {
    return low + (high - low) * static_cast<double>(sessionRng_() >> 11) * 0x1.0p-53;
}

// [SECTION] Match flow

void MatchSimulator::Run() {
    for (int match = 0; match < settings_.matches; ++match) {
        if (match > 0) SetUpMatch(1 + static_cast<int>(std::min(2.0, Uniform(0.0, 3.0))));
        PlayMatch();
        results_.push_back({truth_, outcome_});
    }
}

void MatchSimulator::PlayMatch() {
    Emit(record::Match{playlist_, true});
    Emit(record::Mmr{playlist_.id, outcome_.mmrBefore});
    PlaceForKickoff();
    for (const Car& car : cars_)
        Emit(record::Car{car.team,
                         car.name,
                         car.local,
                         {static_cast<float>(car.x), static_cast<float>(car.y), static_cast<float>(field::CarRestZ)},
                         0.33f});
    EmitState(true, true);
    if (outcome_.initGame) EmitEvent(GameEvent::InitGame);
    RunTicks(LoadingSeconds, Phase::Idle);  // the match loads; it begins with the first countdown
    for (;;) {
        EmitEvent(GameEvent::CountdownBeginState);
        RunTicks(CountdownSeconds, Phase::Countdown);
        EmitEvent(GameEvent::CountdownEndState);
        EmitEvent(GameEvent::ActiveBeginState);
        const Stoppage stoppage = PlayUntilStoppage();
        if (stoppage == Stoppage::LocalLeft) {
            // Back to the menu: the match object goes without any end event, and no new rating is posted.
            outcome_.localLeft = true;
            outcome_.clock = static_cast<double>(clockTicks_) / TickRate;
            outcome_.mmrAfter = outcome_.mmrBefore;
            EmitEvent(GameEvent::MatchDestroyed);
            Emit(record::RemoveMatch{});
            RunTicks(MenuSeconds, Phase::Idle);
            return;
        }
        if (stoppage == Stoppage::Goal) {
            RunTicks(CelebrationSeconds, Phase::Celebration);
            if (overtime_) break;  // the golden goal ends the match
            RunTicks(ReplaySeconds, Phase::Idle);
            Kickoff();
            continue;
        }
        if (outcome_.forfeitingTeam >= 0 || outcome_.goals[0] != outcome_.goals[1]) break;
        overtime_ = true;  // a draw when time runs out: overtime, from a kickoff
        outcome_.overtime = true;
        Kickoff();
    }
    EndMatch();
}

void MatchSimulator::ReloadPlugin(bool inPlay) {
    Emit(record::Console{"plugin reload ZANDO"});
    // Reloaded in play, the plug-in keeps the match's figures so far (its unload writes them, its load
    // takes them back), so the truth goes on; what it loses is the last touch it saw.
    if (inPlay) touchSeen_ = false;
}

void MatchSimulator::Kickoff() {
    PlaceForKickoff();
    EmitState(true, overtime_);
}

void MatchSimulator::PlaceForKickoff() {
    for (int team = 0; team < 2; ++team) {
        std::array<field::Spot, 5> spots = field::BlueKickoffSpots;
        std::shuffle(spots.begin(), spots.end(), rng_);
        int placed = 0;
        for (Car& car : cars_) {
            if (car.team != team) continue;
            const field::Spot spot = spots[static_cast<std::size_t>(placed++)];
            car.x = team == 0 ? spot.x : -spot.x;
            car.y = team == 0 ? spot.y : -spot.y;
            car.heading = std::atan2(-car.y, -car.x);
            car.speed = 0.0;
            car.boost = 33.0;
            car.z = field::CarRestZ;
            car.vz = 0.0;
            car.demolished = false;
            car.supersonicAt = -1.0;
            car.huntUntil = 0.0;
        }
    }
    ball_ = Ball{};
    shooter_ = -1;
    kickoffPending_ = true;
    lastToucherTeam_ = -1;
    for (int team = 0; team < 2; ++team) {
        lastTeamToucher_[team] = previousTeamToucher_[team] = -1;
        lastTeamTouchTime_[team] = previousTeamTouchTime_[team] = -100.0;
    }
}

MatchSimulator::Stoppage MatchSimulator::PlayUntilStoppage() {
    for (;;) {
        const double before = static_cast<double>(clockTicks_) / TickRate;
        if (leaveAt_ >= 0.0 && before >= leaveAt_) {
            leaveAt_ = -1.0;
            return Stoppage::LocalLeft;
        }
        if (reloadAt_ >= 0.0 && before >= reloadAt_) {
            reloadAt_ = -1.0;
            outcome_.reloadedInPlay = true;
            ReloadPlugin(true);
        }
        Tick(Phase::Play);
        if (scoringTeam_ >= 0) {
            const int team = scoringTeam_;
            scoringTeam_ = -1;
            outcome_.goals[team] += 1;
            EmitEvent(GameEvent::BallHitGoal);
            const int scorer = lastTeamToucher_[team];
            if (scorer >= 0 && scorer != localIndex_ && team == truth_.team) outcome_.teamMateGoals += 1;
            if (scorer >= 0) {
                // A goal is a shot on goal too: the game counts one for a scorer whose touch it had not
                // counted as one (a pass or a dribble that went in).
                if (shooter_ != scorer) EmitStat(scorer, "Shot on Goal");
                EmitStat(scorer, "Goal");
                const int assist = previousTeamToucher_[team];
                if (assist >= 0 && lastTeamTouchTime_[team] - previousTeamTouchTime_[team] < 5.0) EmitStat(assist, "Assist");
            }
            EmitEvent(GameEvent::ScoreUpdated);
            ball_.exists = false;
            EmitState(false);
            return Stoppage::Goal;
        }
        const double clock = static_cast<double>(clockTicks_) / TickRate;
        if (forfeitAt_ >= 0.0 && clock >= forfeitAt_) {
            forfeitAt_ = -1.0;
            const int lead = outcome_.goals[0] - outcome_.goals[1];
            if (std::abs(lead) >= 2) {
                outcome_.forfeitingTeam = lead > 0 ? 1 : 0;
                return Stoppage::MatchOver;
            }
        }
        if (!overtime_ && clock >= RegulationSeconds) return Stoppage::MatchOver;
    }
}

void MatchSimulator::EndMatch() {
    outcome_.clock = static_cast<double>(clockTicks_) / TickRate;
    EmitEvent(GameEvent::MatchWinnerSet);
    if (outcome_.forfeitingTeam < 0) EmitEvent(GameEvent::MatchEnded);
    const int winner =
        outcome_.forfeitingTeam >= 0 ? 1 - outcome_.forfeitingTeam : (outcome_.goals[0] > outcome_.goals[1] ? 0 : 1);
    const double change = Uniform(7.0, 12.0);
    outcome_.mmrAfter = static_cast<float>(RoundTo(outcome_.mmrBefore + (winner == truth_.team ? change : -change), 0.01));
    RunTicks(RatingPostedAfter, Phase::Idle);
    Emit(record::Mmr{playlist_.id, outcome_.mmrAfter});
    ratings_[playlist_.id] = outcome_.mmrAfter;
    double podium = PodiumSeconds - RatingPostedAfter;
    if (outcome_.reloadedInMmrWait) {
        // Within the plug-in's 3-second wait for the new rating, after the rating was posted.
        const double wait = RoundTo(SessionUniform(0.1, 1.3), Dt);
        RunTicks(wait, Phase::Idle);
        ReloadPlugin(false);
        podium -= wait;
    }
    RunTicks(podium, Phase::Idle);
    EmitEvent(GameEvent::MatchDestroyed);
    Emit(record::RemoveMatch{});
    RunTicks(MenuSeconds, Phase::Idle);
}

void MatchSimulator::RunTicks(double seconds, Phase phase) {
    const long long ticks = std::llround(seconds * TickRate);
    for (long long i = 0; i < ticks; ++i) Tick(phase);
}

// [SECTION] One tick

void MatchSimulator::Tick(Phase phase) {
    ++tick_;
    while (settings_.fps > 0.0 && static_cast<double>(nextFrame_) / settings_.fps <= Now() + 1e-9) {
        sink_(TraceRecord{Micro(static_cast<double>(nextFrame_) / settings_.fps), record::Frame{}});
        ++nextFrame_;
    }
    if (phase == Phase::Idle) return;

    if (phase == Phase::Play || phase == Phase::Celebration) {
        const Car& local = cars_[static_cast<std::size_t>(localIndex_)];
        const double oldX = local.x, oldY = local.y, oldZ = local.z;
        localTeleported_ = false;
        if (phase == Phase::Play) AssignRoles();
        for (Car& car : cars_) {
            if (car.demolished) {
                if (Now() >= car.respawnAt) Respawn(car);
                continue;
            }
            const int dir = Attack(car.team);
            if (phase == Phase::Play && car.role != Role::Attacker && Now() >= car.huntUntil &&
                Uniform(0.0, 1.0) < HuntsPerSecond * Dt)
                car.huntUntil = Now() + HuntSeconds;
            if (Now() >= car.wanderUntil) {
                car.wanderX = Uniform(-500.0, 500.0);
                car.wanderY = Uniform(-500.0, 500.0);
                car.wanderUntil = Now() + Uniform(2.0, 4.0);
            }
            const Car* prey = nullptr;
            if (phase == Phase::Play && Now() < car.huntUntil && car.role != Role::Attacker) {
                double nearest = 1e9;
                for (const Car& other : cars_) {
                    const double d = std::hypot(other.x - car.x, other.y - car.y);
                    if (other.team != car.team && !other.demolished && d < nearest) {
                        nearest = d;
                        prey = &other;
                    }
                }
            }
            if (phase == Phase::Celebration) {
                Drive(car, car.wanderX * 6.0, car.wanderY * 8.0, 1600.0, car.wanderX > 300.0);
            } else if (prey) {
                // Straight at the nearest opponent, boosting to supersonic speed for the demolition.
                Drive(car, prey->x + prey->speed * std::cos(prey->heading) * 0.3,
                      prey->y + prey->speed * std::sin(prey->heading) * 0.3, MaxCarSpeed, true);
            } else if (car.role == Role::Attacker) {
                // Come at the ball from behind it, towards the goal to score in, leading a moving ball.
                const double aimX = 0.0, aimY = dir * field::BackWallY;
                double bx = ball_.x - aimX, by = ball_.y - aimY;
                const double norm = std::max(1.0, std::hypot(bx, by));
                const double distance = std::hypot(ball_.x - car.x, ball_.y - car.y);
                const double lead = std::min(distance / 1500.0, 1.0) * 0.6;
                double tx = ball_.x + bx / norm * 110.0 + ball_.vx * lead;
                double ty = ball_.y + by / norm * 110.0 + ball_.vy * lead;
                // Low on boost and far from the ball: over a pad close by on the way.
                const field::PadSpot* pad = car.boost < 85.0 && distance > 700.0 ? NearestPad(car, 1800.0) : nullptr;
                if (pad && std::hypot(pad->x - tx, pad->y - ty) < distance) {
                    tx = pad->x;
                    ty = pad->y;
                }
                Drive(car, tx, ty, MaxCarSpeed, distance > 300.0);
            } else if (car.role == Role::Support) {
                // Behind the play, always on the move, over the pads on the way when the tank is not full.
                double tx = ball_.x * 0.4 + car.wanderX * 3.0, ty = ball_.y - dir * 1800.0 + car.wanderY * 2.0;
                if (const field::PadSpot* pad = car.boost < 95.0 ? NearestPad(car, 3200.0) : nullptr) {
                    tx = pad->x;
                    ty = pad->y;
                }
                tx = std::clamp(tx, -3800.0, 3800.0);
                ty = std::clamp(ty, -4700.0, 4700.0);
                const double distance = std::hypot(tx - car.x, ty - car.y);
                Drive(car, tx, ty, std::clamp(distance * 1.5, 1800.0, MaxCarSpeed), distance > 500.0 && car.boost > 10.0);
            } else {
                // In goal, moving across to where a ball coming at the goal will cross the line, and out
                // over the pads near the goal while the ball is far.
                double lineY = -dir * (4900.0 - std::abs(car.wanderY) * 1.5);
                double tx = std::clamp(ball_.x * 0.3, -700.0, 700.0) + car.wanderX * 1.2;
                bool hurry = false;
                if (ball_.vy * dir < -200.0) {
                    lineY = -dir * 4900.0;
                    const double along = (lineY - ball_.y) / ball_.vy;
                    tx = std::clamp(ball_.x + ball_.vx * along, -800.0, 800.0);
                    hurry = true;
                } else if (const field::PadSpot* pad =
                               car.boost < 90.0 && ball_.y * dir > -1000.0 ? NearestPad(car, 2600.0) : nullptr) {
                    tx = pad->x;
                    lineY = pad->y;
                }
                const double distance = std::hypot(tx - car.x, lineY - car.y);
                Drive(car, tx, lineY, hurry ? MaxCarSpeed : std::clamp(distance * 1.5, 1300.0, 2100.0),
                      hurry || (distance > 1000.0 && car.boost > 30.0));
            }
            if (car.role == Role::Attacker && phase == Phase::Play && car.z <= field::CarRestZ + 1.0 && ball_.z > TouchHeight &&
                ball_.z < 900.0 && std::hypot(ball_.x - car.x, ball_.y - car.y) < 350.0 && Uniform(0.0, 1.0) < 0.2) {
                // A jump at a ball in the air; a boosted one (an aerial) for a high ball.
                car.vz = JumpSpeed;
                if (ball_.z > 450.0 && car.boost >= AerialBoostCost) {
                    car.vz += AerialBoostSpeed;
                    car.boost -= AerialBoostCost;
                    if (car.local) truth_.boostUsed += AerialBoostCost;
                }
            }
            MoveVertically(car);
            if (car.speed >= 2200.0) car.supersonicAt = Now();
            PickUpPads(car);
        }
        if (phase == Phase::Play) Demolitions();
        if (phase == Phase::Play) {
            MoveBall();
            ++clockTicks_;
            if (CheckGoal()) scoringTeam_ = ball_.y > 0 ? 0 : 1;
            EmitState(true);
            MeasureLocal(oldX, oldY, oldZ);
        } else {
            EmitState(true);
        }
    }
    for (int i = 0; i < static_cast<int>(cars_.size()); ++i) EmitEvent(GameEvent::CarSetInput, i);
    if (phase == Phase::Play && scoringTeam_ < 0) TouchBall();
}

void MatchSimulator::AssignRoles() {
    for (int team = 0; team < 2; ++team) {
        std::vector<int> members;
        for (int i = 0; i < static_cast<int>(cars_.size()); ++i)
            if (cars_[static_cast<std::size_t>(i)].team == team && !cars_[static_cast<std::size_t>(i)].demolished)
                members.push_back(i);
        if (members.empty()) continue;
        const auto toBall = [&](int i) {
            const Car& car = cars_[static_cast<std::size_t>(i)];
            return std::hypot(ball_.x - car.x, ball_.y - car.y);
        };
        std::sort(members.begin(), members.end(), [&](int a, int b) { return toBall(a) < toBall(b); });
        const int dir = Attack(team);
        if (kickoffPending_) {
            // Every kickoff is contested: the car nearest the ball of each team goes for it.
            for (int i : members) cars_[static_cast<std::size_t>(i)].role = i == members[0] ? Role::Attacker : Role::Support;
            continue;
        }
        if (members.size() == 1) {
            // Alone: challenge when the ball is in the opponent's half or this car is clearly nearer than
            // theirs; otherwise shadow back to the own goal.
            double theirs = 1e9;
            for (std::size_t i = 0; i < cars_.size(); ++i)
                if (cars_[i].team != team && !cars_[i].demolished)
                    theirs = std::min(theirs, std::hypot(ball_.x - cars_[i].x, ball_.y - cars_[i].y));
            cars_[static_cast<std::size_t>(members[0])].role =
                ball_.y * dir > 0.0 || toBall(members[0]) < theirs - 300.0 ? Role::Attacker : Role::Goalie;
            continue;
        }
        cars_[static_cast<std::size_t>(members[0])].role = Role::Attacker;
        // Of the others, the one nearest the own goal keeps it; a pair's second car only while the ball
        // is in the own half (with the ball up the field it supports, over the pads).
        auto keeper = std::min_element(members.begin() + 1, members.end(), [&](int a, int b) {
            return cars_[static_cast<std::size_t>(a)].y * dir < cars_[static_cast<std::size_t>(b)].y * dir;
        });
        if (members.size() == 2 && ball_.y * dir > 0.0) keeper = members.end();
        for (auto it = members.begin() + 1; it != members.end(); ++it)
            cars_[static_cast<std::size_t>(*it)].role = it == keeper ? Role::Goalie : Role::Support;
    }
}

void MatchSimulator::Drive(Car& car, double targetX, double targetY, double wantedSpeed, bool mayBoost) {
    const double wanted = std::atan2(targetY - car.y, targetX - car.x);
    const double turn = WrapAngle(wanted - car.heading);
    const double maxTurn = std::clamp(4.6 - car.speed / 650.0, 1.1, 4.6) * Dt;  // tighter at low speed
    car.heading = WrapAngle(car.heading + std::clamp(turn, -maxTurn, maxTurn));
    if (std::abs(turn) > 1.6) wantedSpeed = std::min(wantedSpeed, 1100.0);  // turning round: a powerslide

    const bool boosting = mayBoost && car.boost > 0.0 && std::abs(turn) < 0.7 && wantedSpeed > ThrottleTopSpeed;
    double acceleration = 0.0;
    if (car.speed < wantedSpeed - 10.0)
        acceleration = ThrottleAcceleration(car.speed) + (boosting ? BoostAcceleration : 0.0);
    else if (car.speed > wantedSpeed + 600.0)
        acceleration = -BrakeDeceleration;
    else if (car.speed > wantedSpeed + 100.0)
        acceleration = -CoastDeceleration;
    car.speed = std::clamp(car.speed + acceleration * Dt, 0.0, MaxCarSpeed);
    if (boosting) {  // held at top speed too, as players do
        const double used = std::min(car.boost, BoostPerSecond * Dt);
        car.boost -= used;
        if (car.local) truth_.boostUsed += used;
    }
    car.x += std::cos(car.heading) * car.speed * Dt;
    car.y += std::sin(car.heading) * car.speed * Dt;
    const double limitX = field::SideWallX - 70.0, limitY = field::BackWallY - 70.0;
    if (std::abs(car.x) > limitX || std::abs(car.y) > limitY) {  // along the wall, losing speed
        car.x = std::clamp(car.x, -limitX, limitX);
        car.y = std::clamp(car.y, -limitY, limitY);
        car.speed *= 0.6;
    }
}

void MatchSimulator::PickUpPads(Car& car) {
    for (std::size_t i = 0; i < field::Pads.size(); ++i) {
        const field::PadSpot& pad = field::Pads[i];
        if (Now() < pads_[i].readyAt || car.boost >= 100.0) continue;
        const double reach = pad.large ? field::LargePadRadius : field::SmallPadRadius;
        if (std::hypot(pad.x - car.x, pad.y - car.y) >= reach) continue;
        const double gain = std::min(pad.large ? field::LargePadBoost : field::SmallPadBoost, 100.0 - car.boost);
        car.boost += gain;
        pads_[i].readyAt = Now() + (pad.large ? field::LargePadRespawn : field::SmallPadRespawn);
        if (car.local) {
            truth_.boostCollected += pad.large ? field::LargePadBoost : field::SmallPadBoost;
            truth_.boostGained += gain;
        }
    }
}

void MatchSimulator::MoveBall() {
    Ball& b = ball_;
    b.vz -= Gravity * Dt;
    const bool rolling = b.z <= field::BallRadius + 1.0 && std::abs(b.vz) < 60.0;
    const double drag = 1.0 - (rolling ? BallRollDrag : BallAirDrag) * Dt;
    b.vx *= drag;
    b.vy *= drag;
    const double speed = std::sqrt(b.vx * b.vx + b.vy * b.vy + b.vz * b.vz);
    if (speed > MaxBallSpeed) {
        b.vx *= MaxBallSpeed / speed;
        b.vy *= MaxBallSpeed / speed;
        b.vz *= MaxBallSpeed / speed;
    }
    b.x += b.vx * Dt;
    b.y += b.vy * Dt;
    b.z += b.vz * Dt;
    const double r = field::BallRadius;
    if (b.z < r) {
        b.z = r;
        b.vz = b.vz < -60.0 ? -b.vz * BallBounce : 0.0;
    }
    if (b.z > field::CeilingZ - r) {
        b.z = field::CeilingZ - r;
        b.vz = -std::abs(b.vz) * BallBounce;
    }
    if (std::abs(b.x) > field::SideWallX - r) {
        b.x = std::copysign(field::SideWallX - r, b.x);
        b.vx = -b.vx * BallBounce;
    }
    const bool inGoalMouth = std::abs(b.x) < field::GoalHalfWidth - r && b.z < field::GoalHeight - r;
    if (std::abs(b.y) > field::BackWallY - r && !inGoalMouth) {
        b.y = std::copysign(field::BackWallY - r, b.y);
        b.vy = -b.vy * BallBounce;
    }
}

bool MatchSimulator::CheckGoal() { return ball_.exists && std::abs(ball_.y) >= field::BackWallY + field::BallRadius; }

void MatchSimulator::TouchBall() {
    if (!ball_.exists || Now() < ballTouchableAt_) return;
    // Of the cars that reach the ball this tick, one hits it; which is a matter of chance, so that no
    // car is favoured by its place in the list.
    std::vector<int> reaching;
    const int shootingTeam = shooter_ >= 0 ? cars_[static_cast<std::size_t>(shooter_)].team : -1;
    int keeper = -1;
    double keeperDistance = 1e9;
    for (int i = 0; shootingTeam >= 0 && i < static_cast<int>(cars_.size()); ++i) {
        const Car& car = cars_[static_cast<std::size_t>(i)];
        const double toGoal = std::hypot(car.x, car.y + Attack(car.team) * field::BackWallY);
        if (car.team != shootingTeam && !car.demolished && toGoal < keeperDistance) {
            keeperDistance = toGoal;
            keeper = i;
        }
    }
    for (int i = 0; i < static_cast<int>(cars_.size()); ++i) {
        const Car& car = cars_[static_cast<std::size_t>(i)];
        const double distance = std::hypot(ball_.x - car.x, ball_.y - car.y);
        // The defender nearest its own goal dives at a shot on it.
        const bool defending = shootingTeam >= 0 && car.team != shootingTeam && i == keeper;
        const bool inReach = (distance < TouchReach && (ball_.z <= TouchHeight || std::abs(ball_.z - car.z) < AerialReach)) ||
                             (defending && distance < SaveReach && ball_.z <= SaveHeight);
        if (!car.demolished && Now() >= car.touchReadyAt && inReach) reaching.push_back(i);
    }
    if (reaching.empty()) return;
    const auto pick = std::min(reaching.size() - 1, static_cast<std::size_t>(Uniform(0.0, static_cast<double>(reaching.size()))));
    Hit(reaching[pick]);
}

void MatchSimulator::Hit(int index) {
    Car& car = cars_[static_cast<std::size_t>(index)];
    const int dir = Attack(car.team);
    car.touchReadyAt = Now() + TouchCooldown;
    const bool saving = shooter_ >= 0 && cars_[static_cast<std::size_t>(shooter_)].team != car.team;
    if (saving && Uniform(0.0, 1.0) < BeatenChance) return;  // beaten: the shot goes past

    EmitEvent(GameEvent::CarHitBall, index);
    if (shownLocalOnField_) {
        touchSpot_ = shownLocal_;
        touchSeen_ = true;
    }
    ballTouchableAt_ = Now() + BallTouchCooldown;
    if (ball_.z > TouchHeight) outcome_.aerialTouches += 1;
    const bool kickoff = kickoffPending_;
    kickoffPending_ = false;
    lastToucherTeam_ = car.team;
    if (saving && Uniform(0.0, 1.0) < 0.1) {
        // A deflection: the defender touches the shot and it still goes in, an own goal credited to the shooter.
        ball_.vy = -dir * std::max(std::abs(ball_.vy), 1500.0);
        ball_.vx = std::clamp(-ball_.x, -300.0, 300.0);
        outcome_.deflections += 1;
        return;
    }
    const double clock = static_cast<double>(clockTicks_) / TickRate;
    if (lastTeamToucher_[car.team] != index) {
        previousTeamToucher_[car.team] = lastTeamToucher_[car.team];
        previousTeamTouchTime_[car.team] = lastTeamTouchTime_[car.team];
    }
    lastTeamToucher_[car.team] = index;
    lastTeamTouchTime_[car.team] = clock;

    const auto send = [this](double towardX, double towardY, double speed, double lift) {
        const double dx = towardX - ball_.x, dy = towardY - ball_.y;
        const double norm = std::max(1.0, std::hypot(dx, dy));
        ball_.vx = dx / norm * speed;
        ball_.vy = dy / norm * speed;
        ball_.vz = lift;
    };
    if (saving) {
        EmitStat(index, "Save", shooter_);
        shooter_ = -1;
        const double side = ball_.x >= 0.0 ? 1.0 : -1.0;
        send(side * Uniform(2500.0, 4000.0), ball_.y + dir * Uniform(1500.0, 3500.0), Uniform(1400.0, 2400.0),
             Uniform(200.0, 600.0));
        return;
    }
    shooter_ = -1;
    const double toGoal = std::hypot(ball_.x, dir * field::BackWallY - ball_.y);
    const double shotChance = toGoal < 2500.0 ? 0.5 : toGoal < 4000.0 ? 0.3 : 0.1;
    const bool attackingHalf = ball_.y * dir > 300.0;
    // Besides shots from the attacking half: now and then one straight from the kickoff, and a long
    // one from the own half.
    const bool longShot = (kickoff && Uniform(0.0, 1.0) < 0.2) || (ball_.y * dir < -300.0 && Uniform(0.0, 1.0) < 0.03);
    if (((attackingHalf && Uniform(0.0, 1.0) < shotChance) || longShot) && Now() >= car.shotReadyAt) {
        car.shotReadyAt = Now() + ShotCooldown;
        const bool onTarget = Uniform(0.0, 1.0) < 0.55;
        const double side = Uniform(0.0, 1.0) < 0.5 ? -1.0 : 1.0;
        const double aimX =
            onTarget ? Uniform(-(field::GoalHalfWidth - 150.0), field::GoalHalfWidth - 150.0) : side * Uniform(1000.0, 1600.0);
        send(aimX, dir * (field::BackWallY + 200.0), longShot ? Uniform(2800.0, 3600.0) : Uniform(1700.0, 3000.0),
             Uniform(0.0, 350.0));
        if (onTarget) {
            if (kickoff)
                outcome_.kickoffShots += 1;
            else if (ball_.y * dir < -300.0)
                outcome_.ownHalfShots += 1;
            EmitStat(index, "Shot on Goal");
            shooter_ = index;
        }
        return;
    }
    // A pass, a dribble or a clear: up the field, never at the goal mouth.
    double tx = Uniform(-3300.0, 3300.0);
    const double ty = std::clamp(ball_.y + dir * Uniform(800.0, 2800.0), -4900.0, 4900.0);
    if (std::abs(tx) < 1300.0 && ty * dir > 4000.0) tx = (tx < 0.0 ? -1.0 : 1.0) * Uniform(1400.0, 3000.0);
    send(tx, ty, Uniform(900.0, 2000.0), Uniform(0.0, 500.0));
}

// The nearest pad ready to be picked up within reach units, none when there is none.
const field::PadSpot* MatchSimulator::NearestPad(const Car& car, double reach) const {
    const field::PadSpot* nearest = nullptr;
    double best = reach;
    for (std::size_t i = 0; i < field::Pads.size(); ++i) {
        const double d = std::hypot(field::Pads[i].x - car.x, field::Pads[i].y - car.y);
        if (Now() >= pads_[i].readyAt && d < best) {
            best = d;
            nearest = &field::Pads[i];
        }
    }
    return nearest;
}

void MatchSimulator::MoveVertically(Car& car) {
    if (car.z <= field::CarRestZ && car.vz <= 0.0) return;
    car.vz -= Gravity * Dt;
    car.z += car.vz * Dt;
    if (car.z <= field::CarRestZ) {
        car.z = field::CarRestZ;
        car.vz = 0.0;
    }
}

// A supersonic car running into an opponent blows it up; the opponent's boost goes with it.
void MatchSimulator::Demolitions() {
    for (Car& hitter : cars_) {
        if (hitter.demolished || !Supersonic(hitter)) continue;
        for (Car& victim : cars_) {
            if (victim.team == hitter.team || victim.demolished) continue;
            if (std::hypot(victim.x - hitter.x, victim.y - hitter.y) >= DemolitionReach || std::abs(victim.z - hitter.z) > 100.0)
                continue;
            victim.demolished = true;
            victim.respawnAt = Now() + RespawnSeconds;
            victim.speed = 0.0;
            victim.vz = 0.0;
            victim.boost = 0.0;  // lost, not used
            hitter.huntUntil = 0.0;
            if (victim.local) truth_.demolished += 1;
            outcome_.demolitions += 1;
        }
    }
}

// Back on the field at one of the team's kickoff spots, standing, with a third of a tank.
void MatchSimulator::Respawn(Car& car) {
    const field::Spot spot = field::BlueKickoffSpots[static_cast<std::size_t>(std::min(4.0, Uniform(0.0, 5.0)))];
    car.x = car.team == 0 ? spot.x : -spot.x;
    car.y = car.team == 0 ? spot.y : -spot.y;
    car.z = field::CarRestZ;
    car.heading = std::atan2(ball_.y - car.y, ball_.x - car.x);
    car.speed = 0.0;
    car.vz = 0.0;
    car.boost = 33.0;
    car.demolished = false;
    car.supersonicAt = -1.0;
    if (car.local) localTeleported_ = true;
}

void MatchSimulator::MeasureLocal(double oldX, double oldY, double oldZ) {
    const Car& local = cars_[static_cast<std::size_t>(localIndex_)];
    truth_.playSeconds += Dt;
    if (local.demolished) return;  // off the field: not driving, and no car to have the ball
    truth_.drivingSeconds += Dt;
    const double moved = localTeleported_ ? 0.0
                                          : std::sqrt((local.x - oldX) * (local.x - oldX) + (local.y - oldY) * (local.y - oldY) +
                                                      (local.z - oldZ) * (local.z - oldZ));
    truth_.distance += moved;
    if (moved / Dt >= 2200.0) truth_.supersonicSeconds += Dt;
    if (local.boost <= 0.0)
        truth_.emptyTankSeconds += Dt;
    else if (local.boost >= 100.0)
        truth_.fullTankSeconds += Dt;
    if (!ball_.exists) return;
    if (lastToucherTeam_ == local.team) truth_.lastTouchPossessionSeconds += Dt;
    double nearest = PossessionReach;
    int nearestTeam = -1;
    for (const Car& car : cars_) {
        if (car.demolished) continue;
        const double d = std::sqrt((car.x - ball_.x) * (car.x - ball_.x) + (car.y - ball_.y) * (car.y - ball_.y) +
                                   (car.z - ball_.z) * (car.z - ball_.z));
        if (d < nearest) {
            nearest = d;
            nearestTeam = car.team;
        }
    }
    if (nearestTeam == local.team) truth_.possessionSeconds += Dt;
}

// [SECTION] Output

double MatchSimulator::Now() const { return static_cast<double>(tick_) / TickRate; }

float MatchSimulator::Clock() const { return static_cast<float>(Micro(static_cast<double>(clockTicks_) / TickRate)); }

void MatchSimulator::Emit(RecordBody body) { sink_(TraceRecord{Micro(Now()), std::move(body)}); }

void MatchSimulator::EmitEvent(GameEvent event, int car) {
    record::Event e;
    e.event = event;
    e.car = car;
    Emit(e);
}

void MatchSimulator::EmitStat(int receiver, const std::string& label, int victim) {
    record::Event e;
    e.event = GameEvent::StatTickerMessage;
    e.receiver = receiver;
    e.victim = victim;
    e.label = label;
    Emit(e);
    LocalTruth::Spot spot = touchSeen_ ? touchSpot_ : shownLocal_;
    spot.team = truth_.team;
    if (receiver == localIndex_ && label == "Shot on Goal") {
        truth_.shots += 1;
        truth_.shotSpots.push_back(spot);
    }
    if (receiver == localIndex_ && label == "Goal") {
        truth_.goals += 1;
        truth_.goalSpots.push_back(spot);
    }
}

void MatchSimulator::EmitState(bool withCars, bool withOvertime) {
    record::State s;
    s.clock = Clock();
    if (withOvertime) s.overtime = overtime_;
    if (ball_.exists) {
        s.ball = Vector{static_cast<float>(RoundTo(ball_.x, 0.01)), static_cast<float>(RoundTo(ball_.y, 0.01)),
                        static_cast<float>(RoundTo(ball_.z, 0.01))};
    } else {
        s.removeBall = true;
    }
    if (withCars) {
        for (const Car& car : cars_)
            s.cars.push_back({{static_cast<float>(RoundTo(car.x, 0.01)), static_cast<float>(RoundTo(car.y, 0.01)),
                               static_cast<float>(RoundTo(car.z, 0.01))},
                              static_cast<float>(RoundTo(car.boost / 100.0, 1e-5)),
                              car.demolished});
        const auto& local = s.cars[static_cast<std::size_t>(localIndex_)];
        shownLocal_ = {local.location.X, local.location.Y, truth_.team};
        shownLocalOnField_ = !local.demolished;
    }
    Emit(s);
}

}  // namespace sandbox
