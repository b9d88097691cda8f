// PluginSession: one loaded plug-in's view of the host. It implements the backends behind the
// plug-in's CVarManagerWrapper and GameWrapper and tags everything the plug-in registers with its owner id.
#pragma once

#include <memory>

#include "host/sdk/backends.h"
#include "host/sdk/game_wrapper.h"
#include "owner.h"

namespace host {

class Host;

class PluginSession final : public ConsoleBackend, public GameBackend {
public:
    PluginSession(Host& host, OwnerId owner);
    OwnerId Owner() const { return owner_; }
    const std::shared_ptr<GameWrapper>& Game() const { return gameWrapper_; }

    // ConsoleBackend
    CVarRecord* RegisterCvar(const CVarRecord& definition) override;
    CVarRecord* FindCvar(const std::string& name) override;
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
    Host& host_;
    OwnerId owner_;
    std::shared_ptr<GameWrapper> gameWrapper_;  // the handle timer and Execute callbacks are given
};

}  // namespace host
