// Handles onto players: PlayerReplicationInfoWrapper / PriWrapper, UniqueIDWrapper and MMRWrapper.
#pragma once

#include <cstdint>

#include "game_objects.h"
#include "object_wrapper.h"

class HOSTSDK_API PlayerReplicationInfoWrapper : public ObjectWrapper {
public:
    using ObjectWrapper::ObjectWrapper;
    unsigned char GetTeamNum() const;  // 0 or 1; 255 for a null handle
};

class UniqueIDWrapper;

class HOSTSDK_API PriWrapper : public PlayerReplicationInfoWrapper {
public:
    using PlayerReplicationInfoWrapper::PlayerReplicationInfoWrapper;
    UniqueIDWrapper GetUniqueIdWrapper() const;  // the driver's account; null for a null handle
};

// A player's account id. A value, not a view: null when the host could not tell who the player is.
class HOSTSDK_API UniqueIDWrapper {
public:
    UniqueIDWrapper() = default;
    explicit UniqueIDWrapper(host::game::UniqueId id) : id_(id), valid_(true) {}
    bool IsNull() const { return !valid_; }
    std::uint64_t GetUID() const { return id_.id; }
    int GetPlatform() const { return id_.platform; }

private:
    host::game::UniqueId id_;
    bool valid_ = false;
};

class HOSTSDK_API MMRWrapper : public ObjectWrapper {
public:
    using ObjectWrapper::ObjectWrapper;
    // The player's rating in a playlist; 0 when unknown. Throws std::runtime_error when the
    // rating service cannot be reached or the handle is null, as the game's does.
    float GetPlayerMMR(UniqueIDWrapper player, int playlistId) const;
};
