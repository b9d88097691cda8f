// The drawing conventions the control panel's tabs and the settings page share: headings, labels,
// regions, stat rows, tooltips, coloured buttons, and writing a member back to its settings variable.
#pragma once

#include <algorithm>

#include <imgui.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "plugin/settings_variables.h"
#include "plugin/zando.h"
#include "ui/screen_scale.h"

namespace zando::ui {

inline const ImVec4 Disabled{0.45f, 0.40f, 0.50f, 1.0f};  // the panel theme's TextDisabled colour
inline const ImVec4 Good{0.4f, 1.0f, 0.4f, 1.0f};         // an accuracy above 50 %
inline const ImVec4 Fair{1.0f, 0.6f, 0.3f, 1.0f};         // 50 % and below
inline const ImVec4 Bad{1.0f, 0.4f, 0.4f, 1.0f};          // a loss, a failure

// The text, a separator and one spacing line.
inline void Heading(const char* text, const ImVec4& colour) {
    ImGui::TextColored(colour, "%s", text);
    ImGui::Separator();
    ImGui::Spacing();
}
inline void Label(const char* text, const ImVec4& colour) { ImGui::TextColored(colour, "%s", text); }
// Disabled text that wraps at the region's edge: a narrow panel (a 1280 x 720 screen) shows it whole.
inline void DisabledWrapped(const char* text) {
    ImGui::PushStyleColor(ImGuiCol_Text, Disabled);
    ImGui::TextWrapped("%s", text);
    ImGui::PopStyleColor();
}
// The text as it stands: a '%' in it is shown, never read as a format.
inline void Tooltip(const char* text) {
    if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", text);
}
inline void Spacings(int count) {
    for (int i = 0; i < count; ++i) ImGui::Spacing();
}
inline bool ColouredButton(const char* label, ImVec2 size, const ImVec4& colour, const ImVec4& hovered) {
    ImGui::PushStyleColor(ImGuiCol_Button, colour);
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, hovered);
    const bool pressed = ImGui::Button(label, Px(size));  // size at 1080p
    ImGui::PopStyleColor(2);
    return pressed;
}
// Two columns without border, the first of the given width (at 1080p); rows of a disabled label and a value.
// The labels' column is firstWidth wide, or under half the region where the region is too narrow for
// it (a panel sized to a small screen), so that the values stay in view.
inline void BeginStatRows(const char* id, float firstWidth) {
    const float region = ImGui::GetContentRegionAvail().x;
    ImGui::Columns(2, id, false);
    ImGui::SetColumnWidth(0, std::min(Px(firstWidth), 0.48f * region));
}
inline void StatLabel(const char* label) {
    ImGui::TextColored(Disabled, "%s", label);
    ImGui::NextColumn();
}
inline void EndStatRows() { ImGui::Columns(1); }

// Settings variables are written on the game thread, where their change callbacks run (each stores
// the value back into its member): the windows hand the write over with the value of this frame.
inline void Write(ZANDO& plugin, SettingName name, bool value) {
    plugin.OnGameThread([&plugin, name, value] { plugin.cvarManager->getCvar(name.c_str()).setValue(value ? 1 : 0); });
}
inline void Write(ZANDO& plugin, SettingName name, int value) {
    plugin.OnGameThread([&plugin, name, value] { plugin.cvarManager->getCvar(name.c_str()).setValue(value); });
}
inline void Write(ZANDO& plugin, SettingName name, float value) {
    plugin.OnGameThread([&plugin, name, value] { plugin.cvarManager->getCvar(name.c_str()).setValue(value); });
}
inline void Write(ZANDO& plugin, SettingName name, const std::string& value) {
    plugin.OnGameThread([&plugin, name, value] { plugin.cvarManager->getCvar(name.c_str()).setValue(value); });
}
// Each variable back to its registered default, and its member stored from it by the change
// callback's own code (also when the variable held the default already and so did not change).
inline void ResetToDefaults(ZANDO& plugin, std::initializer_list<SettingName> names) {
    plugin.OnGameThread([&plugin, list = std::vector<SettingName>(names)] {
        for (const SettingName& name : list) {
            CVarWrapper cvar = plugin.cvarManager->getCvar(name.c_str());
            cvar.ResetToDefault();
            plugin.OnSettingChanged(cvar);
        }
    });
}

// A slider over a bounded settings variable's whole range, showing its member's value. What the
// player picks is written to the variable; its change callback stores the member.
inline bool SettingSlider(ZANDO& plugin, const char* label, float member, SettingName name, const char* format) {
    const SettingVariable* variable = FindSettingVariable(name.c_str());
    if (!variable || !variable->bounded) return false;
    float value = member;
    if (!ImGui::SliderFloat(label, &value, variable->min, variable->max, format)) return false;
    Write(plugin, name, value);
    return true;
}

// A checkbox showing a switch's member; a click writes the variable, whose change callback stores it.
inline bool SettingCheckbox(ZANDO& plugin, const char* label, bool member, SettingName name) {
    bool value = member;
    if (!ImGui::Checkbox(label, &value)) return false;
    Write(plugin, name, value);
    return true;
}

// A position slider. The one widget that writes its member itself: while it is dragged, the overlay
// follows the hand at once; the variable is written when the drag ends, and its callback stores the
// same value.
inline void PositionSlider(ZANDO& plugin, const char* label, int32_t& member, SettingName name, int most, const char* format) {
    ImGui::SliderInt(label, &member, 0, most, format);
    if (ImGui::IsItemDeactivatedAfterEdit()) Write(plugin, name, static_cast<int>(member));
}

// True once the item just drawn was released after an edit ("on edit end").
inline bool EditEnded() { return ImGui::IsItemDeactivatedAfterEdit(); }

}  // namespace zando::ui
