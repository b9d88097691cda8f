// The per-frame drawable: samples once more, then draws the post-game overlay and the heatmap overlay
// when their visibility rules say so, keeping every exception of the drawing from the host.
#include <exception>
#include <string>

#include "plugin/zando.h"

void ZANDO::RegisterOverlays() {
    gameWrapper->RegisterDrawable(Locked([this](CanvasWrapper canvas) { RenderOverlays(canvas); }));
}

bool ZANDO::PostGameCardShown() const { return showPostGame || stickyMode || (showPostGameInReplay && inGoalReplay); }
bool ZANDO::HeatmapOverlayShown() const { return showHeatmap || stickyMode || (showHeatmapInReplay && inGoalReplay); }

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
