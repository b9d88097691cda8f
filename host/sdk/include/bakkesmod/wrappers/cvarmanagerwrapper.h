// CVarManagerWrapper: the host's console: settings variables, commands, command execution, the log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "../plugin/bakkesmodsdk.h"
#include "cvarwrapper.h"

class BAKKESMOD_PLUGIN_IMPORT CVarManagerWrapper {
public:
    CVarManagerWrapper(std::uintptr_t mem);

    CVarWrapper registerCvar(std::string cvar, std::string defaultValue, std::string desc = "", bool searchAble = true,
                             bool hasMin = false, float min = 0, bool hasMax = false, float max = 0,
                             bool saveToCfg = true);
    CVarWrapper getCvar(std::string cvar);  // a null handle when no such variable exists
    void registerNotifier(std::string cvar, std::function<void(std::vector<std::string>)> notifier,
                          std::string description, unsigned char PERMISSIONS);
    void registerNotifier(std::string cvar, void (*notifier)(std::vector<std::string>), std::string description,
                          unsigned char PERMISSIONS);
    void executeCommand(std::string command, bool log = true);
    void log(std::string text);

private:
    std::uintptr_t memory_address;
};
