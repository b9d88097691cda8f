// UniqueIDWrapper: a player's account id; a null handle reads as the id 0 of no platform.
#pragma once

#include <cstdint>

#include "../plugin/bakkesmodsdk.h"

class BAKKESMOD_PLUGIN_IMPORT UniqueIDWrapper {
public:
    UniqueIDWrapper();
    UniqueIDWrapper(std::uintptr_t mem);
    unsigned long long GetUID();
    int GetPlatform();  // platform code (0 = unknown)

private:
    std::uintptr_t memory_address;
};
