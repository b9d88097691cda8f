// CarWrapper: a handle onto a car.
#pragma once

#include "VehicleWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT CarWrapper : public VehicleWrapper {
public:
    CarWrapper(std::uintptr_t mem);
    bool IsNull();
};
