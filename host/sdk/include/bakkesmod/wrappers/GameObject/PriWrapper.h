// PriWrapper: a handle onto a player's match info (team, account).
#pragma once

#include "../GameObject/PlayerReplicationInfoWrapper.h"
#include "../UniqueIDWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT PriWrapper : public PlayerReplicationInfoWrapper {
public:
    PriWrapper(std::uintptr_t mem);
    UniqueIDWrapper GetUniqueIdWrapper();  // the driver's account; id 0 for a null handle
    bool IsNull();
};
