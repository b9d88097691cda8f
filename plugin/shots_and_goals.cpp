// Touches, shots and goals: the hooks read the ball's hit, the ball entering a goal and the stat
// ticker's messages from the game, hand them to the match tracker, and add what it counted to the
// all-time grids.
#include <string>

#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "bakkesmod/wrappers/GameObject/PriWrapper.h"
#include "bakkesmod/wrappers/GameObject/Stats/StatEventWrapper.h"
#include "base/saturating.h"
#include "plugin/zando.h"
#include "tracking/game_constants.h"
#include "tracking/game_event_names.h"

namespace c = zando::constants;

void ZANDO::CountIntoAllTime(const zando::Counted& counted) {
    const zando::Zone zone = counted.zone;
    if (counted.what == zando::Counted::What::Shot) {
        allTimeShotHeatmap[zone.row][zone.column] += c::ShotHeat;
        SaveAllTimeHeatmap(true);
    } else if (counted.what == zando::Counted::What::Goal) {
        int32_t& cell = allTimeGoalHeatmap[zone.row][zone.column];
        cell = zando::SaturatingAdd(cell, c::GoalCount);
        SaveAllTimeHeatmap(true);
    }
    for (const std::string& line : counted.lines) cvarManager->log(line);
}

void ZANDO::RecordBallTouch(CarWrapper hitter) {
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    if (state.IsNull()) return;
    CarWrapper car = gameWrapper->GetLocalCar();
    if (car.IsNull()) return;
    const bool byPlayer = !hitter.IsNull() && hitter.memory_address == car.memory_address;
    cvarManager->log(tracker.Touch({state.GetSecondsElapsed(), car.GetLocation(), byPlayer}));
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
    PriWrapper pri = car.GetPRI();
    if (pri.IsNull()) return;
    CountIntoAllTime(tracker.GoalHit({state.GetSecondsElapsed(), ball.GetLocation(), pri.GetTeamNum()}));
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

    // Whether a player of the message is the local one.
    const auto isLocal = [&](PriWrapper pri) {
        if (pri.IsNull()) return false;
        if (!car.IsNull()) {
            PriWrapper localPri = car.GetPRI();
            return !localPri.IsNull() && pri.memory_address == localPri.memory_address;
        }
        // Without a car the driver is told by account; id 0 is nobody's.
        UniqueIDWrapper me = gameWrapper->GetUniqueID();
        UniqueIDWrapper them = pri.GetUniqueIdWrapper();
        return me.GetUID() != 0 && me.GetUID() == them.GetUID() && me.GetPlatform() == them.GetPlatform();
    };
    PriWrapper receiver(block->receiver);
    if (name == c::DemolishEventName) {
        if (isLocal(receiver))
            tracker.Count(zando::MatchTracker::Credit::Demolition);
        else if (block->victim != 0 && isLocal(PriWrapper(block->victim)))
            tracker.Count(zando::MatchTracker::Credit::Demolished);
        return;
    }
    if (name == c::SaveEventName || name == c::AssistEventName) {
        if (isLocal(receiver))
            tracker.Count(name == c::SaveEventName ? zando::MatchTracker::Credit::Save : zando::MatchTracker::Credit::Assist);
        return;
    }
    if (!isShot && !isGoal) return;

    if (receiver.IsNull()) return;
    const bool ours = isLocal(receiver);
    if (!ours) {
        cvarManager->log(isGoal ? "[GOAL] Not our goal, ignoring" : "[SHOT] Not our shot, ignoring");
        return;
    }

    zando::StatView view;
    view.kind = isGoal ? zando::StatView::Kind::Goal : zando::StatView::Kind::Shot;
    view.now = state.GetSecondsElapsed();
    view.team = receiver.GetTeamNum();
    flags.playerTeam = view.team;
    if (!car.IsNull()) view.car = car.GetLocation();
    BallWrapper ball = state.GetBall();
    if (!ball.IsNull()) view.ball = ball.GetLocation();
    CountIntoAllTime(tracker.Stat(view));
}
