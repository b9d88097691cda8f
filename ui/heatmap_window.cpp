// The heatmap window drawn after the control panel: the smoothed zone grid by frequency or accuracy,
// the field over it, and the totals of the displayed grids.
#include <algorithm>
#include <vector>

#include "heatmap/heatmap_drawing.h"
#include "heatmap/heatmap_views.h"
#include "overlay/overlay_placement.h"
#include "plugin/zando.h"
#include "ui/panel_widgets.h"
#include "ui/window_placement.h"

namespace ui = zando::ui;

// Where a window first opens: the overlays at their places (worth keeping clear where there is room)
// and the windows already drawn this frame (never to be covered when the screen has room for both).
std::pair<ImVec2, ImVec2> ZANDO::FirstWindowArea(ImVec2 preferred, ImVec2 smallest, ImVec2 wanted) const {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const Vector2 screen{static_cast<int>(display.x), static_cast<int>(display.y)};
    std::vector<ui::TakenArea> taken;
    const auto overlay = [&](const zando::Placement& place, float width, float height) {
        const zando::PixelArea area = zando::AreaOf(place, width, height);
        taken.push_back({{static_cast<float>(area.left), static_cast<float>(area.top), static_cast<float>(area.right),
                          static_cast<float>(area.bottom)},
                         1.0f});
    };
    overlay(PostGameCardPlacement(screen), PostGameCardWidth, PostGameCardHeight());
    overlay(HeatmapOverlayPlacement(screen), HeatmapOverlayWidth, HeatmapOverlayHeight);
    for (const ImVec4& window : windowAreasThisFrame) taken.push_back({{window.x, window.y, window.z, window.w}, 1000.0f});
    const ui::WindowArea area =
        ui::FitWindow(display.x, display.y, preferred.x, preferred.y, smallest.x, smallest.y, {wanted.x, wanted.y}, taken);
    return {{area.spot.x, area.spot.y}, {area.width, area.height}};
}

void ZANDO::NoteWindowArea(PlacedWindow window, ImVec2 atLeast) {
    windowPlaced[static_cast<std::size_t>(window)] = true;
    const ImVec2 pos = ImGui::GetWindowPos(), size = ImGui::GetWindowSize();
    windowAreasThisFrame.push_back({pos.x, pos.y, pos.x + std::max(size.x, atLeast.x), pos.y + std::max(size.y, atLeast.y)});
}

