// Console: settings variables, commands (notifiers), statement execution and the console's lines.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "backends.h"
#include "cvar_record.h"
#include "config_file.h"
#include "owner.h"

namespace host {

class Console {
public:
    // configPath: where saved variables persist; empty keeps them in memory only.
    explicit Console(std::filesystem::path configPath = {});

    // [SECTION] Lines
    // Every line logged or printed, in order; the sink (if any) sees each one as it arrives. Lines
    // may come from any thread (a plug-in window logs on the render thread); Lines() is for the game
    // thread while no other thread logs, Snapshot() for any time.
    void AddLine(const std::string& text);
    const std::vector<std::string>& Lines() const { return lines_; }
    std::vector<std::string> Snapshot() const;
    void ClearLines();
    void SetLineSink(std::function<void(const std::string&)> sink) { lineSink_ = std::move(sink); }

    // [SECTION] Variables
    CVarRecord* RegisterCvar(const CVarRecord& definition);
    CVarRecord* FindCvar(const std::string& name);
    std::vector<const CVarRecord*> Cvars() const;  // sorted by name
    // Stores text (clamped to the bounds) and runs the change callbacks. A bounded variable
    // refuses text that is not a number: nothing changes and false is returned.
    bool SetCvarValue(CVarRecord* cvar, const std::string& text);
    // Runs callback after every change of the variable, with its value before the change.
    using ChangeCallback = std::function<void(std::string oldValue, CVarRecord* cvar)>;
    void AddCvarListener(CVarRecord* cvar, OwnerId owner, ChangeCallback callback);

    // [SECTION] Commands
    void RegisterNotifier(const std::string& name, OwnerId owner, NotifierCallback callback,
                          const std::string& description, unsigned char permissions);
    bool HasNotifier(const std::string& name) const { return notifiers_.count(name) != 0; }
    // Runs console statements: `name words...` runs a command, `name value` sets a variable, `name`
    // alone prints a variable's value; statements are separated by ';'. With echo, each statement is
    // first shown as "] statement".
    void Execute(const std::string& text, bool echo = false);

    // Removes every command and change callback of an owner (a plug-in being unloaded).
    void DropOwner(OwnerId owner);

    // Called when a plug-in callback throws; the console reports it and carries on.
    void SetErrorReporter(std::function<void(const std::string&)> reporter) { reportError_ = std::move(reporter); }

private:
    struct Listener {
        OwnerId owner;
        ChangeCallback callback;
    };
    struct Variable {
        std::unique_ptr<CVarRecord> record;
        std::vector<std::shared_ptr<Listener>> listeners;
    };
    struct Notifier {
        OwnerId owner;
        std::shared_ptr<NotifierCallback> callback;
        std::string description;
        unsigned char permissions;
    };

    void RunStatement(const std::string& statement);
    void PersistIfSaved(const CVarRecord& cvar);
    void ReportError(const std::string& what);

    std::filesystem::path configPath_;
    SavedValues savedValues_;  // every saved value known, including variables not registered this run
    std::map<std::string, Variable> variables_;
    std::map<std::string, Notifier> notifiers_;
    mutable std::mutex linesMutex_;  // guards lines_ and the sink's calls
    std::vector<std::string> lines_;
    std::function<void(const std::string&)> lineSink_;
    std::function<void(const std::string&)> reportError_;
};

}  // namespace host
