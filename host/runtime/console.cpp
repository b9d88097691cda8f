// Console: the registry of settings variables and commands, statement execution and persistence.
#include "console.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <exception>

#include "console_syntax.h"

namespace host {

namespace {

// Shortest text that reads back as the number: "2.5", "3840".
std::string FormatNumber(float value) {
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::to_string(value);
}

// The whole text as a finite number (surrounding blanks allowed).
bool ParseNumber(const std::string& text, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    value = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(value)) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0';
}

bool IsBounded(const CVarRecord& cvar) { return cvar.hasMin || cvar.hasMax; }

// The text to store for a requested value, or false when a bounded variable is given a non-number.
// A control character (a line break above all) in a saved value would break the configuration file's
// lines: such a value is refused.
// The line breaks of Unicode count too: NEL (U+0085) and the line and paragraph separators (U+2028,
// U+2029), which editors and other readers of the file take as line ends.
bool HasControlCharacter(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return text.find("\xC2\x85") != std::string::npos || text.find("\xE2\x80\xA8") != std::string::npos ||
           text.find("\xE2\x80\xA9") != std::string::npos;
}

bool BoundedText(const CVarRecord& cvar, const std::string& text, std::string& stored) {
    if (cvar.saved && HasControlCharacter(text)) return false;
    if (!IsBounded(cvar)) {
        stored = text;
        return true;
    }
    double number = 0.0;
    if (!ParseNumber(text, number)) return false;
    if (cvar.hasMin && number < cvar.min) {
        stored = FormatNumber(cvar.min);
    } else if (cvar.hasMax && number > cvar.max) {
        stored = FormatNumber(cvar.max);
    } else {
        stored = text;
    }
    return true;
}

std::string RangeText(const CVarRecord& cvar) {
    if (cvar.hasMin && cvar.hasMax) return "a number from " + FormatNumber(cvar.min) + " to " + FormatNumber(cvar.max);
    if (cvar.hasMin) return "a number of at least " + FormatNumber(cvar.min);
    return "a number of at most " + FormatNumber(cvar.max);
}

}  // namespace

Console::Console(std::filesystem::path configPath) : configPath_(std::move(configPath)) {
    if (!configPath_.empty()) savedValues_ = ReadConfigFile(configPath_);
}

// [SECTION] Lines

std::vector<std::string> Console::Snapshot() const {
    std::scoped_lock lock(linesMutex_);
    return lines_;
}

void Console::ClearLines() {
    std::scoped_lock lock(linesMutex_);
    lines_.clear();
}

void Console::AddLine(const std::string& text) {
    std::scoped_lock lock(linesMutex_);
    lines_.push_back(text);
    if (lineSink_) lineSink_(text);
}

void Console::ReportError(const std::string& what) {
    if (reportError_) reportError_(what);
}

// [SECTION] Variables

CVarRecord* Console::RegisterCvar(const CVarRecord& definition) {
    auto found = variables_.find(definition.name);
    if (found != variables_.end()) return found->second.record.get();

    auto record = std::make_unique<CVarRecord>(definition);
    std::string stored;
    if (!BoundedText(*record, record->defaultValue, stored)) stored = record->defaultValue;
    record->value = stored;
    if (record->saved) {
        auto saved = savedValues_.find(record->name);
        if (saved != savedValues_.end() && BoundedText(*record, saved->second, stored)) record->value = stored;
    }
    CVarRecord* result = record.get();
    variables_[definition.name].record = std::move(record);
    return result;
}

CVarRecord* Console::FindCvar(const std::string& name) {
    auto found = variables_.find(name);
    return found == variables_.end() ? nullptr : found->second.record.get();
}

std::vector<const CVarRecord*> Console::Cvars() const {
    std::vector<const CVarRecord*> result;
    for (const auto& [name, variable] : variables_) result.push_back(variable.record.get());
    return result;
}

bool Console::SetCvarValue(CVarRecord* cvar, const std::string& text) {
    std::string stored;
    if (!cvar || !BoundedText(*cvar, text, stored)) return false;
    std::string oldValue = cvar->value;
    cvar->value = stored;
    if (cvar->value != oldValue) PersistIfSaved(*cvar);

    // Callbacks may register or drop others while they run: walk a snapshot.
    auto variable = variables_.find(cvar->name);
    if (variable == variables_.end()) return true;
    std::vector<std::shared_ptr<Listener>> listeners = variable->second.listeners;
    for (const auto& listener : listeners) {
        try {
            listener->callback(oldValue, cvar);
        } catch (const std::exception& e) {
            ReportError("change callback of " + cvar->name + " threw: " + e.what());
        } catch (...) {
            ReportError("change callback of " + cvar->name + " threw an unknown exception");
        }
    }
    return true;
}

void Console::AddCvarListener(CVarRecord* cvar, OwnerId owner, ChangeCallback callback) {
    auto variable = cvar ? variables_.find(cvar->name) : variables_.end();
    if (variable == variables_.end()) return;
    variable->second.listeners.push_back(std::make_shared<Listener>(Listener{owner, std::move(callback)}));
}

void Console::PersistIfSaved(const CVarRecord& cvar) {
    if (!cvar.saved) return;
    savedValues_[cvar.name] = cvar.value;
    if (!configPath_.empty() && !WriteConfigFile(configPath_, savedValues_))
        ReportError("could not write the configuration file " + configPath_.string());
}

// [SECTION] Commands

void Console::RegisterNotifier(const std::string& name, OwnerId owner, NotifierCallback callback, const std::string& description,
                               unsigned char permissions) {
    notifiers_[name] = Notifier{owner, std::make_shared<NotifierCallback>(std::move(callback)), description, permissions};
}

void Console::Execute(const std::string& text, bool echo) {
    for (const std::string& statement : SplitStatements(text)) {
        if (echo) AddLine("] " + statement);
        RunStatement(statement);
    }
}

void Console::RunStatement(const std::string& statement) {
    std::vector<std::string> words = SplitWords(statement);
    if (words.empty()) return;
    const std::string& name = words[0];

    if (auto notifier = notifiers_.find(name); notifier != notifiers_.end()) {
        std::shared_ptr<NotifierCallback> callback = notifier->second.callback;  // survives its own removal
        try {
            (*callback)(words);
        } catch (const std::exception& e) {
            ReportError("command " + name + " threw: " + e.what());
        } catch (...) {
            ReportError("command " + name + " threw an unknown exception");
        }
        return;
    }
    if (CVarRecord* cvar = FindCvar(name)) {
        if (words.size() == 1) {
            AddLine(name + " " + QuoteWord(cvar->value));
        } else if (!SetCvarValue(cvar, words[1])) {
            // The refused value is not repeated when it holds a control character: it may be a key.
            if (cvar->saved && HasControlCharacter(words[1]))
                AddLine("Invalid value for " + name + ": a line break or other control character cannot be saved");
            else
                AddLine("Invalid value " + QuoteWord(words[1]) + " for " + name + ": expected " + RangeText(*cvar));
        }
        return;
    }
    AddLine("Unknown command or variable: " + name);
}

void Console::DropOwner(OwnerId owner) {
    for (auto it = notifiers_.begin(); it != notifiers_.end();) {
        it = it->second.owner == owner ? notifiers_.erase(it) : std::next(it);
    }
    for (auto& [name, variable] : variables_) {
        std::erase_if(variable.listeners, [owner](const auto& listener) { return listener->owner == owner; });
    }
}

}  // namespace host