void ZANDO::RenderHeatmapWindow() {
    // The scale setting in proportion to the screen's height: on a smaller screen as the overlays are, on
    // a taller one as the windows' text is.
    const float S = settings.heatmapScale * ImGui::GetIO().DisplaySize.y / 1080.0f, O = settings.windowOpacity;
    const float W = 300.0f * S, H = 372.0f * S;
    ImGui::PushStyleColor(ImGuiCol_WindowBg, {0.05f, 0.04f, 0.08f, O});
    ImGui::PushStyleColor(ImGuiCol_Border, {0.45f, 0.30f, 0.65f, 0.80f});
    ImGui::PushStyleColor(ImGuiCol_TitleBg, {0.10f, 0.08f, 0.14f, 1.0f});
    ImGui::PushStyleColor(ImGuiCol_TitleBgActive, {0.18f, 0.14f, 0.26f, 1.0f});
    ImGui::PushStyleColor(ImGuiCol_Text, {0.85f, 0.82f, 0.92f, 1.0f});
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, ui::Px(8.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ui::Px({12.0f, 12.0f}));
    // First under the post-game card where it fits there, else beside the window drawn before it (the
    // panel), leaving the rest of the screen to the history window; wherever it covers nothing.
    const ImVec2 size{W + ui::Px(24.0f), H + ui::Px(150.0f)};
    if (NeedsFirstPlace(PlacedWindow::Heatmap)) {
        const ImVec2 display = ImGui::GetIO().DisplaySize;
        const zando::PixelArea card =
            zando::AreaOf(PostGameCardPlacement({static_cast<int>(display.x), static_cast<int>(display.y)}), PostGameCardWidth,
                          PostGameCardHeight());
        ImVec2 wanted{static_cast<float>(card.left), static_cast<float>(card.bottom) + ui::Px(8.0f)};
        if (wanted.y + size.y > display.y && !windowAreasThisFrame.empty())
            wanted = {windowAreasThisFrame.back().z + ui::Px(8.0f), windowAreasThisFrame.back().y};
        ImGui::SetNextWindowPos(FirstWindowArea(size, size, wanted).first, ImGuiCond_FirstUseEver);
    }
    // Sized to what it holds: the grid and the totals under it, without a scroll bar.
    bool open = settings.showHeatmap;  // its close button writes the variable, like the switch
    const bool shown = ImGui::Begin("ZANDO Heatmap", &open, ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoCollapse);
    if (!open) ui::Write(*this, "zando_show_heatmap", false);
    if (shown) {
        NoteWindowArea(PlacedWindow::Heatmap, size);
        const Grid<float>& shotGrid = settings.showAllTimeHeatmap ? allTimeShotHeatmap : tracker.match.shotHeatmap;
        const Grid<int32_t>& goalGrid = settings.showAllTimeHeatmap ? allTimeGoalHeatmap : tracker.match.goalHeatmap;
        ImGui::TextColored({0.7f, 0.5f, 0.95f, 1.0f}, settings.showAllTimeHeatmap ? "ALL-TIME HEATMAP" : "CURRENT MATCH");
        ImGui::Separator();
        ImGui::Spacing();

        const ImVec2 origin = ImGui::GetCursorScreenPos();
        ImDrawList* list = ImGui::GetWindowDrawList();
        const float cellW = W / static_cast<float>(GridCols), cellH = H / static_cast<float>(GridRows);
        // The zones are worked out again only when the grid or the mode changed, their colours when
        // that or the opacity changed.
        // Unlike the canvas overlay, accuracy does not limit goals to the shots before smoothing, and
        // frequency takes the overlay's ramp untruncated: its alpha base over 255 times the opacity.
        const auto& totals =
            heatmapShading->window.Get(shotGrid, goalGrid, {settings.showAccuracyOverlay, false, O}, [&](float value) {
                if (settings.showAccuracyOverlay)
                    return value < 0.5f ? ImVec4{1.0f, 2.0f * value, 0.0f, 0.7f}
                                        : ImVec4{1.0f - 2.0f * (value - 0.5f), 1.0f, 0.0f, 0.7f};
                const zando::Rgba ramp = zando::FrequencyCellColour(value, 1.0f);
                return ImVec4{static_cast<float>(ramp.red) / 255.0f, static_cast<float>(ramp.green) / 255.0f,
                              static_cast<float>(ramp.blue) / 255.0f, static_cast<float>(ramp.alpha) / 255.0f};
            });
        const auto atOpacity = [O](ImVec4 shade) {
            return ImGui::ColorConvertFloat4ToU32({shade.x, shade.y, shade.z, shade.w * O});
        };
        for (const auto& zone : heatmapShading->window.Zones(atOpacity))
            list->AddRectFilled(
                {origin.x + static_cast<float>(zone.col) * cellW, origin.y + static_cast<float>(zone.row) * cellH},
                {origin.x + static_cast<float>(zone.col + 1) * cellW, origin.y + static_cast<float>(zone.row + 1) * cellH},
                zone.colour);

        const ImU32 line = ImGui::ColorConvertFloat4ToU32({0.6f, 0.5f, 0.8f, 0.8f * O});
        list->AddRect(origin, {origin.x + W, origin.y + H}, line, 0.0f, 0, 2.0f);
        list->AddLine({origin.x, origin.y + H / 2.0f}, {origin.x + W, origin.y + H / 2.0f}, line, 1.5f);
        list->AddCircle({origin.x + W / 2.0f, origin.y + H / 2.0f}, 0.15f * W, line, 32, 1.5f);
        list->AddRect({origin.x + 0.35f * W, origin.y}, {origin.x + 0.65f * W, origin.y + 0.15f * H},
                      ImGui::ColorConvertFloat4ToU32({1.0f, 0.47f, 0.47f, 0.5f * O}), 0.0f, 0, 1.5f);
        list->AddRect({origin.x + 0.35f * W, origin.y + H - 0.15f * H}, {origin.x + 0.65f * W, origin.y + H},
                      ImGui::ColorConvertFloat4ToU32({0.47f, 0.47f, 1.0f, 0.5f * O}), 0.0f, 0, 1.5f);
        ImGui::Dummy({W, H});
        ImGui::Spacing();
        ImGui::Separator();
        ImGui::Spacing();

        const int totalShots = totals.totalShots, totalGoals = totals.totalGoals;
        ImGui::TextDisabled("Mode:");
        ImGui::SameLine();
        ImGui::Text(settings.showAccuracyOverlay ? "Accuracy" : "Frequency");
        ImGui::TextDisabled("Shots:");
        ImGui::SameLine();
        ImGui::Text("%d", totalShots);
        ImGui::TextDisabled("Goals:");
        ImGui::SameLine();
        ImGui::Text("%d", totalGoals);
        if (totalShots > 0) {
            const float accuracy = static_cast<float>(totalGoals) * 100.0f / static_cast<float>(totalShots);
            ImGui::TextDisabled("Accuracy:");
            ImGui::SameLine();
            ImGui::TextColored(accuracy > 50.0f ? ui::Good : ui::Fair, "%.1f%%", accuracy);
        }
    }
    ImGui::End();
    ImGui::PopStyleVar(2);
    ImGui::PopStyleColor(5);
}
