// GameEventWrapper: a handle onto a game event (a match): its cars and its playlist.
#pragma once

#include "../Engine/ActorWrapper.h"
#include "../GameObject/CarWrapper.h"
#include "../GameEvent/GameSettingPlaylistWrapper.h"
#include "../arraywrapper.h"

class BAKKESMOD_PLUGIN_IMPORT GameEventWrapper : public ActorWrapper {
public:
    GameEventWrapper(std::uintptr_t mem);
    ArrayWrapper<CarWrapper> GetCars();  // every car of the match; a demolished car is a null handle
    GameSettingPlaylistWrapper GetPlaylist();
    bool IsNull();
};
