// The windows grown with a screen taller than 1080 pixels: the font through the host's font scale,
// the style's lengths pushed for the frame's windows, both given back at the end.
#include "ui/screen_scale.h"

#include <algorithm>

namespace zando::ui {

ScreenScale::ScreenScale() {
    ImGuiIO& io = ImGui::GetIO();
    const float factor = std::max(1.0f, io.DisplaySize.y / 1080.0f);
    if (factor <= 1.0f) return;
    scaled_ = true;
    current = factor;
    // The font size is worked out when a font is pushed: the scale is set first.
    fontScaleBefore_ = io.FontGlobalScale;
    io.FontGlobalScale = fontScaleBefore_ * factor;
    ImGui::PushFont(ImGui::GetFont());
    const ImGuiStyle& style = ImGui::GetStyle();
    for (const auto& [var, value] :
         {std::pair{ImGuiStyleVar_WindowPadding, style.WindowPadding},
          std::pair{ImGuiStyleVar_WindowMinSize, style.WindowMinSize}, std::pair{ImGuiStyleVar_FramePadding, style.FramePadding},
          std::pair{ImGuiStyleVar_ItemSpacing, style.ItemSpacing},
          std::pair{ImGuiStyleVar_ItemInnerSpacing, style.ItemInnerSpacing}}) {
        ImGui::PushStyleVar(var, ImVec2{value.x * factor, value.y * factor});
        ++styleVars_;
    }
    for (const auto& [var, value] :
         {std::pair{ImGuiStyleVar_IndentSpacing, style.IndentSpacing},
          std::pair{ImGuiStyleVar_ScrollbarSize, style.ScrollbarSize}, std::pair{ImGuiStyleVar_GrabMinSize, style.GrabMinSize},
          std::pair{ImGuiStyleVar_WindowRounding, style.WindowRounding},
          std::pair{ImGuiStyleVar_ChildRounding, style.ChildRounding},
          std::pair{ImGuiStyleVar_FrameRounding, style.FrameRounding},
          std::pair{ImGuiStyleVar_PopupRounding, style.PopupRounding},
          std::pair{ImGuiStyleVar_ScrollbarRounding, style.ScrollbarRounding},
          std::pair{ImGuiStyleVar_GrabRounding, style.GrabRounding}, std::pair{ImGuiStyleVar_TabRounding, style.TabRounding}}) {
        ImGui::PushStyleVar(var, value * factor);
        ++styleVars_;
    }
}

ScreenScale::~ScreenScale() {
    if (!scaled_) return;
    ImGui::PopStyleVar(styleVars_);
    // Given back before the pop, which works the font size out again.
    ImGui::GetIO().FontGlobalScale = fontScaleBefore_;
    ImGui::PopFont();
    current = 1.0f;
}

}  // namespace zando::ui
