// CVarManagerWrapper and CVarWrapper: forward to the plug-in's console session; the getters read the
// variable's stored text.
#include <cstdlib>
#include <string>

#include "bakkesmod/wrappers/cvarmanagerwrapper.h"
#include "bakkesmod/wrappers/cvarwrapper.h"
#include "host/runtime/backends.h"

namespace {

// The number at the start of a stored text, or 0 when it does not start with one.
double NumberIn(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    double value = std::strtod(begin, &end);
    return end == begin ? 0.0 : value;
}

host::CVarRecord* Record(std::uintptr_t address) {
    return address ? host::ObjectAt<host::CVarHandle>(address)->record : nullptr;
}
host::ConsoleBackend* Console(std::uintptr_t address) { return host::ObjectAt<host::ConsoleBackend>(address); }

}  // namespace

// [SECTION] CVarWrapper

CVarWrapper::CVarWrapper(std::uintptr_t mem) : memory_address(mem) {}

bool CVarWrapper::IsNull() { return memory_address == 0; }

std::string CVarWrapper::getCVarName() { return IsNull() ? std::string() : Record(memory_address)->name; }
std::string CVarWrapper::getDescription() { return IsNull() ? std::string() : Record(memory_address)->description; }
std::string CVarWrapper::GetDefaultValue() { return IsNull() ? std::string() : Record(memory_address)->defaultValue; }

bool CVarWrapper::getBoolValue() { return getIntValue() != 0; }

int CVarWrapper::getIntValue() {
    if (IsNull()) return 0;
    double value = NumberIn(Record(memory_address)->value);
    if (value >= 2147483647.0) return 2147483647;
    if (value <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(value);
}

float CVarWrapper::getFloatValue() { return IsNull() ? 0.0f : static_cast<float>(NumberIn(Record(memory_address)->value)); }

std::string CVarWrapper::getStringValue() { return IsNull() ? std::string() : Record(memory_address)->value; }

void CVarWrapper::setValue(int value) { setValue(std::to_string(value)); }
void CVarWrapper::setValue(float value) { setValue(std::to_string(value)); }

void CVarWrapper::setValue(std::string value) {
    if (IsNull()) return;
    const host::CVarHandle* handle = host::ObjectAt<host::CVarHandle>(memory_address);
    handle->console->SetCvarValue(handle->record, value);
}

void CVarWrapper::ResetToDefault() {
    if (!IsNull()) setValue(Record(memory_address)->defaultValue);
}

void CVarWrapper::addOnValueChanged(std::function<void(std::string, CVarWrapper)> changeFunc) {
    if (IsNull()) return;
    const host::CVarHandle* handle = host::ObjectAt<host::CVarHandle>(memory_address);
    handle->console->AddCvarListener(handle->record, std::move(changeFunc));
}

// [SECTION] CVarManagerWrapper

CVarManagerWrapper::CVarManagerWrapper(std::uintptr_t mem) : memory_address(mem) {}

CVarWrapper CVarManagerWrapper::registerCvar(std::string cvar, std::string defaultValue, std::string desc,
                                             bool searchAble, bool hasMin, float min, bool hasMax, float max,
                                             bool saveToCfg) {
    host::CVarRecord definition;
    definition.name = std::move(cvar);
    definition.defaultValue = defaultValue;
    definition.description = std::move(desc);
    definition.searchable = searchAble;
    definition.hasMin = hasMin;
    definition.min = min;
    definition.hasMax = hasMax;
    definition.max = max;
    definition.saved = saveToCfg;
    definition.value = std::move(defaultValue);
    return CVarWrapper(host::AddressOf(Console(memory_address)->RegisterCvar(definition)));
}

CVarWrapper CVarManagerWrapper::getCvar(std::string cvar) {
    return CVarWrapper(host::AddressOf(Console(memory_address)->FindCvar(cvar)));
}

void CVarManagerWrapper::registerNotifier(std::string cvar, std::function<void(std::vector<std::string>)> notifier,
                                          std::string description, unsigned char PERMISSIONS) {
    Console(memory_address)->RegisterNotifier(cvar, std::move(notifier), description, PERMISSIONS);
}

void CVarManagerWrapper::registerNotifier(std::string cvar, void (*notifier)(std::vector<std::string>),
                                          std::string description, unsigned char PERMISSIONS) {
    registerNotifier(std::move(cvar), std::function<void(std::vector<std::string>)>(notifier), std::move(description),
                     PERMISSIONS);
}

void CVarManagerWrapper::executeCommand(std::string command, bool log) { Console(memory_address)->ExecuteCommand(command, log); }

void CVarManagerWrapper::log(std::string text) { Console(memory_address)->Log(text); }
