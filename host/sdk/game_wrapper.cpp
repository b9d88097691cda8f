// GameWrapper: forwards registrations to the plug-in's game session and wraps the modelled game's
// objects as handles.
#include <filesystem>

#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "bakkesmod/wrappers/GameObject/CarWrapper.h"
#include "bakkesmod/wrappers/GameWrapper.h"
#include "host/runtime/backends.h"

namespace {

host::GameBackend* Game(std::uintptr_t address) { return host::ObjectAt<host::GameBackend>(address); }

}  // namespace

GameWrapper::GameWrapper(std::uintptr_t mem) : memory_address(mem) {}

void GameWrapper::HookEvent(std::string eventName, std::function<void(std::string eventName)> callback) {
    Game(memory_address)->HookEvent(eventName, std::move(callback));
}

void GameWrapper::HookEventWithCallerAddress(std::string eventName, AddressCallback callback, bool post) {
    Game(memory_address)->HookEventWithCaller(eventName, std::move(callback), post);
}

void GameWrapper::RegisterDrawable(std::function<void(CanvasWrapper)> callback) {
    Game(memory_address)->RegisterDrawable(std::move(callback));
}
void GameWrapper::UnregisterDrawables() { Game(memory_address)->UnregisterDrawables(); }
void GameWrapper::SetTimeout(std::function<void(GameWrapper*)> theLambda, float time) {
    Game(memory_address)->SetTimeout(std::move(theLambda), time);
}
void GameWrapper::Execute(std::function<void(GameWrapper*)> theLambda) { Game(memory_address)->Execute(std::move(theLambda)); }

std::filesystem::path GameWrapper::GetDataFolder() { return Game(memory_address)->DataFolder(); }

ServerWrapper GameWrapper::GetCurrentGameState() {
    return ServerWrapper(host::AddressOf(Game(memory_address)->World().currentGame.get()));
}

ServerWrapper GameWrapper::GetOnlineGame() {
    host::game::World& world = Game(memory_address)->World();
    return ServerWrapper(world.onlineGame ? host::AddressOf(world.currentGame.get()) : 0);
}

CarWrapper GameWrapper::GetLocalCar() {
    host::game::World& world = Game(memory_address)->World();
    // A demolished car is gone from the game until it respawns: no local car meanwhile.
    host::game::Car* car = world.currentGame && world.localCar && !world.localCar->demolished ? world.localCar : nullptr;
    // Actor handles hold the address of the Actor part of a ball or car.
    return CarWrapper(host::AddressOf(static_cast<host::game::Actor*>(car)));
}

UniqueIDWrapper GameWrapper::GetUniqueID() { return UniqueIDWrapper(host::AddressOf(&Game(memory_address)->World().localPlayer)); }

MMRWrapper GameWrapper::GetMMRWrapper() { return MMRWrapper(host::AddressOf(&Game(memory_address)->World().mmr)); }
