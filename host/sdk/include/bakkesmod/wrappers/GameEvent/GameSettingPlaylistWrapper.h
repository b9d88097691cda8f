// GameSettingPlaylistWrapper: a handle onto the playlist a match is played in.
#pragma once

#include "../Engine/ObjectWrapper.h"
#include "../Engine/UnrealStringWrapper.h"

class BAKKESMOD_PLUGIN_IMPORT GameSettingPlaylistWrapper : public ObjectWrapper {
public:
    GameSettingPlaylistWrapper(std::uintptr_t mem);
    UnrealStringWrapper GetTitle();
    unsigned long GetbRanked();  // non-zero = ranked
    int GetPlaylistId();
    bool IsNull();
};
