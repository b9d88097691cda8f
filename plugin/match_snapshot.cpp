// The exported snapshot of the match and the panel-tab switch, for a program that loaded the plug-in.
#include "plugin/match_snapshot.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <mutex>

#include "plugin/zando.h"

namespace {

std::mutex loadedLock;
ZANDO* loaded = nullptr;  // the plug-in between its onLoad and its onUnload

}  // namespace

void ZANDO::PublishForSnapshots(bool published) {
    std::scoped_lock lock(loadedLock);
    if (published)
        loaded = this;
    else if (loaded == this)
        loaded = nullptr;
}

extern "C" {

BAKKESMOD_PLUGIN_EXPORT int zando_match_snapshot(ZandoMatchSnapshot* out, std::uint32_t capacity) {
    if (!out || capacity < offsetof(ZandoMatchSnapshot, averageSpeed)) return 0;
    std::scoped_lock lock(loadedLock);
    if (!loaded) return 0;
    ZandoMatchSnapshot snapshot{};
    {
        zando::StateLock state(loaded->stateLock);
        snapshot.averageSpeed = loaded->AverageSpeed();
        snapshot.boostCollected = loaded->tracker.match.boostCollected;
        snapshot.boostUsed = loaded->tracker.match.boostUsed;
        snapshot.possessionTime = loaded->tracker.match.possessionTime;
        snapshot.gameTime = loaded->tracker.match.gameTime;
        snapshot.shots = loaded->tracker.match.shots;
        snapshot.goals = loaded->tracker.match.goals;
    }
    snapshot.version = ZandoMatchSnapshotVersion;
    snapshot.size = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, sizeof snapshot));
    std::memcpy(out, &snapshot, snapshot.size);
    return 1;
}

BAKKESMOD_PLUGIN_EXPORT int zando_wait_for_worker(int timeoutMs) {
    std::unique_lock lock(loadedLock);
    if (!loaded) return 0;
    // Called on the game thread, which is the one that unloads: the plug-in stays while it waits.
    ZANDO* plugin = loaded;
    lock.unlock();
    return plugin->WorkerIdleWithin(std::chrono::milliseconds(std::max(timeoutMs, 0))) ? 1 : 0;
}

BAKKESMOD_PLUGIN_EXPORT int zando_select_panel_tab(int tab) {
    if (tab < 0 || tab >= 8) return 0;
    std::scoped_lock lock(loadedLock);
    if (!loaded) return 0;
    zando::StateLock state(loaded->stateLock);
    loaded->panel.selectedTab = tab;
    return 1;
}
}
