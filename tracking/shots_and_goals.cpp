// Touches, shots and goals: the last touch of the local car, goals from the ball entering a goal and
// from the stat ticker, shots from the stat ticker, each placed on the zone grids.
#include <string>

#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "bakkesmod/wrappers/GameObject/PriWrapper.h"
#include "bakkesmod/wrappers/GameObject/Stats/StatEventWrapper.h"
#include "base/saturating.h"
#include "plugin/zando.h"
#include "tracking/event_guards.h"
#include "tracking/game_constants.h"
#include "tracking/game_event_names.h"

namespace c = zando::constants;

namespace {

std::string Int(float value) { return std::to_string(static_cast<int>(value)); }

std::string ZoneText(const ZANDO::Zone& zone) { return "(" + std::to_string(zone.column) + "," + std::to_string(zone.row) + ")"; }

}  // namespace

// A counted goal, whichever path saw it: both goal grids, the match's count, and the all-time file.
// A goal that one of the two paths (the ball entering the goal, the stat ticker) sees at now in zone
// was counted already: that path's last goal in the same zone within the window, or the other path's
// last goal within the window (each path reports every goal).
bool ZANDO::GoalAlreadyCounted(float now, Zone zone, float lastTime, Zone lastZone, float otherPathTime) {
    return (zando::WithinWindow(now, lastTime, c::GoalDuplicateWindow) && zone == lastZone) ||
           zando::WithinWindow(now, otherPathTime, c::GoalDuplicateWindow);
}

void ZANDO::CountGoal(Zone zone) {
    int32_t& matchCell = match.goalHeatmap[zone.row][zone.column];
    int32_t& allTimeCell = allTimeGoalHeatmap[zone.row][zone.column];
    matchCell = zando::SaturatingAdd(matchCell, c::GoalCount);
    allTimeCell = zando::SaturatingAdd(allTimeCell, c::GoalCount);
    match.goals = zando::SaturatingAdd(match.goals, 1);
    SaveAllTimeHeatmap(true);
}

void ZANDO::RecordBallTouch(CarWrapper hitter) {
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    if (state.IsNull()) return;
    CarWrapper car = gameWrapper->GetLocalCar();
    if (car.IsNull()) return;
    touch.lastTouchLocation = car.GetLocation();
    touch.lastTouchTime = state.GetSecondsElapsed();
    // Only the local car's own hit makes a goal into the opponent's net the player's goal; an
    // unknown hitter is not assumed to be the player (the stat ticker still reports the player's goals).
    touch.lastTouchByLocalCar = !hitter.IsNull() && hitter.memory_address == car.memory_address;
    cvarManager->log("[TOUCH] Recorded ball touch at Y=" + Int(touch.lastTouchLocation.Y) +
                     " X=" + Int(touch.lastTouchLocation.X));
}

// The ball entering a goal. The game calls this on the ball: the match and its clock come from the
// current game state.
void ZANDO::HandleGoalHit(BallWrapper ball) {
    if (ball.IsNull()) return;
    if (!flags.matchActive) {
        // After the end of a match, in freeplay or in training: not a goal of a followed match.
        cvarManager->log("[GOAL] Match not active - not counting");
        return;
    }
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    if (state.IsNull()) return;
    CarWrapper car = gameWrapper->GetLocalCar();
    if (car.IsNull()) return;
    const Vector ballLocation = ball.GetLocation();
    PriWrapper pri = car.GetPRI();
    if (pri.IsNull()) return;

    const int team = pri.GetTeamNum();
    const bool intoOpponentGoal = (team == 0 && ballLocation.Y > c::GoalLineY) || (team == 1 && ballLocation.Y < -c::GoalLineY);
    if (!intoOpponentGoal) {
        cvarManager->log("[GOAL] Goal was scored in own goal or neutral - not counting");
        return;
    }

    const float now = state.GetSecondsElapsed();
    const float touchAge = now - touch.lastTouchTime;
    if (touch.lastTouchTime >= 0.0f && !touch.lastTouchByLocalCar) {
        // A team-mate's or an opponent's hit was the last one: the goal is not the player's own
        // (when the game credits it to the player anyway, its "Goal" stat event counts it).
        cvarManager->log("[GOAL] Not counting - the last touch was another car's");
    } else if (touch.lastTouchTime >= 0.0f && touchAge < c::TouchAgeLimit) {
        // Oriented by the team read now: the team of an earlier match or of no shot yet would put the
        // goal at the wrong end of the grid.
        const Zone zone = ZoneOf(touch.lastTouchLocation.X, touch.lastTouchLocation.Y, team);
        if (GoalAlreadyCounted(now, zone, guards.lastGoalHitTime, {guards.lastGoalHitCol, guards.lastGoalHitRow},
                               guards.lastGoalEventTime)) {
            cvarManager->log("[GOAL] DUPLICATE goal ignored at zone " + ZoneText(zone));
            return;
        }
        guards.lastGoalHitTime = now;
        guards.lastGoalHitCol = zone.column;
        guards.lastGoalHitRow = zone.row;
        CountGoal(zone);
        cvarManager->log("[GOAL TRACKED] Goal #" + std::to_string(match.goals) + " at zone " + ZoneText(zone) + " - Touch was " +
                         std::to_string(touchAge) + "s ago");
    } else if (touch.lastTouchTime < 0.0f) {
        cvarManager->log("[GOAL] Not counting - no player touch recorded");
    } else {
        cvarManager->log("[GOAL] Not counting - touch was " + std::to_string(touchAge) + "s ago (too old)");
    }
}

