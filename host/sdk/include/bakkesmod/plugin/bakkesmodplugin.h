// The plug-in base class, the exports record a plug-in library carries, and the macro that defines a
// library's three entry points (getPlugin, deleteMe, exports) for a plug-in class.
#pragma once

#include <cstdint>
#include <memory>

#include "bakkesmodsdk.h"
#include "../wrappers/cvarmanagerwrapper.h"
#include "../wrappers/GameWrapper.h"

namespace BakkesMod::Plugin {

class BAKKESMOD_PLUGIN_IMPORT BakkesModPlugin {
public:
    std::shared_ptr<CVarManagerWrapper> cvarManager;  // set by the host before onLoad
    std::shared_ptr<GameWrapper> gameWrapper;         // set by the host before onLoad

    // Both do nothing unless overridden. They are defined in the SDK library, so that its table of
    // virtual functions lives there, where a Windows plug-in imports it from.
    virtual void onLoad();
    virtual void onUnload();
};

typedef std::uintptr_t (*GetPluginFunc)();
typedef void (*deleteFunc)();

// The record a plug-in library exports under the name "exports".
struct PluginInfo {
    short apiBuildVersion;
    const char* fileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    const unsigned long pluginType;
    GetPluginFunc initializeFunc;  // creates the plug-in object on its first call; the address of its shared pointer
    deleteFunc delFunc;            // releases the plug-in object
};

}  // namespace BakkesMod::Plugin

// Defines the library's entry points for the plug-in class classType: one object, kept in a shared
// pointer, created by the first getPlugin and released by deleteMe.
#define BAKKESMOD_PLUGIN(classType, pluginName, pluginVersion, pluginType)                              \
    static std::shared_ptr<classType> singleton;                                                        \
    extern "C" {                                                                                        \
    BAKKESMOD_PLUGIN_EXPORT std::uintptr_t getPlugin() {                                                \
        if (!singleton) singleton = std::shared_ptr<classType>(new classType());                       \
        return reinterpret_cast<std::uintptr_t>(&singleton);                                            \
    }                                                                                                   \
    BAKKESMOD_PLUGIN_EXPORT void deleteMe() {                                                           \
        if (singleton) singleton = nullptr;                                                             \
    }                                                                                                   \
    BAKKESMOD_PLUGIN_EXPORT BakkesMod::Plugin::PluginInfo exports = {                                   \
        BAKKESMOD_PLUGIN_API_VERSION, __FILE__, #classType, pluginName, pluginVersion, pluginType,      \
        getPlugin,                    deleteMe};                                                        \
    }
