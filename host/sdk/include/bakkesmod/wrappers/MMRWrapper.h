// MMRWrapper: the game's skill-rating service. A rating is a value, with whether it is synced (the
// service has the player's rating for that playlist) and whether an update is on its way.
#pragma once

#include <cstdint>

#include "../plugin/bakkesmodsdk.h"
#include "UniqueIDWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT MMRWrapper {
public:
    MMRWrapper(std::uintptr_t mem);
    // The player's rating in a playlist; 0 when the service has none (not synced, or offline).
    float GetPlayerMMR(UniqueIDWrapper playerID, int playlistID);
    bool IsSynced(UniqueIDWrapper playerID, int playlistID);
    bool IsSyncing(UniqueIDWrapper playerID);

private:
    std::uintptr_t memory_address;
};
