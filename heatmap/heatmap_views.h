// What the two heatmap views coloured last, kept until their grid or mode changes: the canvas
// overlay's (game thread) and the heatmap window's (render thread, shades at full opacity).
#pragma once

#include <imgui.h>

#include "heatmap/heatmap_drawing.h"
#include "heatmap/zone_shading_cache.h"

namespace zando {

struct HeatmapViewShading {
    ZoneShadingCache<CanvasColour, CanvasColour> overlay;
    ZoneShadingCache<ImVec4, ImU32> window;
};

}  // namespace zando
