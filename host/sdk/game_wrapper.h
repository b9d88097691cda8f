// GameWrapper: the plug-in's handle onto the running game: hooks, drawables, timers, data folder, game state.
#pragma once

#include <filesystem>
#include <string>

#include "actor_wrappers.h"
#include "backends.h"
#include "canvas_wrapper.h"
#include "player_wrappers.h"
#include "sdk_api.h"
#include "server_wrapper.h"

class HOSTSDK_API GameWrapper {
public:
    explicit GameWrapper(host::GameBackend* game) : game_(game) {}

    void HookEvent(std::string eventName, host::EventCallback callback);

    // Hooks run before the game's function (HookEventWithCaller) or after it (Post), with the
    // object whose function fires wrapped as T and the function's raw parameter block.
    template <class T>
    void HookEventWithCaller(std::string eventName, std::function<void(T caller, void* params, std::string eventName)> callback) {
        game_->HookEventWithCaller(eventName, WrapCaller<T>(std::move(callback)), false);
    }
    template <class T>
    void HookEventWithCallerPost(std::string eventName, std::function<void(T caller, void* params, std::string eventName)> callback) {
        game_->HookEventWithCaller(eventName, WrapCaller<T>(std::move(callback)), true);
    }

    void RegisterDrawable(host::DrawableCallback callback);
    void UnregisterDrawables();
    void SetTimeout(host::GameCallback callback, float delaySeconds);
    void Execute(host::GameCallback callback);

    std::filesystem::path GetDataFolder();
    ServerWrapper GetCurrentGameState();
    ServerWrapper GetOnlineGame();
    CarWrapper GetLocalCar();
    UniqueIDWrapper GetUniqueID();
    MMRWrapper GetMMRWrapper();

private:
    template <class T>
    static host::CallerEventCallback WrapCaller(std::function<void(T, void*, std::string)> callback) {
        return [callback = std::move(callback)](std::uintptr_t caller, void* params, std::string name) {
            callback(T(caller), params, std::move(name));
        };
    }

    host::GameBackend* game_;
};
