// PluginSettingsWindow: a plug-in's page in the host's settings window, drawn on the render thread.
#pragma once

#include <cstdint>
#include <string>

namespace BakkesMod::Plugin {

class PluginSettingsWindow {
public:
    virtual ~PluginSettingsWindow() = default;
    virtual void RenderSettings() = 0;
    virtual std::string GetPluginName() = 0;
    virtual void SetImGuiContext(std::uintptr_t ctx) = 0;
};

}  // namespace BakkesMod::Plugin
