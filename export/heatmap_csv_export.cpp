// The CSV export of the current match's shot heatmap: "X,Y,Shots,Position", one line per zone with heat.
#include <string>
#include <utility>

#include "base/path_text.h"
#include "export/number_text.h"
#include "plugin/zando.h"

void ZANDO::ExportHeatmapCsv(std::string thenLine) {
    const std::string fileName = zando::FileInFolder(gameWrapper->GetDataFolder(), "shot_heatmap_data.csv");
    std::string csv = "X,Y,Shots,Position\n";
    for (std::size_t y = 0; y < tracker.match.shotHeatmap.size() && y < tracker.sampling.positionHeatmap.size(); ++y) {
        for (std::size_t x = 0; x < tracker.match.shotHeatmap[y].size() && x < tracker.sampling.positionHeatmap[y].size(); ++x) {
            const float shot = tracker.match.shotHeatmap[y][x], position = tracker.sampling.positionHeatmap[y][x];
            if (!(shot > 0.0f || position > 0.0f)) continue;
            csv += std::to_string(x) + "," + std::to_string(y) + "," + zando::NumberText(shot) + "," +
                   zando::NumberText(position) + "\n";
        }
    }
    WriteExportFile(fileName, std::move(csv), "", "Heatmap exported to: " + fileName, std::move(thenLine));
}
