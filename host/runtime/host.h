// Host: the runtime behind the stand-in SDK. It owns the console, the virtual clock, the hooks, the
// drawables, the modelled game and the data folder, and loads plug-in libraries by their exported symbols.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "backends.h"
#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "bakkesmod/plugin/pluginwindow.h"
#include "game_objects.h"
#include "console.h"
#include "hook_registry.h"
#include "owner.h"
#include "plugin_library.h"
#include "plugin_session.h"
#include "scheduler.h"

namespace host {

// A plug-in library the host has loaded, with the one object its getPlugin created.
struct LoadedPlugin {
    OwnerId id = HostOwner;
    std::unique_ptr<PluginLibrary> library;
    const BakkesMod::Plugin::PluginInfo* info = nullptr;
    std::shared_ptr<BakkesMod::Plugin::BakkesModPlugin>* instance = nullptr;  // the library's own pointer
    std::unique_ptr<PluginSession> session;
    BakkesMod::Plugin::PluginWindow* window = nullptr;              // null when the plug-in has no window
    BakkesMod::Plugin::PluginSettingsWindow* settings = nullptr;    // null when it has no settings page
    // Read by the render thread: written under the host's window lock.
    bool windowOpen = false;
    bool settingsShown = false;  // its page is shown in the host's settings window
    bool ready = false;          // onLoad has run: the render thread may draw its windows
    std::uintptr_t imguiContext = 0;  // the context last handed to it (on the render thread)

    BakkesMod::Plugin::BakkesModPlugin* Object() const { return instance ? instance->get() : nullptr; }
};

struct LoadResult {
    LoadedPlugin* plugin = nullptr;  // null when the load was refused or failed
    std::string error;               // why, in one sentence
};

class Host {
public:
    // home: the host's folder; the configuration file is home/"config.cfg", the data folder home/"data".
    explicit Host(std::filesystem::path home);
    ~Host();  // unloads every plug-in still loaded
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    Console& GetConsole() { return console_; }
    Scheduler& GetScheduler() { return scheduler_; }
    HookRegistry& Hooks() { return hooks_; }
    game::World& World() { return world_; }
    const std::filesystem::path& Home() const { return home_; }
    const std::filesystem::path& DataFolder() const { return dataFolder_; }
    static std::filesystem::path ConfigFileName() { return "config.cfg"; }

    // [SECTION] Plug-ins
    // Opens the library, checks its exports record (API build, class and plug-in names, entry points;
    // expectedClass when given), creates the plug-in object, hands it the console and game handles
    // and runs onLoad. A failure at any step leaves nothing behind and is reported in the result.
    LoadResult LoadPlugin(const std::filesystem::path& library, const std::string& expectedClass = {});
    // onUnload, then every hook, command, callback, drawable and timer of the plug-in is removed,
    // then deleteMe, then the library is closed.
    void UnloadPlugin(LoadedPlugin* plugin);
    const std::vector<std::unique_ptr<LoadedPlugin>>& Plugins() const { return plugins_; }
    // The loaded plug-in of that name (its exports record's plug-in name, any case), or null.
    LoadedPlugin* FindPlugin(const std::string& pluginName);

    // [SECTION] Game
    int FireEvent(const std::string& eventName, std::uintptr_t caller = 0, void* params = nullptr);
    void Advance(double seconds) { scheduler_.Advance(seconds); }
    // One rendered frame: every drawable gets the canvas (null: a canvas that draws nothing).
    void RenderFrame(CanvasBackend* canvas);
    // Opens or closes the window whose menu name is given; false when no plug-in has it.
    bool ToggleMenu(const std::string& menuName);

    // [SECTION] Plug-in windows (Dear ImGui)
    // The windows are drawn on the render thread (the thread that calls RenderWindows), concurrently
    // with the game thread (everything else). Tests and pictures may call both from one thread.
    // The host's Dear ImGui context, handed to every plug-in through its context-setter slots on the
    // render thread, before the plug-in's first window is drawn. Call it on the render thread.
    void SetImGuiContext(std::uintptr_t context);
    // Shows or hides the settings page of the named plug-in; false when no plug-in has that page.
    bool ShowSettingsPage(const std::string& pluginName, bool shown);
    // Inside the current Dear ImGui frame, on the render thread: the settings pages shown, then every
    // open plug-in window. A plug-in being unloaded waits for the pass that draws it to end.
    void RenderWindows();
    bool AnyWindowShown() const;

    // [SECTION] Messages
    // The host's own messages (a plug-in callback that threw, a file it could not write); these are
    // not console lines. Default: standard error.
    void SetMessageSink(std::function<void(const std::string&)> sink) { messageSink_ = std::move(sink); }
    void Report(const std::string& message);

    // Used by PluginSession.
    void AddDrawable(OwnerId owner, DrawableCallback callback);
    void RemoveDrawables(OwnerId owner);

private:
    struct Drawable {
        OwnerId owner;
        std::shared_ptr<DrawableCallback> callback;
    };

    void RegisterHostCommands();
    void RemoveRegistrations(OwnerId owner);
    LoadedPlugin* FindWindow(const std::string& menuName);
    void HandImGuiContext(LoadedPlugin& plugin);  // render thread
    std::vector<LoadedPlugin*> ReadyPlugins() const;

    std::filesystem::path home_;
    std::filesystem::path dataFolder_;
    Console console_;
    Scheduler scheduler_;
    HookRegistry hooks_;
    game::World world_;
    std::vector<Drawable> drawables_;
    std::vector<std::unique_ptr<LoadedPlugin>> plugins_;
    OwnerId nextOwner_ = HostOwner + 1;
    std::function<void(const std::string&)> messageSink_;
    // The render thread reads the plug-in list and the window flags under windowsMutex_; a render pass
    // holds renderPassMutex_, which an unload takes to wait until no pass draws the plug-in any more.
    mutable std::mutex windowsMutex_;
    std::mutex renderPassMutex_;
    std::uintptr_t imguiContext_ = 0;  // render thread only
    // Where each plug-in loaded so far came from, by its name in lower case: "plugin load NAME" and
    // "plugin reload NAME" open that library again.
    std::map<std::string, std::filesystem::path> libraryPaths_;
};

}  // namespace host
