// BoostWrapper: a handle onto a car's boost tank.
#pragma once

#include "../../Engine/ActorWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT BoostWrapper : public ActorWrapper {
public:
    BoostWrapper(std::uintptr_t mem);
    float GetCurrentBoostAmount();  // 0..1 of a full tank; 0 for a null handle
    bool IsNull();
};
