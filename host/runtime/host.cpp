// Host: plug-in loading and unloading, event dispatch, frames and the host's own console commands.
#include "host.h"

#include <imgui.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <iostream>
#include <system_error>

#include "console_syntax.h"

namespace host {

namespace plugin = BakkesMod::Plugin;

namespace {

bool IsBlank(const char* text) { return text == nullptr || *text == '\0'; }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Why a library's exports record is refused, or empty when it is acceptable.
std::string CheckExports(const plugin::PluginInfo* info, void* getPlugin, void* deleteMe, const std::string& expectedClass) {
    if (!info) return "it exports no \"exports\" record";
    if (!getPlugin || !deleteMe) return "it does not export both \"getPlugin\" and \"deleteMe\"";
    if (info->apiBuildVersion != BAKKESMOD_PLUGIN_API_VERSION)
        return "it was built for API build " + std::to_string(info->apiBuildVersion) + ", this host speaks " +
               std::to_string(BAKKESMOD_PLUGIN_API_VERSION);
    if (IsBlank(info->className) || IsBlank(info->pluginName)) return "its exports record names no class or plug-in";
    if (!expectedClass.empty() && expectedClass != info->className)
        return "it holds the class \"" + std::string(info->className) + "\", not \"" + expectedClass + "\"";
    if (reinterpret_cast<void*>(info->initializeFunc) != getPlugin || reinterpret_cast<void*>(info->delFunc) != deleteMe)
        return "its exports record does not point at its getPlugin and deleteMe";
    return {};
}

}  // namespace

Host::Host(std::filesystem::path home)
    : home_(std::move(home)), dataFolder_(home_ / "data"), console_(home_.empty() ? std::filesystem::path() : home_ / ConfigFileName()) {
    std::error_code error;
    std::filesystem::create_directories(dataFolder_, error);
    console_.SetErrorReporter([this](const std::string& message) { Report(message); });
    RegisterHostCommands();
}

Host::~Host() {
    while (!plugins_.empty()) UnloadPlugin(plugins_.back().get());
}

void Host::Report(const std::string& message) {
    if (messageSink_) messageSink_(message);
    else std::cerr << "host: " << message << '\n';
}

// [SECTION] Plug-ins

LoadResult Host::LoadPlugin(const std::filesystem::path& path, const std::string& expectedClass) {
    const std::string refused = "Refused to load " + path.string() + ": ";
    std::string error;
    std::unique_ptr<PluginLibrary> library = PluginLibrary::Open(path, error);
    if (!library) return {nullptr, refused + error};

    const auto* info = static_cast<const plugin::PluginInfo*>(library->Symbol("exports"));
    void* getPlugin = library->Symbol("getPlugin");
    void* deleteMe = library->Symbol("deleteMe");
    if (std::string why = CheckExports(info, getPlugin, deleteMe, expectedClass); !why.empty())
        return {nullptr, refused + why};

    auto loaded = std::make_unique<LoadedPlugin>();
    loaded->id = nextOwner_++;
    loaded->info = info;
    loaded->session = std::make_unique<PluginSession>(*this, loaded->id);
    // getPlugin gives the address of the library's shared pointer to its plug-in object.
    loaded->instance = reinterpret_cast<std::shared_ptr<plugin::BakkesModPlugin>*>(info->initializeFunc());
    plugin::BakkesModPlugin* object = loaded->Object();
    loaded->library = std::move(library);
    LoadedPlugin* result = loaded.get();
    {
        std::scoped_lock lock(windowsMutex_);
        plugins_.push_back(std::move(loaded));
    }
    if (!object) {
        UnloadPlugin(result);
        return {nullptr, refused + "its getPlugin gave no plug-in object"};
    }
    result->window = dynamic_cast<plugin::PluginWindow*>(object);
    result->settings = dynamic_cast<plugin::PluginSettingsWindow*>(object);

    object->cvarManager = result->session->Console();
    object->gameWrapper = result->session->Game();
    try {
        object->onLoad();
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "an unknown exception";
    }
    if (!error.empty()) {
        // The record lives in the library, which unloading releases: the message is made first.
        std::string message = "Plug-in " + std::string(info->pluginName) + " failed in onLoad: " + error;
        UnloadPlugin(result);
        return {nullptr, std::move(message)};
    }
    {
        std::scoped_lock lock(windowsMutex_);
        result->ready = true;
    }
    libraryPaths_[Lower(info->pluginName)] = path;
    return {result, {}};
}

void Host::HandImGuiContext(LoadedPlugin& plugin) {
    plugin.imguiContext = imguiContext_;
    if (plugin.window) plugin.window->SetImGuiContext(imguiContext_);
    if (plugin.settings) plugin.settings->SetImGuiContext(imguiContext_);
}

std::vector<LoadedPlugin*> Host::ReadyPlugins() const {
    std::scoped_lock lock(windowsMutex_);
    std::vector<LoadedPlugin*> ready;
    for (const auto& plugin : plugins_)
        if (plugin->ready) ready.push_back(plugin.get());
    return ready;
}

void Host::SetImGuiContext(std::uintptr_t context) {
    std::scoped_lock pass(renderPassMutex_);
    imguiContext_ = context;
    for (LoadedPlugin* plugin : ReadyPlugins()) HandImGuiContext(*plugin);
}

bool Host::ShowSettingsPage(const std::string& pluginName, bool shown) {
    std::scoped_lock lock(windowsMutex_);
    for (const auto& plugin : plugins_) {
        if (plugin->settings && plugin->settings->GetPluginName() == pluginName) {
            plugin->settingsShown = shown;
            return true;
        }
    }
    return false;
}

bool Host::AnyWindowShown() const {
    std::scoped_lock lock(windowsMutex_);
    for (const auto& plugin : plugins_)
        if ((plugin->windowOpen && plugin->window) || (plugin->settingsShown && plugin->settings)) return true;
    return false;
}

void Host::RenderWindows() {
    std::scoped_lock pass(renderPassMutex_);
    if (!imguiContext_) return;
    for (LoadedPlugin* plugin : ReadyPlugins()) {
        // A plug-in loaded since the last pass gets the context before its first window is drawn.
        if (plugin->imguiContext != imguiContext_) HandImGuiContext(*plugin);
        bool settingsShown = false, windowOpen = false;
        {
            std::scoped_lock lock(windowsMutex_);
            settingsShown = plugin->settingsShown && plugin->settings;
            windowOpen = plugin->windowOpen && plugin->window;
        }
        try {
            if (settingsShown) {
                // The host's settings window holds the plug-in's page, as the game's plug-in menu does.
                const std::string title = "Plug-in settings: " + plugin->settings->GetPluginName();
                ImGui::SetNextWindowSize({640.0f, 760.0f}, ImGuiCond_FirstUseEver);
                ImGui::SetNextWindowPos({40.0f, 40.0f}, ImGuiCond_FirstUseEver);
                bool keepShown = true;
                if (ImGui::Begin(title.c_str(), &keepShown)) plugin->settings->RenderSettings();
                ImGui::End();
                if (!keepShown) {
                    std::scoped_lock lock(windowsMutex_);
                    plugin->settingsShown = false;
                }
            }
            if (windowOpen) plugin->window->Render();
        } catch (const std::exception& e) {
            Report(std::string("a plug-in window threw: ") + e.what());
        } catch (...) {
            Report("a plug-in window threw an unknown exception");
        }
    }
}

void Host::UnloadPlugin(LoadedPlugin* loaded) {
    auto found = std::find_if(plugins_.begin(), plugins_.end(), [loaded](const auto& p) { return p.get() == loaded; });
    if (found == plugins_.end()) return;
    std::unique_ptr<LoadedPlugin> owned;
    {
        std::scoped_lock lock(windowsMutex_);
        owned = std::move(*found);
        plugins_.erase(found);
    }
    // A render pass that began before may still be drawing its windows: it ends first.
    { std::scoped_lock pass(renderPassMutex_); }

    if (plugin::BakkesModPlugin* object = owned->Object()) {
        if (owned->windowOpen && owned->window) owned->window->OnClose();
        try {
            object->onUnload();
        } catch (const std::exception& e) {
            Report(std::string(owned->info->pluginName) + " threw in onUnload: " + e.what());
        } catch (...) {
            Report(std::string(owned->info->pluginName) + " threw in onUnload");
        }
    }
    // Everything the plug-in registered runs code of its library: it goes before the library does.
    RemoveRegistrations(owned->id);
    owned->info->delFunc();
    owned->session.reset();
    owned->library.reset();
}

void Host::RemoveRegistrations(OwnerId owner) {
    hooks_.DropOwner(owner);
    console_.DropOwner(owner);
    scheduler_.DropOwner(owner);
    RemoveDrawables(owner);
}

// [SECTION] Game

int Host::FireEvent(const std::string& eventName, std::uintptr_t caller, void* params) {
    return hooks_.Fire(eventName, caller, params, [this](const std::string& message) { Report(message); });
}

void Host::AddDrawable(OwnerId owner, DrawableCallback callback) {
    drawables_.push_back(Drawable{owner, std::make_shared<DrawableCallback>(std::move(callback))});
}

void Host::RemoveDrawables(OwnerId owner) {
    std::erase_if(drawables_, [owner](const Drawable& drawable) { return drawable.owner == owner; });
}

void Host::RenderFrame(CanvasBackend* canvas) {
    std::vector<Drawable> frame = drawables_;  // a drawable may unregister drawables while it runs
    for (const Drawable& drawable : frame) {
        try {
            (*drawable.callback)(CanvasWrapper(AddressOf(canvas)));
        } catch (const std::exception& e) {
            Report(std::string("drawable threw: ") + e.what());
        } catch (...) {
            Report("drawable threw an unknown exception");
        }
    }
}

LoadedPlugin* Host::FindPlugin(const std::string& pluginName) {
    for (const auto& loaded : plugins_)
        if (Lower(loaded->info->pluginName) == Lower(pluginName)) return loaded.get();
    return nullptr;
}

LoadedPlugin* Host::FindWindow(const std::string& menuName) {
    for (const auto& loaded : plugins_)
        if (loaded->window && loaded->window->GetMenuName() == menuName) return loaded.get();
    return nullptr;
}

bool Host::ToggleMenu(const std::string& menuName) {
    LoadedPlugin* loaded = FindWindow(menuName);
    if (!loaded) return false;
    bool open = false;
    {
        std::scoped_lock lock(windowsMutex_);
        open = loaded->windowOpen = !loaded->windowOpen;
    }
    if (open) loaded->window->OnOpen();
    else loaded->window->OnClose();
    return true;
}

// [SECTION] Host commands

void Host::RegisterHostCommands() {
    console_.RegisterNotifier(
        "togglemenu", HostOwner,
        [this](std::vector<std::string> words) {
            if (words.size() < 2) {
                console_.AddLine("Usage: togglemenu NAME");
            } else if (!ToggleMenu(words[1])) {
                console_.AddLine("No window named " + QuoteWord(words[1]));
            }
        },
        "Open or close a plug-in window by its menu name", 0);
    console_.RegisterNotifier(
        "pluginsettings", HostOwner,
        [this](std::vector<std::string> words) {
            if (words.size() < 2) {
                console_.AddLine("Usage: pluginsettings NAME [0|1]");
                return;
            }
            bool shown = true;
            {
                std::scoped_lock lock(windowsMutex_);
                for (const auto& plugin : plugins_)
                    if (plugin->settings && plugin->settings->GetPluginName() == words[1]) shown = !plugin->settingsShown;
            }
            if (words.size() > 2) shown = words[2] != "0";
            if (!ShowSettingsPage(words[1], shown)) console_.AddLine("No settings page named " + QuoteWord(words[1]));
        },
        "Show or hide a plug-in's page in the host's settings window", 0);
    // The game's plug-in manager: a plug-in can be unloaded and loaded again while a match runs.
    console_.RegisterNotifier(
        "plugin", HostOwner,
        [this](std::vector<std::string> words) {
            const std::string verb = words.size() > 1 ? words[1] : std::string();
            if (words.size() != 3 || (verb != "load" && verb != "unload" && verb != "reload")) {
                console_.AddLine("Usage: plugin load|unload|reload NAME");
                return;
            }
            const std::string& name = words[2];
            LoadedPlugin* loaded = FindPlugin(name);
            if (verb != "load") {
                if (!loaded) {
                    console_.AddLine("No plug-in named " + QuoteWord(name) + " is loaded");
                    return;
                }
                UnloadPlugin(loaded);
                console_.AddLine("Unloaded plug-in " + name);
                if (verb == "unload") return;
            } else if (loaded) {
                console_.AddLine("Plug-in " + name + " is already loaded");
                return;
            }
            const auto path = libraryPaths_.find(Lower(name));
            if (path == libraryPaths_.end()) {
                console_.AddLine("No library known for a plug-in named " + QuoteWord(name));
                return;
            }
            const LoadResult result = LoadPlugin(path->second);
            console_.AddLine(result.plugin ? "Loaded plug-in " + name : result.error);
        },
        "Load, unload or reload a plug-in by its name", 0);
    console_.RegisterNotifier(
        "cvarlist", HostOwner,
        [this](std::vector<std::string> words) {
            const std::string prefix = words.size() > 1 ? words[1] : std::string();
            for (const CVarRecord* cvar : console_.Cvars())
                if (cvar->name.rfind(prefix, 0) == 0) console_.AddLine(cvar->name + " " + QuoteWord(cvar->value));
        },
        "List settings variables (optionally those starting with a prefix) with their values", 0);
}

}  // namespace host
