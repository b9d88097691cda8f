// The game functions whose calls the host reports as events, by their exact names.
#pragma once

namespace host::events {

inline constexpr const char* InitGame = "Function TAGame.GameEvent_Soccar_TA.InitGame";
inline constexpr const char* ActiveBeginState = "Function GameEvent_Soccar_TA.Active.BeginState";
inline constexpr const char* CountdownEndState = "Function GameEvent_Soccar_TA.Countdown.EndState";
inline constexpr const char* MatchEnded = "Function TAGame.GameEvent_Soccar_TA.EventMatchEnded";
inline constexpr const char* ScoreUpdated = "Function TAGame.Team_TA.EventScoreUpdated";
inline constexpr const char* CountdownBeginState = "Function GameEvent_Soccar_TA.Countdown.BeginState";
inline constexpr const char* MatchWinnerSet = "Function TAGame.GameEvent_Soccar_TA.EventMatchWinnerSet";
inline constexpr const char* MatchDestroyed = "Function TAGame.GameEvent_Soccar_TA.Destroyed";
inline constexpr const char* BallHitGoal = "Function TAGame.Ball_TA.OnHitGoal";
inline constexpr const char* CarHitBall = "Function TAGame.Car_TA.EventHitBall";
inline constexpr const char* StatTickerMessage = "Function TAGame.GFxHUD_TA.HandleStatTickerMessage";
inline constexpr const char* CarSetInput = "Function TAGame.Car_TA.SetInput";

}  // namespace host::events
