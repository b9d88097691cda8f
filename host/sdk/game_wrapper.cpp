// GameWrapper: forwards registrations to the host and wraps the modelled game's objects as handles.
#include "game_wrapper.h"

#include "backends.h"

host::ConsoleBackend::~ConsoleBackend() = default;
host::GameBackend::~GameBackend() = default;
host::CanvasBackend::~CanvasBackend() = default;

void GameWrapper::HookEvent(std::string eventName, host::EventCallback callback) {
    game_->HookEvent(eventName, std::move(callback));
}

void GameWrapper::RegisterDrawable(host::DrawableCallback callback) { game_->RegisterDrawable(std::move(callback)); }
void GameWrapper::UnregisterDrawables() { game_->UnregisterDrawables(); }
void GameWrapper::SetTimeout(host::GameCallback callback, float delaySeconds) {
    game_->SetTimeout(std::move(callback), delaySeconds);
}
void GameWrapper::Execute(host::GameCallback callback) { game_->Execute(std::move(callback)); }

std::filesystem::path GameWrapper::GetDataFolder() { return game_->DataFolder(); }

ServerWrapper GameWrapper::GetCurrentGameState() {
    return ServerWrapper(reinterpret_cast<std::uintptr_t>(game_->World().currentGame.get()));
}

ServerWrapper GameWrapper::GetOnlineGame() {
    host::game::World& world = game_->World();
    return ServerWrapper(world.onlineGame ? reinterpret_cast<std::uintptr_t>(world.currentGame.get()) : 0);
}

CarWrapper GameWrapper::GetLocalCar() {
    host::game::World& world = game_->World();
    // A demolished car is gone from the game until it respawns: no local car meanwhile.
    const host::game::Car* car = world.currentGame && world.localCar && !world.localCar->demolished ? world.localCar : nullptr;
    return CarWrapper(reinterpret_cast<std::uintptr_t>(car));
}

UniqueIDWrapper GameWrapper::GetUniqueID() { return UniqueIDWrapper(game_->World().localPlayer); }

MMRWrapper GameWrapper::GetMMRWrapper() { return MMRWrapper(reinterpret_cast<std::uintptr_t>(&game_->World().mmr)); }
