// ServerWrapper: a handle onto the match being played: clock, overtime flag, ball and (as a team game) teams.
#pragma once

#include "../GameObject/BallWrapper.h"
#include "TeamGameEventWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT ServerWrapper : public TeamGameEventWrapper {
public:
    ServerWrapper(std::uintptr_t mem);
    unsigned long GetbOverTime();  // non-zero in overtime
    float GetSecondsElapsed();     // match clock, seconds
    BallWrapper GetBall();
    bool IsNull();
};
