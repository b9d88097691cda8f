// Game-object handles: each reads the modelled game object at its address; a null handle reads defaults.
#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "bakkesmod/wrappers/GameObject/CarWrapper.h"
#include "bakkesmod/wrappers/GameObject/Stats/StatEventWrapper.h"
#include "bakkesmod/wrappers/MMRWrapper.h"
#include "host/runtime/backends.h"
#include "host/runtime/game_objects.h"

namespace game = host::game;
using host::AddressOf;

namespace {

// The modelled game object a handle's address points at; handles only read it.
template <class T>
const T* At(std::uintptr_t address) {
    return host::ObjectAt<const T>(address);
}

// Actor handles hold the address of the Actor part of a ball or car.
const game::Car* CarAt(std::uintptr_t address) {
    return address ? static_cast<const game::Car*>(At<game::Actor>(address)) : nullptr;
}

}  // namespace

// [SECTION] Handles and their null test

ObjectWrapper::ObjectWrapper(std::uintptr_t mem) : memory_address(mem) {}

#define ZANDO_HANDLE(Class, Base)                              \
    Class::Class(std::uintptr_t mem) : Base(mem) {}           \
    bool Class::IsNull() { return memory_address == 0; }

ZANDO_HANDLE(ActorWrapper, ObjectWrapper)
ZANDO_HANDLE(UnrealStringWrapper, ObjectWrapper)
ZANDO_HANDLE(PlayerReplicationInfoWrapper, ActorWrapper)
ZANDO_HANDLE(PriWrapper, PlayerReplicationInfoWrapper)
ZANDO_HANDLE(BoostWrapper, ActorWrapper)
ZANDO_HANDLE(BallWrapper, ActorWrapper)
ZANDO_HANDLE(VehicleWrapper, ActorWrapper)
ZANDO_HANDLE(CarWrapper, VehicleWrapper)
ZANDO_HANDLE(StatEventWrapper, ObjectWrapper)
ZANDO_HANDLE(GameSettingPlaylistWrapper, ObjectWrapper)
ZANDO_HANDLE(GameEventWrapper, ActorWrapper)
ZANDO_HANDLE(TeamGameEventWrapper, GameEventWrapper)
ZANDO_HANDLE(ServerWrapper, TeamGameEventWrapper)
ZANDO_HANDLE(TeamInfoWrapper, ActorWrapper)
ZANDO_HANDLE(TeamWrapper, TeamInfoWrapper)

#undef ZANDO_HANDLE

// [SECTION] Actors

float BoostWrapper::GetCurrentBoostAmount() { return IsNull() ? 0.0f : At<game::BoostComponent>(memory_address)->amount; }

Vector ActorWrapper::GetLocation() { return IsNull() ? Vector() : At<game::Actor>(memory_address)->location; }

unsigned char ActorWrapper::GetTeamNum2() {
    return IsNull() ? 255 : static_cast<unsigned char>(At<game::Actor>(memory_address)->teamNum2);
}

PriWrapper VehicleWrapper::GetPRI() {
    const game::Car* car = CarAt(memory_address);
    return PriWrapper(car && car->pri ? AddressOf(&*car->pri) : 0);
}

BoostWrapper VehicleWrapper::GetBoostComponent() {
    const game::Car* car = CarAt(memory_address);
    return BoostWrapper(car && car->boost ? AddressOf(&*car->boost) : 0);
}

// [SECTION] Players

unsigned char PlayerReplicationInfoWrapper::GetTeamNum() {
    return IsNull() ? 255 : static_cast<unsigned char>(At<game::Pri>(memory_address)->team);
}

UniqueIDWrapper PriWrapper::GetUniqueIdWrapper() {
    return UniqueIDWrapper(IsNull() ? 0 : AddressOf(&At<game::Pri>(memory_address)->uniqueId));
}

UniqueIDWrapper::UniqueIDWrapper() : memory_address(0) {}
UniqueIDWrapper::UniqueIDWrapper(std::uintptr_t mem) : memory_address(mem) {}
unsigned long long UniqueIDWrapper::GetUID() { return memory_address ? At<game::UniqueId>(memory_address)->id : 0; }
int UniqueIDWrapper::GetPlatform() { return memory_address ? At<game::UniqueId>(memory_address)->platform : 0; }

MMRWrapper::MMRWrapper(std::uintptr_t mem) : memory_address(mem) {}

bool MMRWrapper::IsSynced(UniqueIDWrapper, int) {
    return memory_address && !At<game::MmrService>(memory_address)->failing;
}

