// The per-frame drawable: samples once more, then draws the post-game overlay and the heatmap overlay
// when their visibility rules say so, keeping every exception of the drawing from the host.
#include <exception>
#include <string>

#include "plugin/zando.h"

void ZANDO::RegisterOverlays() {
    gameWrapper->RegisterDrawable(Locked([this](CanvasWrapper canvas) { RenderOverlays(canvas); }));
}

bool ZANDO::PostGameCardShown() const {
    return settings.showPostGame || settings.stickyMode || (settings.showPostGameInReplay && flags.inGoalReplay);
}
bool ZANDO::HeatmapOverlayShown() const {
    return settings.showHeatmap || settings.stickyMode || (settings.showHeatmapInReplay && flags.inGoalReplay);
}

void ZANDO::RenderOverlays(CanvasWrapper canvas) {
    if (!gameWrapper) return;
    try {
        SampleTick();
        if (PostGameCardShown()) RenderPostGameOverlay(canvas);
        if (HeatmapOverlayShown()) RenderHeatmapOverlay(canvas);
    } catch (const std::exception& e) {
        if (cvarManager) cvarManager->log(std::string("[ZANDO ERROR] Render exception: ") + e.what());
    } catch (...) {
        if (cvarManager) cvarManager->log("[ZANDO ERROR] Unknown render exception");
    }
}
