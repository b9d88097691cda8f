// Match lifecycle: the game-event hooks and the handlers that move the match flags, show the
// overlays at the end and finish the match (at once, or 3 s later for the new MMR).
#include <cmath>
#include <cstdio>
#include <exception>
#include <random>
#include <string>

#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "base/utc_timestamp.h"
#include "plugin/zando.h"
#include "tracking/event_guards.h"
#include "tracking/game_constants.h"
#include "tracking/game_event_names.h"

namespace {

// The six lines of each end-of-match handler: triggered, overtime, processing, delaying, done, done later.
constexpr const char* MatchEndedTexts[6] = {
    "[EVENT] EventMatchEnded triggered",
    "[STATS] Overtime detected - waiting for final result",
    "[STATS] Match ended (no overtime) - Processing stats...",
    "[METADATA] Match ended - delaying upload 3s for MMR update...",
    "[STATS] Match ended processing complete.",
    "[STATS] Match ended processing complete (delayed for MMR).",
};
constexpr const char* MatchWinnerSetTexts[6] = {
    "[EVENT] EventMatchWinnerSet triggered",
    "[STATS] Match winner set during overtime - waiting for overtime to finish",
    "[STATS] Match winner set (forfeit or normal) - Processing stats...",
    "[METADATA] Winner set - delaying upload 3s for MMR update...",
    "[STATS] Match winner set processing complete.",
    "[STATS] Match winner set processing complete (delayed for MMR).",
};

// A new match's own id: 128 random bits in hexadecimal, drawn from a generator seeded once.
std::string NewMatchId() {
    static std::mt19937_64 draw = [] {
        std::random_device device;
        std::seed_seq seeds{device(), device(), device(), device(), static_cast<unsigned>(zando::UnixNow())};
        return std::mt19937_64(seeds);
    }();
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(draw()),
                  static_cast<unsigned long long>(draw()));
    return text;
}

}  // namespace

void ZANDO::HookGameEvents() {
    namespace events = zando::events;
    const auto hook = [this](const char* eventName, void (ZANDO::*handler)()) {
        gameWrapper->HookEvent(eventName, Locked([this, handler](std::string) { (this->*handler)(); }));
    };
    hook(events::InitGame, &ZANDO::OnInitGame);
    hook(events::ActiveBeginState, &ZANDO::OnActiveBeginState);
    hook(events::CountdownEndState, &ZANDO::OnCountdownEnd);
    hook(events::MatchEnded, &ZANDO::OnMatchEnded);
    hook(events::ScoreUpdated, &ZANDO::OnScoreUpdated);
    hook(events::CountdownBeginState, &ZANDO::OnCountdownBegin);
    hook(events::MatchWinnerSet, &ZANDO::OnMatchWinnerSet);
    hook(events::MatchDestroyed, &ZANDO::OnMatchDestroyed);
    gameWrapper->HookEventWithCaller<BallWrapper>(events::BallHitGoal,
                                                  Locked([this](BallWrapper ball, void*, std::string) { HandleGoalHit(ball); }));
    gameWrapper->HookEventWithCaller<CarWrapper>(
        events::CarHitBall, Locked([this](CarWrapper hitter, void*, std::string) { RecordBallTouch(hitter); }));
    gameWrapper->HookEventWithCallerPost<ServerWrapper>(
        events::StatTickerMessage, Locked([this](ServerWrapper, void* params, std::string) { HandleStatEvent(params); }));
    hook(events::CarSetInput, &ZANDO::SampleTick);
}

// [SECTION] Start, kickoff and goal replay

void ZANDO::OnInitGame() {
    try {
        cvarManager->log("[RESET] InitGame fired - resetting stats and hiding UI");
        StartNewMatch();  // its metadata is read at its first kickoff countdown
    } catch (...) {
        if (cvarManager) cvarManager->log("[ZANDO ERROR] InitGame hook crashed");
    }
}

void ZANDO::OnActiveBeginState() {
    try {
        if (flags.matchActive) {
            cvarManager->log("[ACTIVE] Active.BeginState - mid-match, NOT resetting");
        } else {
            cvarManager->log("[RESET] Active.BeginState - NEW match starting, resetting and hiding UI");
            StartNewMatch();
        }
        flags.trackingPaused = false;
    } catch (...) {
        if (cvarManager) cvarManager->log("[ZANDO ERROR] Active.BeginState hook crashed");
    }
}

void ZANDO::OnCountdownEnd() {
    try {
        flags.trackingPaused = false;
        cvarManager->log("[COUNTDOWN] Countdown ended - resuming stat tracking");
    } catch (...) {
        if (cvarManager) cvarManager->log("[ZANDO ERROR] Countdown.EndState hook crashed");
    }
}

void ZANDO::OnCountdownBegin() {
    flags.inGoalReplay = false;
    flags.trackingPaused = true;
    tracker.sampling.lastBoostAmount = -1.0f;  // the kickoff refills the tank to a third: not a pickup, not use
    cvarManager->log("[COUNTDOWN] Countdown started - pausing stat tracking");
    if (!flags.matchActive) {
        cvarManager->log("[COUNTDOWN] New match starting - resetting stats and hiding UI");
        StartNewMatch();
        CaptureMatchMetadata();
    } else if (!flags.matchMetadataCaptured) {
        // A match followed since InitGame, or since the plug-in loaded, has not had its playlist and
        // MMR read yet: its first kickoff reads them, so its upload and MMR change are not lost.
        cvarManager->log("[COUNTDOWN] First kickoff of this match - reading match metadata");
        CaptureMatchMetadata();
    }
}

