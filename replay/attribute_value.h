// The few fields of a replicated property that the match needs, filled by the attribute decoder; the
// rest of each property is read and passed over.
#pragma once

#include <cstdint>
#include <string>

#include "replay/match_frames.h"

namespace replay {

struct AttributeValue {
    bool flag = false;         // Boolean; a rigid body's sleeping flag
    std::int64_t integer = 0;  // Byte, Int, Int64, Enum, ActiveActor's id, Byte-sized boost amounts
    float number = 0.0f;
    Vec3 location;        // RigidBody, Location, Explosion
    Vec3 velocity;        // RigidBody (zero while sleeping)
    int otherActor = -1;  // Demolish*: the victim; ActiveActor: -1 when its flag is off
    PlayerId id;          // UniqueId, PartyLeader
    std::string text;     // String
};

}  // namespace replay
