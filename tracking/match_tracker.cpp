// The match tracker's counting: per-tick sampling of the player's speed and boost and of possession,
// the latest touch, goals from the ball entering a goal and from the stat ticker, shots from the stat
// ticker, each placed on the zone grids.
#include "tracking/match_tracker.h"

#include <cmath>

#include "base/saturating.h"
#include "tracking/event_guards.h"
#include "tracking/game_constants.h"

namespace zando {

namespace c = constants;

namespace {

bool NearLargePad(Vector location) {
    for (Vector pad : c::LargePadLocations)
        if ((location - pad).magnitude() < c::LargePadRadius) return true;
    return false;
}

std::string Int(float value) { return std::to_string(static_cast<int>(value)); }

std::string ZoneText(const Zone& zone) { return "(" + std::to_string(zone.column) + "," + std::to_string(zone.row) + ")"; }

// A goal that one of the two paths (the ball entering the goal, the stat ticker) sees at now in zone
// was counted already: that path's last goal in the same zone within the window, or the other path's
// last goal within the window (each path reports every goal).
bool GoalAlreadyCounted(float now, Zone zone, float lastTime, Zone lastZone, float otherPathTime) {
    return (WithinWindow(now, lastTime, c::GoalDuplicateWindow) && zone == lastZone) ||
           WithinWindow(now, otherPathTime, c::GoalDuplicateWindow);
}

Counted Said(std::string line) { return {Counted::What::Nothing, {}, {std::move(line)}}; }

}  // namespace

void MatchTracker::ClearFigures() {
    static_cast<MatchFigures&>(match) = {};
    sampling = {};
    SizeGrid(match.shotHeatmap);
    SizeGrid(match.goalHeatmap);
    SizeGrid(sampling.positionHeatmap);
}

bool MatchTracker::SamplesPossessionAt(float now) const {
    const float interval = now - sampling.lastPossessionSampleTime;
    return sampling.lastPossessionSampleTime >= 0.0f && interval > 0.0f && interval < c::PossessionIntervalLimit;
}

void MatchTracker::Tick(const TickView& view) {
    if (view.ball && (view.now != sampling.lastBallTime || !sampling.lastBall)) {
        // The ball's speed, measured as the car's is: a reset to the centre after a goal is a jump, not speed.
        Vector ball = *view.ball;
        const float interval = view.now - sampling.lastBallTime;
        if (sampling.lastBall && sampling.lastBallTime >= 0.0f && interval > 0.0f && interval < c::SpeedIntervalLimit) {
            const float speed = (ball - *sampling.lastBall).magnitude() / interval;
            if (speed <= c::SpeedCeiling) {
                sampling.ballSpeed = speed;
                // A shot's speed is the ball's as it leaves the touch: measured at the tick after it was counted.
                if (sampling.shotSpeedPending && !match.places.empty()) match.places.back().ballSpeed = speed;
            }
        }
        sampling.shotSpeedPending = false;
        sampling.lastBall = ball;
        sampling.lastBallTime = view.now;
    }
    if (!view.car) {
        // No car to drive (demolished, or not spawned yet): the tank it comes back with is a refill,
        // neither used nor collected, so the next reading starts afresh.
        sampling.lastBoostAmount = -1.0f;
        return;
    }

    // Speed: the game calls for every car's input and every frame, so most ticks see the clock of the
    // previous one; only a tick a real interval later measures anything.
    Vector location = *view.car;  // the SDK's Vector operators are not const
    const float now = view.now;
    const float interval = now - guards.lastSpeedSampleTime;
    const bool measured = guards.lastSpeedSampleTime > 0.0f && interval > 0.0f && interval < c::SpeedIntervalLimit;
    const float speed = measured ? (location - guards.lastCarLocation).magnitude() / interval : 0.0f;
    guards.lastCarLocation = location;
    guards.lastSpeedSampleTime = now;
    if (measured && speed >= 0.0f && speed <= c::SpeedCeiling) {
        match.speedSum += speed;
        match.speedSamples += 1;
        sampling.lastMeasuredSpeed = speed;
    }

    if (!view.boost) return;
    const float amount = *view.boost;
    if (sampling.lastBoostAmount >= 0.0f) {
        const float delta = amount - sampling.lastBoostAmount;
        if (delta > c::PickupThreshold) {
            const float gain = delta * 100.0f;
            // A large pad tops up a nearly full tank by as little as a small pad would: where the car is
            // tells them apart first.
            if (gain >= c::LargePadGain || NearLargePad(location))
                match.boostCollected += c::LargePadCredit;
            else
                match.boostCollected += c::SmallPadCredit;
        } else if (delta < -c::SpendThreshold) {
            const float used = -delta * 100.0f;
            if (used < c::SpendCeiling) match.boostUsed += used;
        }
    }
    sampling.lastBoostAmount = amount;

    if (!view.ball) return;
    if (SamplesPossessionAt(now)) {
        const float possessionInterval = now - sampling.lastPossessionSampleTime;
        match.gameTime += possessionInterval;
        if (sampling.lastMeasuredSpeed >= c::SupersonicSpeed) match.supersonicTime += possessionInterval;
        if (amount <= 0.0f)
            match.emptyTankTime += possessionInterval;
        else if (amount >= 1.0f)
            match.fullTankTime += possessionInterval;
        if (view.carTeam == 0 || view.carTeam == 1) match.team = view.carTeam;
        float nearest = c::NearestCarStart;
        int nearestTeam = -1;
        for (CarPlace other : view.cars) {
            const float distance = (other.location - *view.ball).magnitude();
            if (distance < nearest) {
                nearest = distance;
                nearestTeam = other.team;
            }
        }
        if (nearest < c::PossessionRadius) {
            if (nearestTeam == view.carTeam) {
                match.teamPossessionTime += possessionInterval;
                match.possessionTime += possessionInterval;
                sampling.hasPossession = true;
            } else {
                match.opponentPossessionTime += possessionInterval;
                sampling.hasPossession = false;
            }
        } else {
            sampling.hasPossession = false;
        }
    }
    sampling.lastPossessionSampleTime = now;
}

std::string MatchTracker::Touch(const TouchView& view) {
    touch.lastTouchLocation = view.car;
    touch.lastTouchTime = view.now;
    // Only the player's own hit makes a goal into the opponent's net the player's goal; an unknown
    // hitter is not assumed to be the player (the stat ticker still reports the player's goals).
    touch.lastTouchByLocalCar = view.byPlayer;
    if (view.byPlayer) touch.ownTouchLocation = view.car;
    return "[TOUCH] Recorded ball touch at Y=" + Int(view.car.Y) + " X=" + Int(view.car.X);
}

void MatchTracker::KeepPlace(bool goal, float now, Vector car, Vector ball) {
    // The car at the player's own touch, where one was seen (the grid keeps the car at the latest touch).
    if (touch.ownTouchLocation) car = *touch.ownTouchLocation;
    // A reading that is not a place on the field (an odd value of the game's) is left out, not kept.
    const ShotPlace place{goal, now, {car.X, car.Y, car.Z}, {ball.X, ball.Y, ball.Z}, sampling.ballSpeed};
    if (match.places.size() >= MaxShotPlaces || !PlausiblePlace(place)) return;
    // A goal whose ball is short of a goal was not read where it went in (the game reported it after
    // the ball was put back, or it was scored before the match was followed): it counts, unplaced.
    if (goal && std::abs(ball.Y) <= c::GoalLineY) return;
    match.places.push_back(place);
    // A goal's speed is the ball's as it went in: the last measured before it.
    sampling.shotSpeedPending = !goal;
}

Counted MatchTracker::CountGoal(Zone zone, float now, Vector car, Vector ball) {
    int32_t& cell = match.goalHeatmap[zone.row][zone.column];
    cell = SaturatingAdd(cell, c::GoalCount);
    match.goals = SaturatingAdd(match.goals, 1);
    KeepPlace(true, now, car, ball);
    return {Counted::What::Goal, zone, {}};
}

Counted MatchTracker::GoalHit(const GoalHitView& view) {
    const int team = view.team;
    const bool intoOpponentGoal = (team == 0 && view.ball.Y > c::GoalLineY) || (team == 1 && view.ball.Y < -c::GoalLineY);
    if (!intoOpponentGoal) return Said("[GOAL] Goal was scored in own goal or neutral - not counting");

    const float now = view.now;
    const float touchAge = now - touch.lastTouchTime;
    if (touch.lastTouchTime >= 0.0f && !touch.lastTouchByLocalCar) {
        // A team-mate's or an opponent's hit was the last one: the goal is not the player's own (when
        // the game credits it to the player anyway, its "Goal" stat event counts it).
        return Said("[GOAL] Not counting - the last touch was another car's");
    }
    if (touch.lastTouchTime < 0.0f) return Said("[GOAL] Not counting - no player touch recorded");
    if (touchAge >= c::TouchAgeLimit)
        return Said("[GOAL] Not counting - touch was " + std::to_string(touchAge) + "s ago (too old)");

    // Oriented by the team read now: the team of an earlier match or of no shot yet would put the goal
    // at the wrong end of the grid.
    const Zone zone = zoneOf_(touch.lastTouchLocation.X, touch.lastTouchLocation.Y, team);
    if (GoalAlreadyCounted(now, zone, guards.lastGoalHitTime, guards.lastGoalHitZone, guards.lastGoalEventTime))
        return Said("[GOAL] DUPLICATE goal ignored at zone " + ZoneText(zone));
    guards.lastGoalHitTime = now;
    guards.lastGoalHitZone = zone;
    Counted counted = CountGoal(zone, now, touch.lastTouchLocation, view.ball);
    counted.lines.push_back("[GOAL TRACKED] Goal #" + std::to_string(match.goals) + " at zone " + ZoneText(zone) +
                            " - Touch was " + std::to_string(touchAge) + "s ago");
    return counted;
}

Counted MatchTracker::Stat(const StatView& view) {
    const int team = view.team;
    const float now = view.now;
    if (view.kind == StatView::Kind::Goal) {
        // A goal reported while the ball is in the player's own half is not one scored at the
        // opponent's end. (A shot is counted wherever the ball is: the game reports "Shot on Goal" only
        // for a shot at the opponent's goal, also one from the own half or straight from the kickoff.)
        if (!view.ball) return {};
        const Vector ball = *view.ball;
        if (!((team == 0 && ball.Y > 0.0f) || (team == 1 && ball.Y < 0.0f)))
            return Said("[SHOT] Shot towards own goal (save attempt), ignoring");
        Counted counted;
        Vector position = touch.lastTouchLocation;
        if (touch.lastTouchTime < 0.0f) {
            counted.lines.push_back("[GOAL] WARNING: No ball touch recorded! Using car position as fallback");
            position = view.car.value_or(ball);
        }
        const Zone zone = zoneOf_(position.X, position.Y, team);
        if (GoalAlreadyCounted(now, zone, guards.lastGoalEventTime, guards.lastGoalEventZone, guards.lastGoalHitTime)) {
            counted.lines.push_back("[GOAL] DUPLICATE goal event ignored at zone " + ZoneText(zone));
            return counted;
        }
        guards.lastGoalEventTime = now;
        guards.lastGoalEventZone = zone;
        Counted goal = CountGoal(zone, now, position, ball);
        goal.lines = std::move(counted.lines);
        goal.lines.push_back("[GOAL TRACKED #" + std::to_string(match.goals) + "] at zone " + ZoneText(zone));
        return goal;
    }

    Counted counted;
    Vector position = touch.lastTouchLocation;
    if (touch.lastTouchTime < 0.0f && view.car) {
        counted.lines.push_back("[SHOT] WARNING: No ball touch recorded! Using car position as fallback");
        position = *view.car;
    } else if (touch.lastTouchTime < 0.0f) {
        if (!view.ball) return {};
        counted.lines.push_back("[SHOT] WARNING: No ball touch recorded and no car! Using ball position as fallback");
        position = *view.ball;
    } else {
        counted.lines.push_back("[SHOT] Using last touch position: Y=" + Int(position.Y) + " X=" + Int(position.X));
    }
    if (WithinWindow(now, guards.lastShotTime, c::ShotDuplicateWindow)) {
        const float distance = (position - guards.lastShotLocation).magnitude();
        if (distance < c::ShotDuplicateDistance) {
            counted.lines.push_back("[SHOT] DUPLICATE shot ignored (dist=" + Int(distance) + " units)");
            return counted;
        }
    }
    const Zone zone = zoneOf_(position.X, position.Y, team);
    match.shotHeatmap[zone.row][zone.column] += c::ShotHeat;
    match.shots = SaturatingAdd(match.shots, 1);
    guards.lastShotTime = now;
    guards.lastShotLocation = position;
    // Without a ball to read now (it is being reset), the ball where it was last seen.
    KeepPlace(false, now, position, view.ball ? *view.ball : sampling.lastBall.value_or(position));
    counted.what = Counted::What::Shot;
    counted.zone = zone;
    counted.lines.push_back("[SHOT COUNTED #" + std::to_string(match.shots) + "] at (" + Int(position.X) + "," + Int(position.Y) +
                            ") Team=" + std::to_string(team));
    return counted;
}

void MatchTracker::Count(Credit credit) {
    int32_t& count = credit == Credit::Save         ? match.saves
                     : credit == Credit::Assist     ? match.assists
                     : credit == Credit::Demolition ? match.demolitions
                                                    : match.demolished;
    ++count;
}

}  // namespace zando
