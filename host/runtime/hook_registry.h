// HookRegistry: game-event hooks by exact function name, run when the modelled game fires the event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backends.h"
#include "owner.h"

namespace host {

class HookRegistry {
public:
    void Hook(OwnerId owner, const std::string& eventName, EventCallback callback);
    void HookWithCaller(OwnerId owner, const std::string& eventName, CallerEventCallback callback, bool post);

    // Runs the hooks of eventName: first those that run before the game's function (plain hooks and
    // caller hooks, in registration order), then those that run after it. Returns how many ran.
    // An exception thrown by a hook is handed to onError and the remaining hooks still run.
    int Fire(const std::string& eventName, std::uintptr_t caller, void* params,
             const std::function<void(const std::string&)>& onError);

    void DropOwner(OwnerId owner);
    std::size_t Count() const { return hooks_.size(); }

private:
    struct Entry {
        OwnerId owner;
        std::string eventName;
        bool post;
        bool dropped;                 // removed while a dispatch was walking its snapshot
        EventCallback plain;          // set for HookEvent
        CallerEventCallback withCaller;  // set for the caller variants
    };
    std::vector<std::shared_ptr<Entry>> hooks_;
};

}  // namespace host
