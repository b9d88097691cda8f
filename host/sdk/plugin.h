// The plug-in bases and the exported plug-in record the host looks for in a plug-in library.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cvar_wrappers.h"
#include "game_wrapper.h"
#include "sdk_api.h"

// The API build the host speaks; a plug-in built for another one is refused.
inline constexpr int BAKKESMOD_PLUGIN_API_VERSION = 95;

// Marks the plug-in library's exported entry points; use inside an extern "C" block.
#if defined(_WIN32)
#  define BAKKESMOD_PLUGIN_EXPORT __declspec(dllexport)
#else
#  define BAKKESMOD_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

namespace BakkesMod::Plugin {

// Plug-in type flags of the exports record.
enum PluginType : unsigned int {
    PLUGINTYPE_FREEPLAY = 0x01,
};

class HOSTSDK_API BakkesModPlugin {
public:
    // Both do nothing unless overridden. They are defined in the SDK library, so that its table of
    // virtual functions lives there, where a Windows plug-in imports it from.
    virtual void onLoad();
    virtual void onUnload();

    std::shared_ptr<CVarManagerWrapper> cvarManager;  // set by the host before onLoad
    std::shared_ptr<GameWrapper> gameWrapper;         // set by the host before onLoad
};

class HOSTSDK_API PluginSettingsWindow {
public:
    virtual ~PluginSettingsWindow() = default;
    virtual void RenderSettings() = 0;
    virtual std::string GetPluginName() = 0;
    virtual void SetImGuiContext(std::uintptr_t ctx) = 0;
};

class HOSTSDK_API PluginWindow {
public:
    virtual void Render() = 0;
    virtual std::string GetMenuName() = 0;
    virtual std::string GetMenuTitle() = 0;
    virtual void SetImGuiContext(std::uintptr_t ctx) = 0;
    virtual bool ShouldBlockInput() = 0;
    virtual bool IsActiveOverlay() = 0;
    virtual void OnOpen() = 0;
    virtual void OnClose() = 0;

protected:
    ~PluginWindow() = default;  // owned through BakkesModPlugin, never deleted as a window
};

using CreatePluginFunc = std::shared_ptr<BakkesModPlugin>* (*)();
using DeletePluginFunc = void (*)();

// The record a plug-in library exports under the name "exports".
struct PluginInfo {
    int apiBuildVersion;
    const char* fileName;
    const char* className;
    const char* pluginName;
    const char* pluginVersion;
    unsigned int pluginType;
    CreatePluginFunc initializeFunc;
    DeletePluginFunc deleteFunc;
};

}  // namespace BakkesMod::Plugin
