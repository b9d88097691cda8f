// The settings-variable table, their registration with change callbacks, and the copy into members at load.
#include "plugin/settings_variables.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "plugin/zando.h"

namespace zando {

namespace {

constexpr SettingVariable Bounded(const char* name, const char* defaultValue, const char* description, float min, float max,
                                  SettingMember member) {
    return {name, defaultValue, description, true, min, max, member};
}

constexpr SettingVariable Switch(const char* name, const char* defaultValue, const char* description,
                                 bool zando::SettingsMirror::*member) {
    return {name, defaultValue, description, true, 0.0f, 1.0f, member};
}

constexpr SettingVariable Text(const char* name, const char* defaultValue, const char* description,
                               std::string zando::SettingsMirror::*member) {
    return {name, defaultValue, description, false, 0.0f, 0.0f, member};
}

constexpr std::array<SettingVariable, SettingVariableCount> kVariables = {{
    Bounded("zando_heatmap_scale", "1.0", "Heatmap window scale", 0.5f, 2.5f, &zando::SettingsMirror::heatmapScale),
    Bounded("zando_postgame_scale", "1.0", "Post-game window scale", 0.5f, 2.5f, &zando::SettingsMirror::postGameScale),
    Bounded("zando_window_opacity", "0.85", "Window opacity", 0.2f, 1.0f, &zando::SettingsMirror::windowOpacity),
    Bounded("zando_heatmap_pos_x", "1154", "Heatmap window X position", 0.0f, 3840.0f, &zando::SettingsMirror::heatmapPosX),
    Bounded("zando_heatmap_pos_y", "60", "Heatmap window Y position", 0.0f, 2160.0f, &zando::SettingsMirror::heatmapPosY),
    Bounded("zando_postgame_pos_x", "1441", "Post-game window X position", 0.0f, 3840.0f, &zando::SettingsMirror::postGamePosX),
    Bounded("zando_postgame_pos_y", "29", "Post-game window Y position", 0.0f, 2160.0f, &zando::SettingsMirror::postGamePosY),
    Switch("zando_show_heatmap", "1", "Show heatmap overlay", &zando::SettingsMirror::showHeatmap),
    Switch("zando_show_postgame", "0", "Show post-game stats overlay", &zando::SettingsMirror::showPostGame),
    Switch("zando_show_heatmap_replay", "0", "Show heatmap during replays", &zando::SettingsMirror::showHeatmapInReplay),
    Switch("zando_show_postgame_replay", "0", "Show post-game during replays", &zando::SettingsMirror::showPostGameInReplay),
    Switch("zando_show_alltime_heatmap", "0", "Show all-time heatmap", &zando::SettingsMirror::showAllTimeHeatmap),
    Switch("zando_minimalistic", "0", "Minimalistic view mode", &zando::SettingsMirror::minimalisticMode),
    Switch("zando_sticky_mode", "0", "Sticky mode (always visible)", &zando::SettingsMirror::stickyMode),
    Switch("zando_show_accuracy_overlay", "0", "Show accuracy overlay on heatmap", &zando::SettingsMirror::showAccuracyOverlay),
    Switch("zando_show_speed", "1", "Show speed in post-game", &zando::SettingsMirror::showSpeed),
    Switch("zando_show_boost", "1", "Show boost in post-game", &zando::SettingsMirror::showBoost),
    Switch("zando_show_shots", "1", "Show shots in post-game", &zando::SettingsMirror::showShots),
    Switch("zando_show_possession", "1", "Show possession in post-game", &zando::SettingsMirror::showPossession),
    Switch("zando_show_gametime", "1", "Show game time in post-game", &zando::SettingsMirror::showGameTime),
    Switch("zando_enable_upload", "0", "Enable automatic upload to ZANDO server", &zando::SettingsMirror::uploadEnabled),
    Text("zando_api_key", "", ApiKeyHint, &zando::SettingsMirror::apiKey),
    Text("zando_server_url", DefaultServerUrl, "ZANDO server URL", &zando::SettingsMirror::serverUrl),
    Switch("zando_postgame_history", "0", "Show the average of the last 10 matches of the playlist beside each post-game figure",
           &zando::SettingsMirror::compareWithHistory),
    Switch("zando_heatmap_field_view", "0",
           "Heatmap overlay: this match's shots and goals where they happened, on the field to scale (0: the zone grid)",
           &zando::SettingsMirror::heatmapFieldView),
}};

constexpr std::array<const char*, 19> kReadAtLoad = {
    "zando_heatmap_scale",       "zando_postgame_scale",       "zando_window_opacity",
    "zando_heatmap_pos_x",       "zando_heatmap_pos_y",        "zando_postgame_pos_x",
    "zando_postgame_pos_y",      "zando_show_heatmap",         "zando_show_postgame",
    "zando_show_heatmap_replay", "zando_show_postgame_replay", "zando_show_alltime_heatmap",
    "zando_minimalistic",        "zando_sticky_mode",          "zando_show_accuracy_overlay",
    "zando_enable_upload",       "zando_server_url",           "zando_api_key",
    "zando_heatmap_field_view",
};

// The table is as long as its count says (a missing row would be left empty), its names are unique,
// and every variable read at load is in it.
constexpr bool TableIsWhole() {
    for (std::size_t i = 0; i < kVariables.size(); ++i) {
        if (!kVariables[i].name || !kVariables[i].defaultValue || !kVariables[i].description) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (std::string_view(kVariables[i].name) == kVariables[j].name) return false;
    }
    return true;
}
static_assert(TableIsWhole(), "every row of the settings table is filled in and named once");

constexpr bool NamedAsListed() {
    for (std::size_t i = 0; i < kVariables.size(); ++i)
        if (kVariables[i].name != SettingNames[i]) return false;
    return true;
}
static_assert(NamedAsListed(), "the table names its variables as SettingNames lists them, in that order");

constexpr bool ReadAtLoadIsInTable() {
    for (const char* name : kReadAtLoad)
        if (!name || !IsSettingName(name)) return false;
    return true;
}
static_assert(ReadAtLoadIsInTable(), "the variables read at load are settings variables");

}  // namespace

const std::array<SettingVariable, SettingVariableCount>& SettingVariables() { return kVariables; }

const SettingVariable* FindSettingVariable(const std::string& name) {
    for (const SettingVariable& variable : kVariables)
        if (name == variable.name) return &variable;
    return nullptr;
}

const std::array<const char*, 19>& SettingsReadAtLoad() { return kReadAtLoad; }

std::string RangeText(const SettingVariable& variable) {
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", static_cast<double>(variable.min), static_cast<double>(variable.max));
    return range;
}

}  // namespace zando

