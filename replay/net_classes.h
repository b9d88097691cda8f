// What a replay does not say about itself and a reader must know: how each replicated property is
// encoded, which class an archetype object spawns, and which classes send a place (and a rotation)
// when an actor of theirs is opened. Learnt from the game's replays; a name missing here stops the
// reading with that name, never a guess.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace replay {

enum class AttributeKind : std::uint8_t {
    Boolean,
    Byte,
    Int,
    Int64,
    QWord,
    Float,
    String,
    Enum,         // 11 bits
    ActiveActor,  // a flag and an actor id
    FlaggedByte,
    RigidBody,
    Location,
    Rotation,  // three optional bytes
    UniqueId,
    PartyLeader,
    Reservation,
    Loadout,
    TeamLoadout,
    LoadoutOnline,
    LoadoutsOnline,
    CamSettings,
    ClubColors,
    TeamPaint,
    Title,
    Demolish,
    DemolishFx,
    DemolishExtended,
    Explosion,
    ExtendedExplosion,
    MusicStinger,
    Pickup,
    PickupNew,
    PickupInfo,
    PrivateMatchSettings,
    StatEvent,
    GameMode,
    PlayerHistoryKey,
    Welded,
    AppliedDamage,
    DamageState,
    RepStatTitle,
    ReplicatedBoost,
    GameServer,  // a number in older builds, text from build 221120.42953.406184
};

std::optional<AttributeKind> AttributeKindOf(std::string_view propertyName);

// The class an object names when an actor is opened with it ("Archetypes.Car.Car_Default" opens a
// "TAGame.Car_TA"); level objects ("...TheWorld:PersistentLevel.VehiclePickup_Boost_TA_12") by their kind.
std::optional<std::string_view> ClassOfObject(std::string_view objectName);

enum class Trajectory : std::uint8_t { None, Location, LocationAndRotation };
// What an opened actor sends first is decided by the nearest class up its hierarchy that the game
// treats apart (every actor a place, rigid bodies a rotation too, some none): this says it for those
// classes only.
std::optional<Trajectory> OwnTrajectory(std::string_view className);

// The class a class derives from, where the replay's own class net cache may not say it right.
std::optional<std::string_view> ParentClassOf(std::string_view className);

}  // namespace replay