void ZANDO::OnScoreUpdated() {
    flags.inGoalReplay = true;
    flags.trackingPaused = false;
    cvarManager->log("[GOAL] Score updated - entering replay state (match still active)");
}

// [SECTION] End of the match

void ZANDO::StartNewMatch() {
    ResetStats();  // paused until the kickoff ends
    settings.showPostGame = false;
    settings.showHeatmap = false;
    flags.matchActive = true;
    flags.matchMetadataCaptured = false;
    BeginFollowingMatch();
}

void ZANDO::BeginFollowingMatch() {
    flags.matchFinished = false;
    flags.uploadInProgress = false;  // an upload still on the worker is the previous match's
    ++flags.matchNumber;
    tracker.ForgetPreviousEvents();
    // Followed from its start, or from a load in its course: it began as long ago as its clock says.
    ServerWrapper state = gameWrapper ? gameWrapper->GetCurrentGameState() : ServerWrapper(0);
    const float clock = state.IsNull() ? 0.0f : state.GetSecondsElapsed();
    tracker.match.matchId = NewMatchId();
    tracker.match.startedAt = zando::UnixNow() - (std::isfinite(clock) && clock > 0.0f ? static_cast<int64_t>(clock) : 0);
}

void ZANDO::OnMatchEnded() { ProcessMatchEnd(MatchEndedTexts, true); }

void ZANDO::OnMatchWinnerSet() { ProcessMatchEnd(MatchWinnerSetTexts, false); }

// A match is finished once, by the first end event with its result final: EventMatchEnded always
// (the game keeps the overtime flag set at the end of a match decided in overtime), the winner being
// set outside overtime.
void ZANDO::ProcessMatchEnd(const char* const (&texts)[6], bool matchOver) {
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    cvarManager->log(texts[0]);
    if (flags.matchFinished) {
        cvarManager->log("[STATS] Match already processed - nothing more to do");
        return;
    }
    const bool overtime = !state.IsNull() && state.GetbOverTime();
    if (overtime && !matchOver) {
        cvarManager->log(texts[1]);
        return;
    }
    cvarManager->log(overtime ? "[STATS] Match ended in overtime - Processing stats..." : texts[2]);
    flags.matchFinished = true;
    flags.matchActive = false;
    flags.trackingPaused = false;
    tracker.match.overtime = overtime;
    ReadFinalScore(state);
    settings.showPostGame = true;
    settings.showHeatmap = true;

    if (tracker.match.initialMmr > 0.0f) {
        // An end still waiting (a match that ended within the last 3 s) is finished before this one.
        if (pendingEnd) FinishMatchAfterMmrDelay(gameWrapper.get());
        flags.awaitingMmrUpload = true;
        pendingEnd = PendingMatchEnd{CurrentRecord(), texts[5], flags.matchNumber};
        cvarManager->log(texts[3]);
        // The callback may outlive this object (the plug-in unloaded within the delay): it checks first,
        // and does nothing when this end was already finished (at unload).
        std::weak_ptr<bool> alive = lifetime;
        const uint64_t match = flags.matchNumber;
        gameWrapper->SetTimeout(
            [this, alive, match](GameWrapper* game) {
                if (alive.expired()) return;
                zando::StateLock lock(stateLock);
                if (!pendingEnd || pendingEnd->match != match) return;
                FinishMatchAfterMmrDelay(game);
            },
            zando::constants::MmrDelaySeconds);
        return;
    }
    ExportAndUpload(CurrentRecord(), flags.matchNumber, texts[4], true);
}

void ZANDO::FinishMatchAfterMmrDelay(GameWrapper* game) {
    if (!pendingEnd) return;
    PendingMatchEnd end = std::move(*pendingEnd);
    pendingEnd.reset();
    flags.awaitingMmrUpload = false;
    ReadFinalMmr(game, end.record);
    // A new match may be followed by now: its own MMR change and "uploaded" flag are left alone.
    if (end.match == flags.matchNumber) tracker.match.mmrChange = end.record.mmrChange;  // the card shows it while it stays up
    ExportAndUpload(end.record, end.match, end.completionLine, true);
}

void ZANDO::ReadFinalScore(ServerWrapper state) {
    tracker.match.finalScore.reset();
    if (state.IsNull()) return;
    ArrayWrapper<TeamWrapper> teams = state.GetTeams();
    std::array<int32_t, 2> score{-1, -1};
    for (int i = 0; i < teams.Count(); ++i) {
        TeamWrapper team = teams.Get(i);
        const int index = team.GetTeamIndex();
        if (!team.IsNull() && (index == 0 || index == 1)) score[static_cast<std::size_t>(index)] = team.GetScore();
    }
    if (score[0] >= 0 && score[1] >= 0) tracker.match.finalScore = score;
}

void ZANDO::OnMatchDestroyed() {
    if (flags.awaitingMmrUpload) {
        cvarManager->log("[STATS] Match destroyed but delayed upload pending - skipping to avoid race");
    } else if (flags.matchActive && !flags.matchFinished &&
               (tracker.match.shots > 0 || tracker.match.goals > 0 || tracker.match.gameTime > 5.0f)) {
        cvarManager->log("[STATS] Match destroyed with active stats - uploading before reset");
        flags.matchFinished = true;
        ReadFinalScore(gameWrapper->GetCurrentGameState());
        MatchRecord record = CurrentRecord();
        record.left = true;
        ExportAndUpload(record, flags.matchNumber, {}, false);
    }
    // The match object is gone: whatever happened above, it is no longer followed, so the next match
    // starts afresh at its first countdown even without an InitGame.
    flags.matchActive = false;
}
