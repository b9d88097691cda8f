// TeamInfoWrapper: a handle onto a team's replicated info: its index and its score.
#pragma once

#include "../Engine/ActorWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT TeamInfoWrapper : public ActorWrapper {
public:
    TeamInfoWrapper(std::uintptr_t mem);
    int GetTeamIndex();  // 0 blue, 1 orange; -1 for a null handle
    int GetScore();      // goals; 0 for a null handle
    bool IsNull();
};
