// ActorWrapper: a handle onto anything placed in the world.
#pragma once

#include "../wrapperstructs.h"
#include "ObjectWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT ActorWrapper : public ObjectWrapper {
public:
    ActorWrapper(std::uintptr_t mem);
    Vector GetLocation();         // world units; (0,0,0) for a null handle
    unsigned char GetTeamNum2();  // 255 for an actor without a team or a null handle
    bool IsNull();
};
