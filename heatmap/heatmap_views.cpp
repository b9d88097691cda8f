// The heatmap views' shading, made with the plug-in at load.
#include "heatmap/heatmap_views.h"

#include <memory>

#include "plugin/zando.h"

void ZANDO::MakeHeatmapViews() { heatmapShading = std::make_shared<zando::HeatmapViewShading>(); }
