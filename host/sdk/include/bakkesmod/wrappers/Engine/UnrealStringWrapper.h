// UnrealStringWrapper: a handle onto one of the game's strings.
#pragma once

#include <string>

#include "ObjectWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT UnrealStringWrapper : public ObjectWrapper {
public:
    UnrealStringWrapper(std::uintptr_t mem);
    std::string ToString();  // empty for a null handle
    bool IsNull();
};