void ZANDO::HandleStatEvent(void* params) {
    if (!flags.matchActive) {
        cvarManager->log("[SHOT] Match not active - skipping");
        return;
    }
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    if (state.IsNull() || !params) return;
    // No local car while it is demolished: the game still credits the player's shot or goal then.
    CarWrapper car = gameWrapper->GetLocalCar();
    const auto* block = static_cast<const zando::events::StatTickerParams*>(params);
    if (block->statEvent == 0) return;
    StatEventWrapper statEvent(block->statEvent);
    if (statEvent.IsNull()) return;

    // The label is what the player sees (and may be translated); the event's name says what it is.
    const std::string label = statEvent.GetLabel().ToString();
    cvarManager->log("[STAT EVENT] " + label);
    const std::string name = statEvent.GetEventName();
    const bool isShot = name == c::ShotEventName;
    const bool isGoal = name == c::GoalEventName;
    if (!isShot && !isGoal) return;

    PriWrapper receiver(block->receiver);
    if (receiver.IsNull()) return;
    bool ours = false;
    if (!car.IsNull()) {
        PriWrapper localPri = car.GetPRI();
        if (localPri.IsNull()) return;
        ours = receiver.memory_address == localPri.memory_address;
    } else {
        // Without a car the driver is told by account; id 0 is nobody's.
        UniqueIDWrapper me = gameWrapper->GetUniqueID();
        UniqueIDWrapper them = receiver.GetUniqueIdWrapper();
        ours = me.GetUID() != 0 && me.GetUID() == them.GetUID() && me.GetPlatform() == them.GetPlatform();
    }
    if (!ours) {
        cvarManager->log(isGoal ? "[GOAL] Not our goal, ignoring" : "[SHOT] Not our shot, ignoring");
        return;
    }

    const int team = receiver.GetTeamNum();
    flags.playerTeam = team;

    if (isGoal) {
        // A goal reported while the ball is in the player's own half is not one scored at the
        // opponent's end. (A shot is counted wherever the ball is: the game reports "Shot on Goal" only
        // for a shot at the opponent's goal, also one from the own half or straight from the kickoff.)
        BallWrapper ball = state.GetBall();
        if (ball.IsNull()) return;
        const Vector ballLocation = ball.GetLocation();
        if (!((team == 0 && ballLocation.Y > 0.0f) || (team == 1 && ballLocation.Y < 0.0f))) {
            cvarManager->log("[SHOT] Shot towards own goal (save attempt), ignoring");
            return;
        }
        Vector position = touch.lastTouchLocation;
        if (touch.lastTouchTime < 0.0f) {
            cvarManager->log("[GOAL] WARNING: No ball touch recorded! Using car position as fallback");
            position = car.IsNull() ? ballLocation : car.GetLocation();
        }
        const float now = state.GetSecondsElapsed();
        const Zone zone = ZoneOf(position.X, position.Y, team);
        if (GoalAlreadyCounted(now, zone, guards.lastGoalEventTime, {guards.lastGoalEventCol, guards.lastGoalEventRow},
                               guards.lastGoalHitTime)) {
            cvarManager->log("[GOAL] DUPLICATE goal event ignored at zone " + ZoneText(zone));
            return;
        }
        guards.lastGoalEventTime = now;
        guards.lastGoalEventCol = zone.column;
        guards.lastGoalEventRow = zone.row;
        CountGoal(zone);
        cvarManager->log("[GOAL TRACKED #" + std::to_string(match.goals) + "] at zone " + ZoneText(zone));
        return;
    }

    Vector position = touch.lastTouchLocation;
    if (touch.lastTouchTime < 0.0f && !car.IsNull()) {
        cvarManager->log("[SHOT] WARNING: No ball touch recorded! Using car position as fallback");
        position = car.GetLocation();
    } else if (touch.lastTouchTime < 0.0f) {
        BallWrapper ball = state.GetBall();
        if (ball.IsNull()) return;
        cvarManager->log("[SHOT] WARNING: No ball touch recorded and no car! Using ball position as fallback");
        position = ball.GetLocation();
    } else {
        cvarManager->log("[SHOT] Using last touch position: Y=" + Int(position.Y) + " X=" + Int(position.X));
    }
    const float now = state.GetSecondsElapsed();
    if (zando::WithinWindow(now, guards.lastShotTime, c::ShotDuplicateWindow)) {
        const float distance = (position - guards.lastShotLocation).magnitude();
        if (distance < c::ShotDuplicateDistance) {
            cvarManager->log("[SHOT] DUPLICATE shot ignored (dist=" + Int(distance) + " units)");
            return;
        }
    }
    const Zone zone = ZoneOf(position.X, position.Y, team);
    match.shotHeatmap[zone.row][zone.column] += c::ShotHeat;
    allTimeShotHeatmap[zone.row][zone.column] += c::ShotHeat;
    match.shots = zando::SaturatingAdd(match.shots, 1);
    guards.lastShotTime = now;
    guards.lastShotLocation = position;
    SaveAllTimeHeatmap(true);
    cvarManager->log("[SHOT COUNTED #" + std::to_string(match.shots) + "] at (" + Int(position.X) + "," + Int(position.Y) +
                     ") Team=" + std::to_string(team));
}
