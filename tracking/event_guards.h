// The event handlers' memory of their previous event: process-wide values, never cleared by
// ResetStats, and started afresh with each match followed (a goal of a new match in the zone of the
// previous match's last goal is not that goal again).
#pragma once

#include "bakkesmod/wrappers/wrapperstructs.h"

namespace zando::guards {

inline float lastSpeedSampleTime = -1.0f;  // match clock of the last speed reading, s
inline Vector lastCarLocation{0.0f, 0.0f, 0.0f};  // local car at the last speed reading
inline float lastShotTime = -5.0f;         // match clock of the last counted shot, s
inline Vector lastShotLocation{0.0f, 0.0f, 0.0f};  // where the last counted shot was placed
inline float lastGoalEventTime = -5.0f;    // match clock of the last goal counted from the stat ticker, s
inline int lastGoalEventCol = -999;
inline int lastGoalEventRow = -999;
inline float lastGoalHitTime = -5.0f;      // match clock of the last goal counted from the ball entering a goal, s
inline int lastGoalHitCol = -999;
inline int lastGoalHitRow = -999;

// Back to the values before any event.
inline void Forget() {
    lastSpeedSampleTime = -1.0f;
    lastCarLocation = {0.0f, 0.0f, 0.0f};
    lastShotTime = -5.0f;
    lastShotLocation = {0.0f, 0.0f, 0.0f};
    lastGoalEventTime = -5.0f;
    lastGoalEventCol = -999;
    lastGoalEventRow = -999;
    lastGoalHitTime = -5.0f;
    lastGoalHitCol = -999;
    lastGoalHitRow = -999;
}

// True when now falls in [last, last + window): the same event reported again. A last value from a
// previous match (its clock ahead of this match's) is not a duplicate.
inline bool WithinWindow(float now, float last, float window) {
    const float elapsed = now - last;
    return elapsed >= 0.0f && elapsed < window;
}

}  // namespace zando::guards
