// ArrayWrapper: a view of one of the game's lists of objects. Get out of range gives a null handle.
#pragma once

#include <cstdint>

#include "../plugin/bakkesmodsdk.h"

template <class T>
class BAKKESMOD_PLUGIN_IMPORT ArrayWrapper {
public:
    ArrayWrapper(std::uintptr_t mem);
    int Count();
    T Get(int index);
    bool IsNull();

private:
    std::uintptr_t memory_address;
};
