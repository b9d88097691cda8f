// BallWrapper: a handle onto the ball.
#pragma once

#include "../Engine/ActorWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT BallWrapper : public ActorWrapper {
public:
    BallWrapper(std::uintptr_t mem);
    bool IsNull();
};