bool MMRWrapper::IsSyncing(UniqueIDWrapper) {
    if (!memory_address) return false;
    const auto* service = At<game::MmrService>(memory_address);
    return !service->failing && service->syncing;
}

float MMRWrapper::GetPlayerMMR(UniqueIDWrapper playerID, int playlistID) {
    if (!IsSynced(playerID, playlistID)) return 0.0f;
    const auto& ratings = At<game::MmrService>(memory_address)->ratings;
    const auto found = ratings.find({playerID.GetUID(), playlistID});
    return found == ratings.end() ? 0.0f : found->second;
}

// [SECTION] Strings and stat events

std::string UnrealStringWrapper::ToString() { return IsNull() ? std::string() : *At<std::string>(memory_address); }

std::string StatEventWrapper::GetEventName() { return IsNull() ? std::string() : At<game::StatEvent>(memory_address)->name; }

UnrealStringWrapper StatEventWrapper::GetLabel() {
    return UnrealStringWrapper(IsNull() ? 0 : AddressOf(&At<game::StatEvent>(memory_address)->label));
}

// [SECTION] Match

UnrealStringWrapper GameSettingPlaylistWrapper::GetTitle() {
    return UnrealStringWrapper(IsNull() ? 0 : AddressOf(&At<game::Playlist>(memory_address)->title));
}

unsigned long GameSettingPlaylistWrapper::GetbRanked() { return IsNull() ? 0 : At<game::Playlist>(memory_address)->ranked; }

int GameSettingPlaylistWrapper::GetPlaylistId() { return IsNull() ? 0 : At<game::Playlist>(memory_address)->id; }

ArrayWrapper<CarWrapper> GameEventWrapper::GetCars() {
    return ArrayWrapper<CarWrapper>(IsNull() ? 0 : AddressOf(&At<game::Server>(memory_address)->cars));
}

GameSettingPlaylistWrapper GameEventWrapper::GetPlaylist() {
    return GameSettingPlaylistWrapper(IsNull() ? 0 : AddressOf(At<game::Server>(memory_address)->playlist.get()));
}

unsigned long ServerWrapper::GetbOverTime() { return (!IsNull() && At<game::Server>(memory_address)->overtime) ? 1 : 0; }

float ServerWrapper::GetSecondsElapsed() { return IsNull() ? 0.0f : At<game::Server>(memory_address)->secondsElapsed; }

BallWrapper ServerWrapper::GetBall() {
    const game::Ball* ball = IsNull() ? nullptr : At<game::Server>(memory_address)->ball.get();
    return BallWrapper(AddressOf(static_cast<const game::Actor*>(ball)));
}

// [SECTION] Teams

int TeamInfoWrapper::GetTeamIndex() { return IsNull() ? -1 : At<game::Team>(memory_address)->index; }

int TeamInfoWrapper::GetScore() { return IsNull() ? 0 : At<game::Team>(memory_address)->score; }

ArrayWrapper<TeamWrapper> TeamGameEventWrapper::GetTeams() {
    return ArrayWrapper<TeamWrapper>(IsNull() ? 0 : AddressOf(&At<game::Server>(memory_address)->teams));
}

// [SECTION] Lists (the match's cars, its teams)

namespace {

// What a list handle's address points at, and the handle of each entry.
template <class T>
struct ListOf;
template <>
struct ListOf<CarWrapper> {
    using List = std::vector<std::unique_ptr<game::Car>>;
    // A demolished car is gone from the match until it respawns: its entry is a null handle.
    static std::uintptr_t EntryAddress(const game::Car& car) {
        return car.demolished ? 0 : AddressOf(static_cast<const game::Actor*>(&car));
    }
};
template <>
struct ListOf<TeamWrapper> {
    using List = std::vector<std::unique_ptr<game::Team>>;
    static std::uintptr_t EntryAddress(const game::Team& team) { return AddressOf(&team); }
};

}  // namespace

template <class T>
ArrayWrapper<T>::ArrayWrapper(std::uintptr_t mem) : memory_address(mem) {}

template <class T>
bool ArrayWrapper<T>::IsNull() {
    return memory_address == 0;
}

template <class T>
int ArrayWrapper<T>::Count() {
    return IsNull() ? 0 : static_cast<int>(At<typename ListOf<T>::List>(memory_address)->size());
}

template <class T>
T ArrayWrapper<T>::Get(int index) {
    if (index < 0 || index >= Count()) return T(0);
    return T(ListOf<T>::EntryAddress(*(*At<typename ListOf<T>::List>(memory_address))[static_cast<std::size_t>(index)]));
}

template class ArrayWrapper<CarWrapper>;
template class ArrayWrapper<TeamWrapper>;
