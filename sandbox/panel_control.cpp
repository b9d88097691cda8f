// The control panel's tab, chosen through the function the plug-in library exports for it, as a
// player would by clicking the sidebar.
#include "sandbox/panel_control.h"

#include <cstring>

#include "plugin/match_snapshot.h"
#include "sandbox/trace_player.h"

namespace sandbox {

namespace {

const char* const TabNames[PanelTabs] = {"dashboard",       "heatmap",         "interactive-zones",     "display-settings",
                                         "post-game-stats", "export-and-data", "dashboard-integration", "about-and-help"};

}  // namespace

bool ShowPanelTab(host::Host& host, const host::LoadedPlugin& plugin, int tab) {
    if (!plugin.library || !plugin.window) return false;
    const auto select = reinterpret_cast<ZandoSelectPanelTabFunction>(plugin.library->Symbol(ZandoSelectPanelTabSymbol));
    if (!select) return false;
    if (!plugin.windowOpen) host.ToggleMenu(plugin.window->GetMenuName());
    return select(tab) != 0;
}

void PictureUi(host::Host& host, const host::LoadedPlugin& plugin, ScreenCamera& camera) {
    if (plugin.settings) {
        host.ShowSettingsPage(plugin.settings->GetPluginName(), true);
        camera.Picture("settings-page.png", "the settings page");
        host.ShowSettingsPage(plugin.settings->GetPluginName(), false);
    }
    for (int tab = 0; tab < PanelTabs; ++tab) {
        if (!ShowPanelTab(host, plugin, tab)) return;
        camera.Picture("panel-tab-" + std::to_string(tab) + "-" + TabNames[tab] + ".png",
                       "the control panel's " + std::string(TabNames[tab]) + " tab");
    }
    // The match history window beside the panel, on the Dashboard tab that opens it.
    if (!ShowPanelTab(host, plugin, 0)) return;
    // Its first frame asks the plug-in's worker for the matches: pictured once they have come.
    host.GetConsole().Execute("zando_history_window");
    camera.DrawScreen();
    SettleWorkers(host);
    camera.Picture("history-window.png", "the match history window");
    host.GetConsole().Execute("zando_history_window");
}

}  // namespace sandbox
