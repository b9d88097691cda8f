// zando-sandbox: loads the ZANDO plug-in library into the stand-in host as the game does, runs console
// statements, then a console prompt, a replayed trace or a simulated match, and unloads it. Console
// lines (and the simulation report) go to standard output, the sandbox's own messages to standard error.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "host/runtime/host.h"
#include "sandbox/live_window.h"
#include "sandbox/panel_control.h"
#include "sandbox/sandbox_options.h"
#include "sandbox/screen_camera.h"
#include "sandbox/simulated_play.h"
#include "sandbox/simulation_report.h"
#include "sandbox/statement_masking.h"
#include "sandbox/trace_format.h"
#include "sandbox/trace_player.h"

namespace {

void Say(const std::string& message) { std::cerr << "zando-sandbox: " << message << '\n'; }

void RunPrompt(host::Host& host) {
    std::string line;
    std::cerr << "ZANDO console: type statements (e.g. cvarlist zando_), an empty line or Ctrl-D ends.\n";
    while (std::cerr << "> " << std::flush, std::getline(std::cin, line)) {
        if (line.empty()) break;
        host.GetConsole().Execute(line);
        host.Advance(0.0);
    }
}

// A replay's trace is read and checked whole before anything is loaded or played.
std::optional<sandbox::Trace> ReadTraceFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) {
        Say("cannot open the trace " + path.string());
        return std::nullopt;
    }
    try {
        return sandbox::ReadTrace(in);
    } catch (const sandbox::TraceError& e) {
        Say("refused the trace " + path.string() + ": " + e.what());
        return std::nullopt;
    }
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    std::optional<sandbox::SandboxOptions> options = sandbox::ParseSandboxOptions(argc, argv, exitCode);
    if (!options) return exitCode;

    std::optional<sandbox::Trace> trace;
    if (options->activity == sandbox::Activity::Replay && !(trace = ReadTraceFile(options->trace))) return 1;
    std::ofstream traceOut;
    if (!options->out.empty()) {
        traceOut.open(options->out, std::ios::binary | std::ios::trunc);
        if (!traceOut) {
            Say("cannot write the trace " + options->out.string());
            return 1;
        }
    }

    host::Host host(options->home);
    std::unique_ptr<sandbox::ScreenCamera> camera;
    try {
        camera = std::make_unique<sandbox::ScreenCamera>(
            host,
            sandbox::ScreenshotSettings{options->screenshotAt, options->screenshotDir, options->screenWidth,
                                        options->screenHeight},
            Say);
    } catch (const std::exception& e) {
        Say(e.what());
        return 1;
    }
    host.GetConsole().SetLineSink([](const std::string& line) { std::cout << line << '\n'; });
    host.SetMessageSink(Say);

    host::LoadResult loaded = host.LoadPlugin(options->plugin, "ZANDO");
    if (!loaded.plugin) {
        Say(loaded.error);
        return 1;
    }
    const auto* info = loaded.plugin->info;
    const std::string pluginName = info->pluginName;  // the record goes away with the library
    Say("loaded " + pluginName + ' ' + info->pluginVersion + " (API build " + std::to_string(info->apiBuildVersion) +
        ") from " + options->plugin.string() + "; host folder " + options->home.string());

    if (options->panelTab >= 0 && !sandbox::ShowPanelTab(host, *loaded.plugin, options->panelTab)) Say("this plug-in has no control panel");
    if (options->settingsPage && !host.ShowSettingsPage(pluginName, true)) Say("this plug-in has no settings page");

    if (!options->exec.empty()) {
        Say("running: " + sandbox::MaskedStatements(options->exec));
        host.GetConsole().Execute(options->exec);
        host.Advance(0.0);
    }
    switch (options->activity) {
    case sandbox::Activity::Statements:
    case sandbox::Activity::Console:
        if (options->interactive) RunPrompt(host);
        break;
    case sandbox::Activity::Replay: {
        sandbox::TracePlayer player(
            host, [&](double t) { camera->Frame(t); }, [&](const sandbox::TraceRecord& record) { camera->BeforeRecord(record); });
        for (const sandbox::TraceRecord& record : trace->records) player.Play(record);
        if (!camera->Finish()) exitCode = 1;
        char span[32];
        std::snprintf(span, sizeof span, "%.1f", player.Now());
        Say("replayed " + std::to_string(trace->records.size()) + " records (" + span + " s of host time) from " +
            options->trace.string());
        break;
    }
    case sandbox::Activity::Play: {
        sandbox::LiveSettings live;
        live.match = {options->seed, options->teamSize, 60.0};
        if (options->screenWidth != 1920 || options->screenHeight != 1080) {
            live.width = options->screenWidth;
            live.height = options->screenHeight;
        }
        live.quitAfter = options->quitAfter;
        live.screenshot = options->windowPicture;
        try {
            exitCode = sandbox::PlayLive(host, live, Say);
        } catch (const std::exception& e) {
            Say(e.what());
            exitCode = 1;
        }
        break;
    }
    case sandbox::Activity::UiPictures: {
        const sandbox::SimulationSettings settings{options->seed, 3, 60.0};
        try {
            sandbox::PlaySimulatedMatch(host, settings, nullptr, camera.get());
        } catch (const sandbox::TraceError& e) {
            Say(std::string("the simulation made a record a trace may not hold: ") + e.what());
            exitCode = 1;
        }
        sandbox::PictureUi(host, *loaded.plugin, *camera);
        if (!camera->Finish()) exitCode = 1;
        break;
    }
    case sandbox::Activity::Simulate: {
        const sandbox::SimulationSettings settings{options->seed, options->teamSize, options->fps, options->matches};
        try {
            const sandbox::SimulatedMatch match =
                sandbox::PlaySimulatedMatch(host, settings, traceOut.is_open() ? &traceOut : nullptr, camera.get());
            if (!camera->Finish()) exitCode = 1;
            if (options->report) {
                host::LoadedPlugin* now = host.FindPlugin(pluginName);  // a trace may have reloaded it
                if (const auto figures = now ? sandbox::ReadPluginFigures(*now) : std::nullopt)
                    std::cout << sandbox::FormatReport(match.truth, match.outcome, *figures);
            }
        } catch (const sandbox::TraceError& e) {
            Say(std::string("the simulation made a record a trace may not hold: ") + e.what());
            exitCode = 1;
        }
        if (traceOut.is_open()) {
            traceOut.close();
            if (traceOut.fail()) {
                Say("could not write the whole trace to " + options->out.string());
                exitCode = 1;
            } else {
                Say("wrote the match's trace to " + options->out.string());
            }
        }
        break;
    }
    }
    std::cout << std::flush;

    // The plug-in loaded now: a "plugin reload" in the trace or at the prompt replaces the first one.
    if (host::LoadedPlugin* now = host.FindPlugin(pluginName)) host.UnloadPlugin(now);
    Say("unloaded " + pluginName + " and deleted the plug-in object");
    return exitCode;
}