// Reads the value with the getter of the member's type (float, int, bool or string) and stores it.
void ZANDO::OnSettingChanged(CVarWrapper cvar) {
    const zando::SettingVariable* variable = zando::FindSettingVariable(cvar.getCVarName());
    if (!variable) return;
    std::visit(
        [this, &cvar](auto member) {
            using Member = std::remove_reference_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Member, float>)
                settings.*member = cvar.getFloatValue();
            else if constexpr (std::is_same_v<Member, int32_t>)
                settings.*member = cvar.getIntValue();
            else if constexpr (std::is_same_v<Member, bool>)
                settings.*member = cvar.getBoolValue();
            else
                settings.*member = cvar.getStringValue();
        },
        variable->member);
    // Uploads on, at load or when switched on: the signing library is set up now, off the game thread.
    if (std::string_view(variable->name) == "zando_enable_upload" && settings.uploadEnabled) PrepareSigning();
}

void ZANDO::RegisterSettingsVariables() {
    for (const zando::SettingVariable& variable : zando::SettingVariables()) {
        CVarWrapper cvar = cvarManager->registerCvar(variable.name, variable.defaultValue, variable.description, true,
                                                     variable.bounded, variable.min, variable.bounded, variable.max, true);
        cvar.addOnValueChanged(Locked([this](std::string, CVarWrapper changed) {
            OnSettingChanged(changed);
            ReportSettingStored(changed);
        }));
    }
    RegisterCommand(
        "zando_reset_stats",
        [this](std::vector<std::string>) {
            ResetStats();
            cvarManager->log("[ZANDO] Stats have been reset!");
        },
        "Reset all match statistics");
}

// The host clamps a number outside a variable's bounds to the nearest bound without a word, and does
// not say what was typed: a value at a bound is said with the range and what a value beyond it becomes,
// so a player who typed 9 sees that 2.5 was stored, and one who typed 2.5 is not told it was changed.
// Upload settings that cannot work are said too (they are stored all the same).
void ZANDO::ReportSettingStored(CVarWrapper cvar) {
    const zando::SettingVariable* variable = zando::FindSettingVariable(cvar.getCVarName());
    if (!variable) return;
    if (variable->bounded && !std::holds_alternative<bool zando::SettingsMirror::*>(variable->member)) {
        const float value = cvar.getFloatValue();
        if (value == variable->min || value == variable->max) {
            cvarManager->log("[ZANDO] " + std::string(variable->name) + " is " + cvar.getStringValue() + " (it takes " +
                             zando::RangeText(*variable) + "; a " + (value == variable->max ? "larger" : "smaller") +
                             " value is stored as " + cvar.getStringValue() + ")");
        }
    }
    if (const std::string problem = UploadSettingsProblem(variable->name); !problem.empty()) cvarManager->log(problem);
}

void ZANDO::ReadSettingsIntoMembers() {
    for (const char* name : zando::SettingsReadAtLoad()) OnSettingChanged(cvarManager->getCvar(name));
}
