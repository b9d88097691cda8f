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
    BeginFollowingMatch();
    LoadAllTimeHeatmap();
    HookGameEvents();
    RegisterConsoleCommands();
    RegisterOverlays();
    FollowMatchInProgress();
}

// Loaded (or reloaded) while a match is being played: no kickoff countdown may come before its end,
// so the match is followed from this moment, with its playlist and MMR read now.
void ZANDO::FollowMatchInProgress() {
    if (gameWrapper->GetCurrentGameState().IsNull()) return;
    cvarManager->log("[ACTIVE] Loaded during a match - following it from now");
    trackingPaused = false;
    CaptureMatchMetadata();
}

void ZANDO::onUnload() {
    // The match that ended within the last 3 s is finished now, without its wait for the new MMR:
    // unloading must not cost the match its statistics file and its upload.
    if (pendingEnd) {
        cvarManager->log("[STATS] Unloading with the match end pending - finishing it now");
        FinishMatchAfterMmrDelay(gameWrapper.get());
    }
    gameWrapper->UnregisterDrawables();
}

// [SECTION] Windows

void ZANDO::SetImGuiContext(std::uintptr_t ctx) { ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(ctx)); }

bool ZANDO::ShouldBlockInput() {
    if (!ImGui::GetCurrentContext()) return false;
    const ImGuiIO& io = ImGui::GetIO();
    return io.WantCaptureMouse || io.WantCaptureKeyboard;
}


