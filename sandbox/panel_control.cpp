// The control panel's tab is a member of the plug-in object; the sandbox sets it through the class
// it checked the library holds, as a player would by clicking the sidebar.
#include "sandbox/panel_control.h"

#include <cstring>

#include "plugin/zando.h"

namespace sandbox {

namespace {

const char* const TabNames[PanelTabs] = {"dashboard",       "heatmap",        "interactive-zones",     "display-settings",
                                          "post-game-stats", "export-and-data", "dashboard-integration", "about-and-help"};

}  // namespace

bool ShowPanelTab(host::Host& host, const host::LoadedPlugin& plugin, int tab) {
    if (!plugin.info || std::strcmp(plugin.info->className, "ZANDO") != 0 || !plugin.Object() || !plugin.window) return false;
    if (!plugin.windowOpen) host.ToggleMenu(plugin.window->GetMenuName());
    static_cast<ZANDO&>(*plugin.Object()).selectedTab = tab;
    return true;
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
}

}  // namespace sandbox
