// The plug-in's settings variables: names, defaults, descriptions, bounds and the member each one sets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

class ZANDO;

namespace zando {

using SettingMember = std::variant<float ZANDO::*, int32_t ZANDO::*, bool ZANDO::*, std::string ZANDO::*>;

struct SettingVariable {
    const char* name;
    const char* defaultValue;
    const char* description;
    bool bounded;  // registered with a minimum and a maximum
    float min;
    float max;
    SettingMember member;  // the member the change callback stores the value in
};

inline constexpr std::size_t SettingVariableCount = 23;

// All variables in registration order.
const std::array<SettingVariable, SettingVariableCount>& SettingVariables();

// The variable of that name, or null.
const SettingVariable* FindSettingVariable(const std::string& name);

// The 18 variables whose values onLoad copies into the members, in that order; the five post-game
// section switches are left out: their members keep their defaults until the variable changes.
const std::array<const char*, 18>& SettingsReadAtLoad();

}  // namespace zando
