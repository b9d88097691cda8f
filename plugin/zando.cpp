// The plug-in library's entry points (getPlugin, deleteMe, the exports record) and the plug-in's
// load, unload and window slots.
#include "plugin/zando.h"

#include <cstring>
#include <memory>
#include <new>

#include <imgui.h>

namespace {

// The one plug-in object; the host reaches it only through getPlugin.
std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin> pluginInstance;

}  // namespace

extern "C" {

BAKKESMOD_PLUGIN_EXPORT std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>* getPlugin() {
    if (!pluginInstance) {
        void* storage = ::operator new(sizeof(ZANDO));
        std::memset(storage, 0, sizeof(ZANDO));
        pluginInstance = std::shared_ptr<ZANDO>(new (storage) ZANDO());
    }
    return &pluginInstance;
}

BAKKESMOD_PLUGIN_EXPORT void deleteMe() { pluginInstance.reset(); }

BAKKESMOD_PLUGIN_EXPORT BakkesMod::Plugin::PluginInfo exports = {
    BAKKESMOD_PLUGIN_API_VERSION,
    __FILE__,
    "ZANDO",
    "ZANDO",
    "1.0",
    BakkesMod::Plugin::PLUGINTYPE_FREEPLAY,
    &getPlugin,
    &deleteMe,
};

}  // extern "C"

// [SECTION] Load and unload

void ZANDO::onLoad() {
    SizeGrid(positionHeatmap);
    SizeGrid(shotHeatmap);
    SizeGrid(allTimeShotHeatmap);
    SizeGrid(goalHeatmap);
    SizeGrid(allTimeGoalHeatmap);

    RegisterSettingsVariables();
    ReadSettingsIntoMembers();
    ResetStats();
    LoadAllTimeHeatmap();
    HookGameEvents();
    RegisterConsoleCommands();
    RegisterOverlays();
}

void ZANDO::onUnload() { gameWrapper->UnregisterDrawables(); }

// [SECTION] Windows

void ZANDO::SetImGuiContext(std::uintptr_t ctx) { ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(ctx)); }

bool ZANDO::ShouldBlockInput() {
    if (!ImGui::GetCurrentContext()) return false;
    const ImGuiIO& io = ImGui::GetIO();
    return io.WantCaptureMouse || io.WantCaptureKeyboard;
}


