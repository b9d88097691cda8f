// The control panel window: its theme, the sidebar with the eight tabs, the content area showing the
// selected tab, and then the heatmap window.
#include <algorithm>
#include <array>

#include "plugin/zando.h"
#include "ui/panel_widgets.h"
#include "ui/screen_scale.h"

namespace ui = zando::ui;
using zando::ui::Px;

namespace {

struct ThemeColour {
    ImGuiCol slot;
    ImVec4 colour;
};

const std::array<ThemeColour, 26> PanelTheme = {{
    {ImGuiCol_WindowBg, {0.05f, 0.04f, 0.08f, 0.98f}},        {ImGuiCol_ChildBg, {0.08f, 0.06f, 0.11f, 0.95f}},
    {ImGuiCol_PopupBg, {0.10f, 0.08f, 0.14f, 0.98f}},         {ImGuiCol_Border, {0.45f, 0.30f, 0.65f, 0.60f}},
    {ImGuiCol_FrameBg, {0.12f, 0.10f, 0.16f, 1.0f}},          {ImGuiCol_FrameBgHovered, {0.18f, 0.14f, 0.24f, 1.0f}},
    {ImGuiCol_FrameBgActive, {0.24f, 0.18f, 0.32f, 1.0f}},    {ImGuiCol_TitleBg, {0.10f, 0.08f, 0.14f, 1.0f}},
    {ImGuiCol_TitleBgActive, {0.18f, 0.14f, 0.26f, 1.0f}},    {ImGuiCol_TitleBgCollapsed, {0.08f, 0.06f, 0.12f, 1.0f}},
    {ImGuiCol_Button, {0.28f, 0.20f, 0.42f, 1.0f}},           {ImGuiCol_ButtonHovered, {0.38f, 0.28f, 0.56f, 1.0f}},
    {ImGuiCol_ButtonActive, {0.48f, 0.36f, 0.68f, 1.0f}},     {ImGuiCol_Header, {0.22f, 0.16f, 0.32f, 1.0f}},
    {ImGuiCol_HeaderHovered, {0.32f, 0.24f, 0.46f, 1.0f}},    {ImGuiCol_HeaderActive, {0.42f, 0.32f, 0.60f, 1.0f}},
    {ImGuiCol_Separator, {0.40f, 0.28f, 0.58f, 0.50f}},       {ImGuiCol_SeparatorHovered, {0.50f, 0.38f, 0.68f, 0.70f}},
    {ImGuiCol_SeparatorActive, {0.60f, 0.48f, 0.78f, 1.0f}},  {ImGuiCol_Tab, {0.18f, 0.12f, 0.26f, 1.0f}},
    {ImGuiCol_TabHovered, {0.35f, 0.25f, 0.50f, 1.0f}},       {ImGuiCol_TabActive, {0.28f, 0.20f, 0.42f, 1.0f}},
    {ImGuiCol_CheckMark, {0.70f, 0.50f, 0.95f, 1.0f}},        {ImGuiCol_SliderGrab, {0.55f, 0.40f, 0.75f, 1.0f}},
    {ImGuiCol_SliderGrabActive, {0.70f, 0.55f, 0.90f, 1.0f}}, {ImGuiCol_TextDisabled, {0.45f, 0.40f, 0.50f, 1.0f}},
}};

struct Tab {
    const char* label;
    const char* tooltip;
};
const std::array<Tab, 8> Tabs = {{
    {"  Dashboard", "Overview & Quick Stats"},
    {"  Heatmap", "Display Settings & View Modes"},
    {"  Interactive Zones", "Zone Inspector Grid"},
    {"  Display Settings", "Visibility & Positioning"},
    {"  Post-Game Stats", "Configure Stat Display"},
    {"  Export & Data", "CSV Export & Management"},
    {"  Dashboard Integration", "Web Dashboard & API Settings"},
    {"  About & Help", "Info, Commands & Tips"},
}};

float SidebarWidth() { return Px(220.0f); }

void PopTheme() {
    ImGui::PopStyleVar(6);
    ImGui::PopStyleColor(static_cast<int>(PanelTheme.size()));
}

void CentredDisabled(const char* text) {
    ImGui::SetCursorPosX((SidebarWidth() - ImGui::CalcTextSize(text).x) * 0.5f);
    ImGui::TextDisabled("%s", text);
}

}  // namespace

