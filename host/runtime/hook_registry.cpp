// HookRegistry: registration and dispatch of game-event hooks.
#include "hook_registry.h"

#include <exception>

namespace host {

void HookRegistry::Hook(OwnerId owner, const std::string& eventName, EventCallback callback) {
    hooks_.push_back(std::make_shared<Entry>(Entry{owner, eventName, false, false, std::move(callback), {}}));
}

void HookRegistry::HookWithCaller(OwnerId owner, const std::string& eventName, CallerEventCallback callback, bool post) {
    hooks_.push_back(std::make_shared<Entry>(Entry{owner, eventName, post, false, {}, std::move(callback)}));
}

int HookRegistry::Fire(const std::string& eventName, std::uintptr_t caller, void* params,
                       const std::function<void(const std::string&)>& onError) {
    // Hooks may hook or unhook while they run: walk a snapshot, skipping entries dropped meanwhile.
    std::vector<std::shared_ptr<Entry>> snapshot;
    for (const auto& hook : hooks_)
        if (hook->eventName == eventName) snapshot.push_back(hook);

    int ran = 0;
    for (bool post : {false, true}) {
        for (const auto& hook : snapshot) {
            if (hook->post != post || hook->dropped) continue;
            try {
                if (hook->plain) hook->plain(eventName);
                else hook->withCaller(caller, params, eventName);
            } catch (const std::exception& e) {
                onError("hook on \"" + eventName + "\" threw: " + e.what());
            } catch (...) {
                onError("hook on \"" + eventName + "\" threw an unknown exception");
            }
            ++ran;
        }
    }
    return ran;
}

void HookRegistry::DropOwner(OwnerId owner) {
    std::erase_if(hooks_, [owner](const auto& hook) {
        if (hook->owner == owner) hook->dropped = true;
        return hook->dropped;
    });
}

}  // namespace host
