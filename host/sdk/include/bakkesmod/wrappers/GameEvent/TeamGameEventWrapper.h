// TeamGameEventWrapper: a handle onto a game event played by teams: its teams.
#pragma once

#include "../GameObject/TeamWrapper.h"
#include "GameEventWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT TeamGameEventWrapper : public GameEventWrapper {
public:
    TeamGameEventWrapper(std::uintptr_t mem);
    ArrayWrapper<TeamWrapper> GetTeams();  // blue, then orange
    bool IsNull();
};
