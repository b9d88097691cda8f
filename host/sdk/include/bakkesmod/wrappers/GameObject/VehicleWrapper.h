// VehicleWrapper: a handle onto a vehicle: its driver's info and its boost tank.
#pragma once

#include "../Engine/ActorWrapper.h"
#include "CarComponent/BoostWrapper.h"
#include "PriWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT VehicleWrapper : public ActorWrapper {
public:
    VehicleWrapper(std::uintptr_t mem);
    PriWrapper GetPRI();
    BoostWrapper GetBoostComponent();
    bool IsNull();
};
