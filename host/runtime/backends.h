// The interfaces the host runtime implements behind the SDK's console, game and canvas handles. A
// plug-in never sees these: its CVarManagerWrapper, CVarWrapper, GameWrapper and CanvasWrapper hold
// the address of one of them, the way the real SDK's handles hold the address of the game's objects.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bakkesmod/wrappers/canvaswrapper.h"
#include "bakkesmod/wrappers/cvarwrapper.h"
#include "bakkesmod/wrappers/wrapperstructs.h"
#include "cvar_record.h"
#include "game_objects.h"

class GameWrapper;

namespace host {

using CVarChangedCallback = std::function<void(std::string oldValue, CVarWrapper cvar)>;
using NotifierCallback = std::function<void(std::vector<std::string> words)>;
using EventCallback = std::function<void(std::string eventName)>;
using CallerEventCallback = std::function<void(std::uintptr_t caller, void* params, std::string eventName)>;
using DrawableCallback = std::function<void(CanvasWrapper canvas)>;
using GameCallback = std::function<void(GameWrapper* game)>;

class ConsoleBackend;

// What a CVarWrapper's address points at: one variable, as one plug-in's console session sees it.
struct CVarHandle {
    ConsoleBackend* console;
    CVarRecord* record;
};

// Console side of one loaded plug-in's session with the host.
class ConsoleBackend {
public:
    virtual ~ConsoleBackend() = default;
    // Registers a variable, or returns the existing one of that name (its value kept).
    virtual CVarHandle* RegisterCvar(const CVarRecord& definition) = 0;
    virtual CVarHandle* FindCvar(const std::string& name) = 0;  // null when there is no such variable
    // Stores a new value (bounds applied) and runs the change callbacks; false when refused.
    virtual bool SetCvarValue(CVarRecord* cvar, const std::string& text) = 0;
    virtual void AddCvarListener(CVarRecord* cvar, CVarChangedCallback callback) = 0;
    virtual void RegisterNotifier(const std::string& name, NotifierCallback callback,
                                  const std::string& description, unsigned char permissions) = 0;
    virtual void ExecuteCommand(const std::string& text, bool log) = 0;
    virtual void Log(const std::string& text) = 0;  // any thread
};

// Game side of one loaded plug-in's session with the host.
class GameBackend {
public:
    virtual ~GameBackend() = default;
    virtual void HookEvent(const std::string& eventName, EventCallback callback) = 0;
    virtual void HookEventWithCaller(const std::string& eventName, CallerEventCallback callback, bool post) = 0;
    virtual void RegisterDrawable(DrawableCallback callback) = 0;
    virtual void UnregisterDrawables() = 0;
    virtual void SetTimeout(GameCallback callback, float delaySeconds) = 0;
    virtual void Execute(GameCallback callback) = 0;  // any thread
    virtual std::filesystem::path DataFolder() = 0;
    virtual game::World& World() = 0;
};

// A frame's drawing surface: the host records the calls or turns them into pixels.
class CanvasBackend {
public:
    virtual ~CanvasBackend() = default;
    virtual Vector2 GetSize() = 0;
    virtual void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) = 0;
    virtual void SetPosition(Vector2 position) = 0;
    virtual void DrawRect(Vector2 start, Vector2 end) = 0;
    virtual void DrawLine(Vector2 start, Vector2 end, float width) = 0;
    virtual void DrawString(const std::string& text, float xScale, float yScale) = 0;
};

// The address an SDK handle holds for a backend object, and back.
template <class T>
std::uintptr_t AddressOf(T* object) {
    return reinterpret_cast<std::uintptr_t>(object);
}
template <class T>
T* ObjectAt(std::uintptr_t address) {
    return reinterpret_cast<T*>(address);
}

}  // namespace host
