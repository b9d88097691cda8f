// CVarManagerWrapper and CVarWrapper: the console, settings variables and commands of the host.
#pragma once

#include <string>
#include <vector>

#include "backends.h"
#include "cvar_record.h"
#include "sdk_api.h"

class HOSTSDK_API CVarWrapper {
public:
    CVarWrapper() = default;
    CVarWrapper(host::ConsoleBackend* console, host::CVarRecord* record) : console_(console), record_(record) {}

    bool IsNull() const { return record_ == nullptr; }
    std::string getCVarName() const;
    std::string getDescription() const;
    std::string getDefaultValue() const;

    // All four getters read the one stored text; a text that is not a number reads as 0.
    bool getBoolValue() const;
    int getIntValue() const;
    float getFloatValue() const;
    std::string getStringValue() const;

    // Stores the value (clamped to the variable's bounds) and runs every change callback.
    void setValue(int value);
    void setValue(float value);
    void setValue(std::string value);
    void setValue(const char* value) { setValue(std::string(value)); }
    void ResetToDefault();

    void addOnValueChanged(host::CVarChangedCallback callback);

private:
    host::ConsoleBackend* console_ = nullptr;
    host::CVarRecord* record_ = nullptr;
};

class HOSTSDK_API CVarManagerWrapper {
public:
    explicit CVarManagerWrapper(host::ConsoleBackend* console) : console_(console) {}

    CVarWrapper registerCvar(std::string name, std::string defaultValue, std::string description = "",
                             bool searchAble = true, bool hasMin = false, float min = 0, bool hasMax = false,
                             float max = 0, bool saveToCfg = true);
    CVarWrapper getCvar(std::string name);  // null handle when no such variable exists
    void registerNotifier(std::string name, host::NotifierCallback callback, std::string description,
                          unsigned char permissions);
    void executeCommand(std::string command, bool log = true);
    void log(std::string text);

private:
    host::ConsoleBackend* console_;
};
