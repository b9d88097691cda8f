// The plug-in library's entry points (getPlugin, deleteMe, the exports record) and the plug-in's
// load, unload, window and thread slots.
#include "plugin/zando.h"
#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "plugin/whole_file.h"

#include <memory>

#include <imgui.h>

// The library's entry points: getPlugin creates the one plug-in object on its first call (its members
// zeroed, then given their defaults), deleteMe releases it.
BAKKESMOD_PLUGIN(ZANDO, "ZANDO", "1.0", PLUGINTYPE_FREEPLAY)

// [SECTION] Load and unload

void ZANDO::onLoad() {
    LoadLocked();
    PublishForSnapshots(true);  // outside the state lock: a snapshot takes the two locks in the other order
}

void ZANDO::LoadLocked() {
    std::scoped_lock lock(stateLock);
    // What a write cut short by a kill left: its temporary file, which nothing would ever remove.
    zando::RemoveLeftTemporaries(gameWrapper->GetDataFolder(), "zando_");
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
    OpenMatchHistory();
    HookGameEvents();
    RegisterConsoleCommands();
    RegisterOverlays();
    FollowMatchInProgress();
}

// Loaded (or reloaded) while a match is being played: no kickoff countdown may come before its end,
// so the match is followed from this moment, with its playlist and MMR read now.
// Its figures from before a reload are taken back when the unload kept them.
void ZANDO::FollowMatchInProgress() {
    ServerWrapper server = gameWrapper->GetCurrentGameState();
    if (server.IsNull()) {
        ResumeMatchInProgress(server);  // only says why a kept file is of no use now
        return;
    }
    cvarManager->log("[ACTIVE] Loaded during a match - following it from now");
    trackingPaused = false;
    CaptureMatchMetadata();
    ResumeMatchInProgress(server);
}

void ZANDO::onUnload() {
    PublishForSnapshots(false);
    std::scoped_lock lock(stateLock);
    // The match that ended within the last 3 s is finished now, without its wait for the new MMR:
    // unloading must not cost the match its statistics file and its upload.
    if (pendingEnd) {
        cvarManager->log("[STATS] Unloading with the match end pending - finishing it now");
        FinishMatchAfterMmrDelay(gameWrapper.get());
    }
    SaveMatchInProgress();
    gameWrapper->UnregisterDrawables();
}

// [SECTION] Windows and threads

void ZANDO::OnOpen() {
    std::scoped_lock lock(stateLock);
    isWindowOpen = true;
}

void ZANDO::OnClose() {
    std::scoped_lock lock(stateLock);
    isWindowOpen = false;
}

void ZANDO::OnGameThread(std::function<void()> work) {
    std::weak_ptr<bool> alive = lifetime;
    // The object is looked at only once it is known to be alive: its lock dies with it.
    gameWrapper->Execute([this, alive, work = std::move(work)](GameWrapper*) {
        if (alive.expired()) return;
        std::scoped_lock lock(stateLock);
        work();
    });
}

void ZANDO::SetImGuiContext(std::uintptr_t ctx) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(ctx));
    std::scoped_lock lock(stateLock);
    windowPlaced = {};  // the windows are made afresh in a new context, and placed again
}

bool ZANDO::ShouldBlockInput() {
    if (!ImGui::GetCurrentContext()) return false;
    const ImGuiIO& io = ImGui::GetIO();
    return io.WantCaptureMouse || io.WantCaptureKeyboard;
}
