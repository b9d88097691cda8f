// PluginSession: forwards a plug-in's console and game calls to the host, tagged with its owner id.
#include "plugin_session.h"

#include "host.h"

namespace host {

PluginSession::PluginSession(Host& host, OwnerId owner)
    : host_(host), owner_(owner), gameWrapper_(std::make_shared<GameWrapper>(AddressOf<GameBackend>(this))) {}

// [SECTION] Console

CVarHandle* PluginSession::HandleOf(CVarRecord* record) {
    if (!record) return nullptr;
    return &cvarHandles_.try_emplace(record, CVarHandle{this, record}).first->second;
}

CVarHandle* PluginSession::RegisterCvar(const CVarRecord& definition) {
    return HandleOf(host_.GetConsole().RegisterCvar(definition));
}
CVarHandle* PluginSession::FindCvar(const std::string& name) { return HandleOf(host_.GetConsole().FindCvar(name)); }
bool PluginSession::SetCvarValue(CVarRecord* cvar, const std::string& text) {
    return host_.GetConsole().SetCvarValue(cvar, text);
}
void PluginSession::AddCvarListener(CVarRecord* cvar, CVarChangedCallback callback) {
    host_.GetConsole().AddCvarListener(cvar, owner_, [this, callback = std::move(callback)](std::string oldValue, CVarRecord* record) {
        callback(std::move(oldValue), CVarWrapper(AddressOf(HandleOf(record))));
    });
}
void PluginSession::RegisterNotifier(const std::string& name, NotifierCallback callback, const std::string& description,
                                     unsigned char permissions) {
    host_.GetConsole().RegisterNotifier(name, owner_, std::move(callback), description, permissions);
}
void PluginSession::ExecuteCommand(const std::string& text, bool log) { host_.GetConsole().Execute(text, log); }
void PluginSession::Log(const std::string& text) { host_.GetConsole().AddLine(text); }

// [SECTION] Game

void PluginSession::HookEvent(const std::string& eventName, EventCallback callback) {
    host_.Hooks().Hook(owner_, eventName, std::move(callback));
}
void PluginSession::HookEventWithCaller(const std::string& eventName, CallerEventCallback callback, bool post) {
    host_.Hooks().HookWithCaller(owner_, eventName, std::move(callback), post);
}
void PluginSession::RegisterDrawable(DrawableCallback callback) { host_.AddDrawable(owner_, std::move(callback)); }
void PluginSession::UnregisterDrawables() { host_.RemoveDrawables(owner_); }

void PluginSession::SetTimeout(GameCallback callback, float delaySeconds) {
    host_.GetScheduler().SetTimeout(owner_, [game = gameWrapper_.get(), callback = std::move(callback)] { callback(game); },
                                    delaySeconds);
}
void PluginSession::Execute(GameCallback callback) {
    host_.GetScheduler().Execute(owner_, [game = gameWrapper_.get(), callback = std::move(callback)] { callback(game); });
}

std::filesystem::path PluginSession::DataFolder() { return host_.DataFolder(); }
game::World& PluginSession::World() { return host_.World(); }

}  // namespace host
