// CVarManagerWrapper and CVarWrapper: forward to the host's console; the getters read the stored text.
#include "cvar_wrappers.h"

#include <cstdlib>
#include <string>

namespace {

// The number at the start of a stored text, or 0 when it does not start with one.
double NumberIn(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    double value = std::strtod(begin, &end);
    return end == begin ? 0.0 : value;
}

}  // namespace

std::string CVarWrapper::getCVarName() const { return record_ ? record_->name : std::string(); }
std::string CVarWrapper::getDescription() const { return record_ ? record_->description : std::string(); }
std::string CVarWrapper::getDefaultValue() const { return record_ ? record_->defaultValue : std::string(); }

bool CVarWrapper::getBoolValue() const { return getIntValue() != 0; }

int CVarWrapper::getIntValue() const {
    if (!record_) return 0;
    double value = NumberIn(record_->value);
    if (value >= 2147483647.0) return 2147483647;
    if (value <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(value);
}

float CVarWrapper::getFloatValue() const { return record_ ? static_cast<float>(NumberIn(record_->value)) : 0.0f; }

std::string CVarWrapper::getStringValue() const { return record_ ? record_->value : std::string(); }

void CVarWrapper::setValue(int value) { setValue(std::to_string(value)); }
void CVarWrapper::setValue(float value) { setValue(std::to_string(value)); }

void CVarWrapper::setValue(std::string value) {
    if (console_ && record_) console_->SetCvarValue(record_, value);
}

void CVarWrapper::ResetToDefault() {
    if (record_) setValue(record_->defaultValue);
}

void CVarWrapper::addOnValueChanged(host::CVarChangedCallback callback) {
    if (console_ && record_) console_->AddCvarListener(record_, std::move(callback));
}

CVarWrapper CVarManagerWrapper::registerCvar(std::string name, std::string defaultValue, std::string description,
                                             bool searchAble, bool hasMin, float min, bool hasMax, float max,
                                             bool saveToCfg) {
    host::CVarRecord definition;
    definition.name = std::move(name);
    definition.defaultValue = defaultValue;
    definition.description = std::move(description);
    definition.searchable = searchAble;
    definition.hasMin = hasMin;
    definition.min = min;
    definition.hasMax = hasMax;
    definition.max = max;
    definition.saved = saveToCfg;
    definition.value = std::move(defaultValue);
    return CVarWrapper(console_, console_->RegisterCvar(definition));
}

CVarWrapper CVarManagerWrapper::getCvar(std::string name) { return CVarWrapper(console_, console_->FindCvar(name)); }

void CVarManagerWrapper::registerNotifier(std::string name, host::NotifierCallback callback, std::string description,
                                          unsigned char permissions) {
    console_->RegisterNotifier(name, std::move(callback), description, permissions);
}

void CVarManagerWrapper::executeCommand(std::string command, bool log) { console_->ExecuteCommand(command, log); }

void CVarManagerWrapper::log(std::string text) { console_->Log(text); }
