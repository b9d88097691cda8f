// The plug-in's settings variables: names, defaults, descriptions, bounds and the member each one sets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "plugin/plugin_state.h"

class ZANDO;

namespace zando {

using SettingMember = std::variant<float zando::SettingsMirror::*, int32_t zando::SettingsMirror::*,
                                   bool zando::SettingsMirror::*, std::string zando::SettingsMirror::*>;

struct SettingVariable {
    const char* name;
    const char* defaultValue;
    const char* description;
    bool bounded;  // registered with a minimum and a maximum
    float min;
    float max;
    SettingMember member;  // the member the change callback stores the value in
};

inline constexpr std::size_t SettingVariableCount = 25;

// The variables' names in registration order, for code that names a variable: the table's names are
// checked against these when the plug-in is built.
inline constexpr std::array<std::string_view, SettingVariableCount> SettingNames = {
    "zando_heatmap_scale",
    "zando_postgame_scale",
    "zando_window_opacity",
    "zando_heatmap_pos_x",
    "zando_heatmap_pos_y",
    "zando_postgame_pos_x",
    "zando_postgame_pos_y",
    "zando_show_heatmap",
    "zando_show_postgame",
    "zando_show_heatmap_replay",
    "zando_show_postgame_replay",
    "zando_show_alltime_heatmap",
    "zando_minimalistic",
    "zando_sticky_mode",
    "zando_show_accuracy_overlay",
    "zando_show_speed",
    "zando_show_boost",
    "zando_show_shots",
    "zando_show_possession",
    "zando_show_gametime",
    "zando_enable_upload",
    "zando_api_key",
    "zando_server_url",
    "zando_postgame_history",
    "zando_heatmap_field_view",
};

constexpr bool IsSettingName(std::string_view name) {
    for (std::string_view setting : SettingNames)
        if (setting == name) return true;
    return false;
}

// A settings variable's name, checked when the code is compiled: a misspelt name does not build
// (writing a variable that does not exist would do nothing, silently).
class SettingName {
public:
    consteval SettingName(const char* name) : name_(name) {  // NOLINT: implicit, so a literal names a variable
        if (!IsSettingName(name)) throw "not the name of a settings variable";
    }
    const char* c_str() const { return name_; }

private:
    const char* name_;
};

// All variables in registration order.
const std::array<SettingVariable, SettingVariableCount>& SettingVariables();

// The variable of that name, or null.
const SettingVariable* FindSettingVariable(const std::string& name);

// A bounded variable's range as the console shows it: "0.5 to 2.5".
std::string RangeText(const SettingVariable& variable);

// The 18 variables whose values onLoad copies into the members, in that order; the five post-game
// section switches are left out: their members keep their defaults until the variable changes.
const std::array<const char*, 19>& SettingsReadAtLoad();

}  // namespace zando
