// GameWrapper: the plug-in's handle onto the running game: hooks, drawables, timers, the game
// thread, the data folder and the game's state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>

#include "../plugin/bakkesmodsdk.h"
#include "Engine/ObjectWrapper.h"
#include "MMRWrapper.h"
#include "UniqueIDWrapper.h"
#include "canvaswrapper.h"

class ServerWrapper;
class CarWrapper;

class BAKKESMOD_PLUGIN_IMPORT GameWrapper {
public:
    GameWrapper(std::uintptr_t mem);

    void HookEvent(std::string eventName, std::function<void(std::string eventName)> callback);

    // Hooks run before the game's function (HookEventWithCaller) or after it (Post), with the
    // object whose function fires wrapped as T and the function's raw parameter block.
    template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type* = nullptr>
    void HookEventWithCaller(std::string eventName,
                             std::function<void(T caller, void* params, std::string eventName)> callback) {
        HookEventWithCallerAddress(eventName, Unwrapped(std::move(callback)), false);
    }
    template <typename T, typename std::enable_if<std::is_base_of<ObjectWrapper, T>::value>::type* = nullptr>
    void HookEventWithCallerPost(std::string eventName,
                                 std::function<void(T caller, void* params, std::string eventName)> callback) {
        HookEventWithCallerAddress(eventName, Unwrapped(std::move(callback)), true);
    }

    void RegisterDrawable(std::function<void(CanvasWrapper)> callback);
    void UnregisterDrawables();
    // Runs theLambda once, time seconds from now, on the game thread.
    void SetTimeout(std::function<void(GameWrapper*)> theLambda, float time);
    // Runs theLambda once, soon, on the game thread: how work leaves the render thread.
    void Execute(std::function<void(GameWrapper*)> theLambda);

    // Declared when <filesystem> was included before the SDK.
#if defined(_FILESYSTEM_) || defined(_GLIBCXX_FILESYSTEM)
    std::filesystem::path GetDataFolder();
#endif
    ServerWrapper GetCurrentGameState();  // null outside a match
    ServerWrapper GetOnlineGame();        // null outside an online match
    CarWrapper GetLocalCar();             // null without a car (also while it is demolished)
    UniqueIDWrapper GetUniqueID();
    MMRWrapper GetMMRWrapper();

private:
    using AddressCallback = std::function<void(std::uintptr_t caller, void* params, std::string eventName)>;
    template <typename T>
    static AddressCallback Unwrapped(std::function<void(T, void*, std::string)> callback) {
        return [callback = std::move(callback)](std::uintptr_t caller, void* params, std::string eventName) {
            callback(T(caller), params, std::move(eventName));
        };
    }
    void HookEventWithCallerAddress(std::string eventName, AddressCallback callback, bool post);

    std::uintptr_t memory_address;
};
