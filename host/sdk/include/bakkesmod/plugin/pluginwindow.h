// PluginWindow: a plug-in's own Dear ImGui window, opened and closed by its menu name ("togglemenu").
// The host calls Render on its render thread, once a frame while the window is open.
#pragma once

#include <cstdint>
#include <string>

namespace BakkesMod::Plugin {

class PluginWindow {
public:
    virtual void Render() = 0;
    virtual std::string GetMenuName() = 0;
    virtual std::string GetMenuTitle() = 0;
    virtual void SetImGuiContext(std::uintptr_t ctx) = 0;
    virtual bool ShouldBlockInput() = 0;
    virtual bool IsActiveOverlay() = 0;
    virtual void OnOpen() = 0;
    virtual void OnClose() = 0;
};

}  // namespace BakkesMod::Plugin
