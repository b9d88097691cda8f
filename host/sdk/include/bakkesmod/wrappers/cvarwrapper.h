// CVarWrapper: a handle onto one of the host's settings variables.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "../plugin/bakkesmodsdk.h"

class BAKKESMOD_PLUGIN_IMPORT CVarWrapper {
public:
    CVarWrapper(std::uintptr_t mem);

    std::string getCVarName();
    // All four getters read the one stored text; a text that is not a number reads as 0.
    int getIntValue();
    float getFloatValue();
    bool getBoolValue();
    std::string getStringValue();
    std::string getDescription();
    std::string GetDefaultValue();

    // Stores the value (clamped to the variable's bounds) and runs every change callback.
    void setValue(std::string value);
    void setValue(int value);
    void setValue(float value);
    void ResetToDefault();

    void addOnValueChanged(std::function<void(std::string, CVarWrapper)> changeFunc);
    bool IsNull();

    std::uintptr_t memory_address;
};
