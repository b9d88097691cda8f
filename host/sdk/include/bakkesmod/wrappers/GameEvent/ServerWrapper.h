// ServerWrapper: a handle onto the match being played: clock, overtime flag and ball.
#pragma once

#include "../GameObject/BallWrapper.h"
#include "GameEventWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT ServerWrapper : public GameEventWrapper {
public:
    ServerWrapper(std::uintptr_t mem);
    unsigned long GetbOverTime();  // non-zero in overtime
    float GetSecondsElapsed();     // match clock, seconds
    BallWrapper GetBall();
    bool IsNull();
};
