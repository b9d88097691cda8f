// StatEventWrapper: a handle onto a stat-ticker event: its stable name ("Shot", "Goal", "Save", ...)
// and its label, the text the game shows for it (which may be translated).
#pragma once

#include "../../Engine/ObjectWrapper.h"
#include "../../Engine/UnrealStringWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT StatEventWrapper : public ObjectWrapper {
public:
    StatEventWrapper(std::uintptr_t mem);
    std::string GetEventName();
    UnrealStringWrapper GetLabel();
    bool IsNull();
};
