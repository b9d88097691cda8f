// PluginSession: one loaded plug-in's view of the host. It implements the backends behind the
// plug-in's CVarManagerWrapper and GameWrapper and tags everything the plug-in registers with its owner id.
#pragma once

#include <map>
#include <memory>

#include "backends.h"
#include "bakkesmod/wrappers/cvarmanagerwrapper.h"
#include "bakkesmod/wrappers/GameWrapper.h"
#include "owner.h"

namespace host {

class Host;

class PluginSession final : public ConsoleBackend, public GameBackend {
public:
    PluginSession(Host& host, OwnerId owner);
    OwnerId Owner() const { return owner_; }
    // The handles the plug-in is given: its console and its game.
    std::shared_ptr<CVarManagerWrapper> Console() { return std::make_shared<CVarManagerWrapper>(AddressOf<ConsoleBackend>(this)); }
    const std::shared_ptr<GameWrapper>& Game() const { return gameWrapper_; }

    // ConsoleBackend
    CVarHandle* RegisterCvar(const CVarRecord& definition) override;
    CVarHandle* FindCvar(const std::string& name) override;
    bool SetCvarValue(CVarRecord* cvar, const std::string& text) override;
    void AddCvarListener(CVarRecord* cvar, CVarChangedCallback callback) override;
    void RegisterNotifier(const std::string& name, NotifierCallback callback, const std::string& description,
                          unsigned char permissions) override;
    void ExecuteCommand(const std::string& text, bool log) override;
    void Log(const std::string& text) override;

    // GameBackend
    void HookEvent(const std::string& eventName, EventCallback callback) override;
    void HookEventWithCaller(const std::string& eventName, CallerEventCallback callback, bool post) override;
    void RegisterDrawable(DrawableCallback callback) override;
    void UnregisterDrawables() override;
    void SetTimeout(GameCallback callback, float delaySeconds) override;
    void Execute(GameCallback callback) override;
    std::filesystem::path DataFolder() override;
    game::World& World() override;

private:
    // The handle of a variable for this plug-in; stable for the session's life.
    CVarHandle* HandleOf(CVarRecord* record);

    Host& host_;
    OwnerId owner_;
    std::shared_ptr<GameWrapper> gameWrapper_;  // the handle timer and Execute callbacks are given
    std::map<CVarRecord*, CVarHandle> cvarHandles_;
};

}  // namespace host