void ZANDO::Render() {
    zando::StateLock lock(stateLock);
    // Every window of the plug-in's, grown with a screen taller than 1080 pixels.
    const ui::ScreenScale screenScale;
    for (const ThemeColour& entry : PanelTheme) ImGui::PushStyleColor(entry.slot, entry.colour);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, Px(10.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ChildRounding, Px(8.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, Px(5.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_GrabRounding, Px(4.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, {0.0f, 0.0f});
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, Px({8.0f, 8.0f}));

    // 1100 x 720 where the screen has room beside the overlays, else as large as it can be clear of
    // them (down to 520 x 400); on a screen under 1800 pixels wide at most 52 % of it, so that the
    // heatmap and history windows fit beside it.
    windowAreasThisFrame.clear();
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    if (NeedsFirstPlace(PlacedWindow::Panel)) {
        const ImVec2 largest{display.x >= 1800.0f ? Px(1100.0f) : 0.52f * display.x, Px(720.0f)};
        const auto [panelAt, panelSize] = FirstWindowArea(largest, Px({520.0f, 400.0f}), Px({8.0f, 8.0f}));
        ImGui::SetNextWindowSize(panelSize, ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowPos(panelAt, ImGuiCond_FirstUseEver);
    }
    const bool panelOpen = ImGui::Begin(panel.menuTitle.c_str(), &panel.isWindowOpen, 0);
    NoteWindowArea(PlacedWindow::Panel);
    if (!panelOpen) {
        PopTheme();
        ImGui::End();
        return;
    }

    // Sidebar.
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, {0.0f, 0.0f});
    ImGui::BeginChild("Sidebar", {SidebarWidth(), 0.0f}, true, ImGuiWindowFlags_NoScrollbar);
    ImGui::PopStyleVar();
    ImGui::SetCursorPosY(ImGui::GetCursorPosY() + Px(15.0f));
    const ImVec4 letters[] = {{0.4f, 0.7f, 1.0f, 1.0f},
                              {0.5f, 0.75f, 1.0f, 1.0f},
                              {0.6f, 0.8f, 1.0f, 1.0f},
                              {0.7f, 0.85f, 1.0f, 1.0f},
                              {0.85f, 0.9f, 1.0f, 1.0f}};
    const char* word = "ZANDO";
    ImGui::SetCursorPosX((SidebarWidth() - 5.5f * ImGui::CalcTextSize("Z").x) * 0.5f);
    for (int i = 0; i < 5; ++i) {
        if (i > 0) ImGui::SameLine(0.0f, 0.0f);
        ImGui::TextColored(letters[i], "%c", word[i]);
    }
    ImGui::SetCursorPosY(ImGui::GetCursorPosY() + Px(2.0f));
    CentredDisabled("____________________");
    CentredDisabled("CONTROL CENTER");
    ImGui::Spacing();
    ImGui::Separator();
    ImGui::Spacing();
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, Px({12.0f, 12.0f}));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, Px({0.0f, 4.0f}));
    for (int index = 0; index < static_cast<int>(Tabs.size()); ++index) {
        if (ImGui::Selectable(Tabs[static_cast<std::size_t>(index)].label, panel.selectedTab == index, 0, {0.0f, Px(40.0f)}))
            panel.selectedTab = index;
        ui::Tooltip(Tabs[static_cast<std::size_t>(index)].tooltip);
    }
    ImGui::PopStyleVar(2);
    // The footer's separator and two lines end at the sidebar's bottom edge.
    const ImGuiStyle& style = ImGui::GetStyle();
    ImGui::SetCursorPosY(ImGui::GetWindowHeight() - 2.0f * ImGui::GetTextLineHeightWithSpacing() - 3.0f * style.ItemSpacing.y -
                         style.WindowPadding.y - Px(4.0f));
    ImGui::Separator();
    ImGui::Spacing();
    CentredDisabled("v1.0.3");
    CentredDisabled("Made for players, by players");
    ImGui::EndChild();

    // Content: every tab with the same inner margin.
    ImGui::SameLine();
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, Px({15.0f, 12.0f}));
    ImGui::BeginChild("Content", {0.0f, 0.0f}, false, ImGuiWindowFlags_AlwaysUseWindowPadding);
    ComputeDashboardFigures();
    switch (panel.selectedTab) {
    case 0: RenderDashboardTab(); break;
    case 1: RenderHeatmapTab(); break;
    case 2: RenderZoneInspectorTab(); break;
    case 3: RenderDisplayTab(); break;
    case 4: RenderPostGameTab(); break;
    case 5: RenderExportTab(); break;
    case 6: RenderIntegrationTab(); break;
    case 7: RenderAboutTab(); break;
    default: break;
    }
    ImGui::EndChild();
    ImGui::PopStyleVar();
    ImGui::End();
    PopTheme();

    if (settings.showHeatmap) RenderHeatmapWindow();
    if (panel.showHistoryWindow) RenderHistoryWindow();
}
