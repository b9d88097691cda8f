// The plug-in library's entry points (getPlugin, deleteMe, the exports record) and the plug-in's
// load, unload, window and thread slots.
#include "plugin/zando.h"
#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "base/whole_file.h"

#include <algorithm>
#include <chrono>
#include <future>
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
    zando::StateLock lock(stateLock);
    const zando::MayWaitHere loading;  // the game waits for a load whatever it does
    // What a write cut short by a kill left: its temporary file, which nothing would ever remove.
    dataFolder = gameWrapper->GetDataFolder();
    zando::RemoveLeftTemporaries(dataFolder, "zando_");
    replayFolder = DefaultReplayFolder();
    SizeGrid(allTimeShotHeatmap);
    SizeGrid(allTimeGoalHeatmap);

    RegisterSettingsVariables();
    ReadSettingsIntoMembers();
    ResetStats();
    BeginFollowingMatch();
    MakeHeatmapViews();
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
    flags.trackingPaused = false;
    CaptureMatchMetadata();
    ResumeMatchInProgress(server);
}

void ZANDO::onUnload() {
    PublishForSnapshots(false);
    {
        zando::StateLock lock(stateLock);
        const zando::MayWaitHere unloading;
        // The match that ended within the last 3 s is finished now, without its wait for the new MMR:
        // unloading must not cost the match its statistics file and its upload.
        if (pendingEnd) {
            cvarManager->log("[STATS] Unloading with the match end pending - finishing it now");
            FinishMatchAfterMmrDelay(gameWrapper.get());
        }
        SaveMatchInProgress();
        gameWrapper->UnregisterDrawables();
    }
    // Outside the lock (the threads' work never takes it, but a window may wait for it meanwhile): the
    // saves handed over are finished, and the exchanges too, as long as they start within one
    // exchange's time-out of now; later ones are dropped, and their matches stay missed in the history.
    // The worker's work hands exchanges over (a match's upload once its row is kept), and the exchanges
    // hand their history work to the worker: the worker is idle first, then the exchanges end, then it.
    unloading = true;
    while (!worker.WaitIdle(std::chrono::seconds(1))) {
    }
    if (exchanges.HasDroppableWork()) SayWaitingForExchange();
    exchanges.Stop(std::chrono::steady_clock::now() + ExchangeWaitAtUnload());
    worker.Stop();
    zando::StateLock lock(stateLock);
    ApplyDelivered();
}

// [SECTION] Windows and threads

void ZANDO::OnOpen() {
    zando::StateLock lock(stateLock);
    panel.isWindowOpen = true;
}

void ZANDO::OnClose() {
    zando::StateLock lock(stateLock);
    panel.isWindowOpen = false;
}

void ZANDO::OnGameThread(std::function<void()> work) {
    std::weak_ptr<bool> alive = lifetime;
    // The object is looked at only once it is known to be alive: its lock dies with it.
    gameWrapper->Execute([this, alive, work = std::move(work)](GameWrapper*) {
        if (alive.expired()) return;
        zando::StateLock lock(stateLock);
        work();
    });
}

void ZANDO::OnWorker(std::function<void()> work) { worker.Post(std::move(work)); }

void ZANDO::OnExchangeThread(std::function<void()> exchange, std::function<void()> ifDropped) {
    exchanges.Post(std::move(exchange), std::move(ifDropped));
}

void ZANDO::OnWorkerAndWait(const std::function<void()>& work) {
    if (worker.OnThisWorker()) return work();  // waiting for itself would never end
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ran = done->get_future();
    if (!worker.Post([&work, done] {
            work();
            done->set_value();
        })) {
        // Refused: the worker has stopped (the object is going away), and nothing else uses what it owns.
        work();
        return;
    }
    ran.wait();
}

bool ZANDO::WorkerIdleWithin(std::chrono::milliseconds limit) {
    // Each may hand the other work: idle means both found so, one after the other, twice over.
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = [&] {
            return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()),
                            std::chrono::milliseconds(0));
        };
        if (!worker.WaitIdle(left()) || !exchanges.WaitIdle(left())) return false;
        if (worker.Idle() && exchanges.Idle() && worker.Idle()) return true;
    }
}

void ZANDO::Deliver(std::function<void()> outcome) {
    {
        std::scoped_lock lock(deliveredLock);
        delivered.push_back(std::move(outcome));
        if (deliveryQueued) return;
        deliveryQueued = true;
    }
    OnGameThread([this] { ApplyDelivered(); });
}

void ZANDO::LogLater(std::string line) {
    Deliver([this, line = std::move(line)] { cvarManager->log(line); });
}

void ZANDO::ApplyDelivered() {
    std::vector<std::function<void()>> outcomes;
    {
        std::scoped_lock lock(deliveredLock);
        outcomes.swap(delivered);
        deliveryQueued = false;
    }
    for (std::function<void()>& outcome : outcomes) outcome();
}

void ZANDO::SetImGuiContext(std::uintptr_t ctx) {
    ImGui::SetCurrentContext(reinterpret_cast<ImGuiContext*>(ctx));
    zando::StateLock lock(stateLock);
    windowPlaced = {};  // the windows are made afresh in a new context, and placed again
}

bool ZANDO::ShouldBlockInput() {
    if (!ImGui::GetCurrentContext()) return false;
    const ImGuiIO& io = ImGui::GetIO();
    return io.WantCaptureMouse || io.WantCaptureKeyboard;
}
