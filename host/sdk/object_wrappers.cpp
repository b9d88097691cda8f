// Game-object handles: each reads the modelled game object at its address; a null handle reads defaults.
#include <stdexcept>

#include "actor_wrappers.h"
#include "player_wrappers.h"
#include "server_wrapper.h"
#include "stat_event_wrapper.h"

namespace game = host::game;

namespace {

template <class T>
const T* At(std::uintptr_t address) {
    return reinterpret_cast<const T*>(address);
}

// Actor handles hold the address of the Actor part of a ball or car.
const game::Car* CarAt(std::uintptr_t address) {
    return address ? static_cast<const game::Car*>(At<game::Actor>(address)) : nullptr;
}

template <class Wrapper, class T>
Wrapper WrapperOf(const T* object) {
    return Wrapper(reinterpret_cast<std::uintptr_t>(object));
}

}  // namespace

// [SECTION] Actors

float BoostWrapper::GetCurrentBoostAmount() const {
    return IsNull() ? 0.0f : At<game::BoostComponent>(memory_address)->amount;
}

Vector ActorWrapper::GetLocation() const {
    return IsNull() ? Vector{} : At<game::Actor>(memory_address)->location;
}

unsigned char ActorWrapper::GetTeamNum2() const {
    return IsNull() ? 255 : static_cast<unsigned char>(At<game::Actor>(memory_address)->teamNum2);
}

PriWrapper VehicleWrapper::GetPRI() const {
    const game::Car* car = CarAt(memory_address);
    return (car && car->pri) ? WrapperOf<PriWrapper>(&*car->pri) : PriWrapper(0);
}

BoostWrapper VehicleWrapper::GetBoostComponent() const {
    const game::Car* car = CarAt(memory_address);
    return (car && car->boost) ? WrapperOf<BoostWrapper>(&*car->boost) : BoostWrapper(0);
}

// [SECTION] Players

unsigned char PlayerReplicationInfoWrapper::GetTeamNum() const {
    return IsNull() ? 255 : static_cast<unsigned char>(At<game::Pri>(memory_address)->team);
}

UniqueIDWrapper PriWrapper::GetUniqueIdWrapper() const {
    return IsNull() ? UniqueIDWrapper() : UniqueIDWrapper(At<game::Pri>(memory_address)->uniqueId);
}

float MMRWrapper::GetPlayerMMR(UniqueIDWrapper player, int playlistId) const {
    if (IsNull()) throw std::runtime_error("MMR wrapper is null");
    const auto* service = At<game::MmrService>(memory_address);
    if (service->failing) throw std::runtime_error("skill rating service unavailable");
    if (player.IsNull()) return 0.0f;
    auto found = service->ratings.find({player.GetUID(), playlistId});
    return found == service->ratings.end() ? 0.0f : found->second;
}

// [SECTION] Strings and stat events

std::string UnrealStringWrapper::ToString() const {
    return IsNull() ? std::string() : *At<std::string>(memory_address);
}

UnrealStringWrapper StatEventWrapper::GetLabel() const {
    return IsNull() ? UnrealStringWrapper(0) : WrapperOf<UnrealStringWrapper>(&At<game::StatEvent>(memory_address)->label);
}

// [SECTION] Match

UnrealStringWrapper GameSettingPlaylistWrapper::GetTitle() const {
    return IsNull() ? UnrealStringWrapper(0) : WrapperOf<UnrealStringWrapper>(&At<game::Playlist>(memory_address)->title);
}

unsigned long GameSettingPlaylistWrapper::GetbRanked() const {
    return IsNull() ? 0 : At<game::Playlist>(memory_address)->ranked;
}

int GameSettingPlaylistWrapper::GetPlaylistId() const {
    return IsNull() ? 0 : At<game::Playlist>(memory_address)->id;
}

ArrayWrapper<CarWrapper> GameEventWrapper::GetCars() const {
    return IsNull() ? ArrayWrapper<CarWrapper>() : ArrayWrapper<CarWrapper>(&At<game::Server>(memory_address)->cars);
}

GameSettingPlaylistWrapper GameEventWrapper::GetPlaylist() const {
    return IsNull() ? GameSettingPlaylistWrapper(0)
                    : WrapperOf<GameSettingPlaylistWrapper>(At<game::Server>(memory_address)->playlist.get());
}

unsigned long ServerWrapper::GetbOverTime() const {
    return (!IsNull() && At<game::Server>(memory_address)->overtime) ? 1 : 0;
}

float ServerWrapper::GetSecondsElapsed() const {
    return IsNull() ? 0.0f : At<game::Server>(memory_address)->secondsElapsed;
}

BallWrapper ServerWrapper::GetBall() const {
    if (IsNull()) return BallWrapper(0);
    const game::Ball* ball = At<game::Server>(memory_address)->ball.get();
    return WrapperOf<BallWrapper>(static_cast<const game::Actor*>(ball));
}
