// ObjectWrapper: the base of every game-object handle, the address of the object (0 = none).
#pragma once

#include <cstdint>

#include "../../plugin/bakkesmodsdk.h"

class BAKKESMOD_PLUGIN_IMPORT ObjectWrapper {
public:
    ObjectWrapper(std::uintptr_t mem);
    std::uintptr_t memory_address;
};
