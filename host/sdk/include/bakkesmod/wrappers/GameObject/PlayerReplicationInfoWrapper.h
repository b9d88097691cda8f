// PlayerReplicationInfoWrapper: a handle onto a player's replicated info.
#pragma once

#include "../Engine/ActorWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT PlayerReplicationInfoWrapper : public ActorWrapper {
public:
    PlayerReplicationInfoWrapper(std::uintptr_t mem);
    unsigned char GetTeamNum();  // 0 or 1; 255 for a null handle
    bool IsNull();
};
