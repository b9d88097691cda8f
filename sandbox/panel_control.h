// Opening the plug-in's control panel on a chosen tab, and picturing the settings page and every tab.
#pragma once

#include <filesystem>

#include "host/runtime/host.h"
#include "sandbox/screen_camera.h"

namespace sandbox {

inline constexpr int PanelTabs = 8;

// Opens the ZANDO control panel (if closed) on tab 0..7; false when the plug-in is not ZANDO.
bool ShowPanelTab(host::Host& host, const host::LoadedPlugin& plugin, int tab);

// settings-page.png and panel-tab-N-NAME.png for each tab, in the camera's folder.
void PictureUi(host::Host& host, const host::LoadedPlugin& plugin, ScreenCamera& camera);

}  // namespace sandbox
