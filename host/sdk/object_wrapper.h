// ObjectWrapper: the base of every game-object handle; a handle is an address that may be null.
#pragma once

#include <cstdint>

#include "sdk_api.h"

class HOSTSDK_API ObjectWrapper {
public:
    explicit ObjectWrapper(std::uintptr_t address = 0) : memory_address(address) {}
    bool IsNull() const { return memory_address == 0; }
    explicit operator bool() const { return !IsNull(); }

    std::uintptr_t memory_address;  // address of the game object, 0 = null
};
