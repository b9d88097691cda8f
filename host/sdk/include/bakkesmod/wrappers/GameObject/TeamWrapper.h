// TeamWrapper: a handle onto one of a match's two teams.
#pragma once

#include "../GameObject/TeamInfoWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT TeamWrapper : public TeamInfoWrapper {
public:
    TeamWrapper(std::uintptr_t mem);
    bool IsNull();
};
