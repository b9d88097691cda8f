// zando-sandbox: loads the ZANDO plug-in library into the stand-in host as the game does, runs console
// statements, then a console prompt, a replayed trace or a simulated match, and unloads it. Console
// lines (and the simulation report) go to standard output, the sandbox's own messages to standard error.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "host/runtime/console_syntax.h"
#include "host/runtime/host.h"
#include "replay/replay_error.h"
#include "replay/replay_file.h"
#include "sandbox/checked_trace.h"
#include "sandbox/live_window.h"
#include "sandbox/panel_control.h"
#include "sandbox/replay_game.h"
#include "sandbox/replay_play.h"
#include "sandbox/replay_report.h"
#include "sandbox/sandbox_options.h"
#include "sandbox/screen_camera.h"
#include "sandbox/simulated_play.h"
#include "sandbox/simulation_report.h"
#include "sandbox/statement_masking.h"
#include "sandbox/trace_file.h"
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
        sandbox::SettleWorkers(host);
    }
}

// A replay's trace is read and checked to its end before anything is loaded or played.
std::optional<sandbox::CheckedTrace> CheckTraceFile(const std::filesystem::path& path) {
    try {
        return std::optional<sandbox::CheckedTrace>(std::in_place, path);
    } catch (const sandbox::TraceError& e) {
        const std::string reason = e.what();
        Say(reason.rfind("cannot open", 0) == 0 ? reason : "refused the trace " + path.string() + ": " + reason);
        return std::nullopt;
    }
}

// Finishes the trace a simulated or real match wrote, when one was asked for, and says so.
bool CloseTrace(sandbox::TraceWriter* trace, const std::filesystem::path& path) {
    if (!trace) return true;
    if (!trace->Close()) {
        Say("could not write the whole trace to " + path.string());
        return false;
    }
    Say("wrote the match's trace to " + path.string());
    return true;
}

// A replay read whole, with its bytes (the body's tables point into them).
struct ReadReplay {
    std::vector<std::uint8_t> bytes;
    replay::Replay replay;
};

std::unique_ptr<ReadReplay> ReadReplayFile(const std::filesystem::path& path, bool frames) {
    auto read = std::make_unique<ReadReplay>();
    try {
        read->bytes = replay::LoadReplayBytes(path);
        read->replay = replay::ReadReplay(read->bytes, {frames});
        return read;
    } catch (const replay::ReplayError& e) {
        Say("refused the replay " + path.string() + ": " + e.what());
        return nullptr;
    }
}

// The players replay-game plays as, or nothing (said) when --player names none.
std::optional<std::vector<int>> ReplayPlayers(const replay::Replay& replay, const std::string& wanted) {
    if (wanted == "all") {
        std::vector<int> all = sandbox::ReplayParticipants(replay);
        if (!all.empty()) return all;
        Say("the replay has no player with a car in the match");
        return std::nullopt;
    }
    const int player = wanted.empty() ? sandbox::RecordingPlayer(replay) : sandbox::FindReplayPlayer(replay, wanted);
    if (player >= 0) return std::vector<int>{player};
    std::string names;
    for (const int p : sandbox::ReplayParticipants(replay)) {
        const replay::MatchPlayer& each = replay.match.players[static_cast<std::size_t>(p)];
        names += (names.empty() ? "" : ", ") + each.name + " (" + (each.hasId ? each.id.Text() : std::string("no id")) + ")";
    }
    Say((wanted.empty() ? std::string("the replay names no recording player") : "no player \"" + wanted + "\" in the replay") +
        "; its players: " + names);
    return std::nullopt;
}

// The account of the player a name or platform id names, from the first replay of the folder that has
// them with an account number; nothing (said) when none has.
std::optional<host::game::UniqueId> AccountInReplays(const std::filesystem::path& folder, const std::string& wanted) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".replay") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const std::filesystem::path& file : files) {
        try {
            const std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(file);
            const replay::Replay replay = replay::ReadReplay(bytes);
            const int p = sandbox::FindReplayPlayer(replay, wanted);
            if (p < 0) continue;
            const replay::MatchPlayer& player = replay.match.players[static_cast<std::size_t>(p)];
            if (player.hasId && player.id.text.empty() && player.id.number != 0)
                return host::game::UniqueId{player.id.number, player.id.system};
        } catch (const replay::ReplayError&) {
            // an unreadable file names nobody; the import says why it skips it
        }
    }
    Say(error ? "cannot read the folder " + folder.string() + ": " + error.message()
              : "no replay in " + folder.string() + " has a player \"" + wanted + "\" with an account number");
    return std::nullopt;
}

// Each player in turn, each in a host folder of its own under the home (so that one player's history
// and heatmap hold only their own view): the table of every player's figures.
int PlayReplayForEach(const sandbox::SandboxOptions& options, const replay::Replay& replay, const std::vector<int>& players) {
    std::vector<sandbox::ReplayTableRow> rows;
    sandbox::ReplayMatchOutcome outcome;
    for (const int p : players) {
        const sandbox::ReplayGame game(replay, p);
        outcome = game.Outcome();
        host::Host host(options.home / ("player-" + std::to_string(rows.size() + 1)));
        host.SetMessageSink([](const std::string&) {});
        host::LoadResult loaded = host.LoadPlugin(options.plugin, "ZANDO");
        if (!loaded.plugin) {
            Say(loaded.error);
            return 1;
        }
        if (!options.exec.empty()) {
            host.GetConsole().Execute(options.exec);
            host.Advance(0.0);
            sandbox::SettleWorkers(host);
        }
        try {
            sandbox::PlayReplayGame(host, game);
        } catch (const sandbox::TraceError& e) {
            Say(std::string("the replay made a record a trace may not hold: ") + e.what());
            return 1;
        }
        const auto figures = sandbox::ReadPluginFigures(*loaded.plugin);
        rows.push_back({game.Truth(), figures.value_or(sandbox::PluginFigures{})});
        host.UnloadPlugin(loaded.plugin);
    }
    std::cout << sandbox::FormatReplayTable(outcome, rows) << std::flush;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    std::optional<sandbox::SandboxOptions> options = sandbox::ParseSandboxOptions(argc, argv, exitCode);
    if (!options) return exitCode;

    std::optional<sandbox::CheckedTrace> trace;
    if (options->activity == sandbox::Activity::Replay && !(trace = CheckTraceFile(options->trace))) return 1;
    if (options->activity == sandbox::Activity::ReplayInfo) {
        const auto read = ReadReplayFile(options->replayFile, true);
        if (!read) return 1;
        std::cout << sandbox::FormatReplayInfo(read->replay) << std::flush;
        return 0;
    }
    std::unique_ptr<ReadReplay> realMatch;
    std::optional<sandbox::ReplayGame> replayGame;
    if (options->activity == sandbox::Activity::ReplayGame) {
        realMatch = ReadReplayFile(options->replayFile, true);
        if (!realMatch) return 1;
        const auto players = ReplayPlayers(realMatch->replay, options->replayPlayer);
        if (!players) return 1;
        if (options->replayPlayer == "all") {
            if (!options->out.empty() || !options->screenshotDir.empty())
                Say("with --player all, no trace and no pictures are made: play one player to have them");
            return PlayReplayForEach(*options, realMatch->replay, *players);
        }
        replayGame.emplace(realMatch->replay, players->front());
    }
    std::unique_ptr<sandbox::TraceWriter> traceOut;
    if (!options->out.empty()) {
        try {
            const sandbox::SimulationSettings settings{options->seed, options->teamSize, options->fps, options->matches};
            const std::string source = replayGame ? "zando-sandbox replay-game " + options->replayFile.filename().string() +
                                                        " --player " + replayGame->Truth().id
                                                  : sandbox::SimulationSource(settings);
            traceOut =
                std::make_unique<sandbox::TraceWriter>(options->out, sandbox::TraceHeader{sandbox::TraceFormatVersion, source});
        } catch (const sandbox::TraceError& e) {
            Say(e.what());
            return 1;
        }
    }

    std::optional<host::game::UniqueId> account;
    const std::filesystem::path replayFolder = options->replayFolder.empty() ? options->home / "replays" : options->replayFolder;
    if (options->activity == sandbox::Activity::ImportReplays &&
        !(account = AccountInReplays(replayFolder, options->replayPlayer)))
        return 1;

    host::Host host(options->home);
    if (account) host.World().localPlayer = *account;
    std::unique_ptr<sandbox::ScreenCamera> camera;
    try {
        camera = std::make_unique<sandbox::ScreenCamera>(
            host,
            sandbox::ScreenshotSettings{options->screenshotAt, options->screenshotDir, options->screenWidth,
                                        options->screenHeight,
                                        options->activity == sandbox::Activity::Simulate ? options->matches : 1},
            Say);
    } catch (const std::exception& e) {
        Say(e.what());
        return 1;
    }
    std::size_t linesSaid = 0;
    host.GetConsole().SetLineSink([&linesSaid](const std::string& line) {
        std::cout << line << '\n';
        ++linesSaid;
    });
    host.SetMessageSink(Say);

    host::LoadResult loaded = host.LoadPlugin(options->plugin, "ZANDO");
    if (!loaded.plugin) {
        Say(loaded.error);
        return 1;
    }
    const auto* info = loaded.plugin->info;
    const std::string pluginName = info->pluginName;  // the record goes away with the library
    Say("loaded " + pluginName + ' ' + info->pluginVersion + " (API build " + std::to_string(info->apiBuildVersion) + ") from " +
        options->plugin.string() + "; host folder " + options->home.string());

    if (options->panelTab >= 0 && !sandbox::ShowPanelTab(host, *loaded.plugin, options->panelTab))
        Say("this plug-in has no control panel");
    if (options->settingsPage && !host.ShowSettingsPage(pluginName, true)) Say("this plug-in has no settings page");

    if (!options->exec.empty()) {
        Say("running: " + sandbox::MaskedStatements(options->exec));
        host.GetConsole().Execute(options->exec);
        host.Advance(0.0);
        sandbox::SettleWorkers(host);
    }
    switch (options->activity) {
    case sandbox::Activity::Statements:
    case sandbox::Activity::Console:
        if (options->interactive) RunPrompt(host);
        break;
    case sandbox::Activity::Replay: {
        sandbox::TracePlayer player(
            host, [&](double t) { camera->Frame(t); }, [&](const sandbox::TraceRecord& record) { camera->BeforeRecord(record); });
        std::size_t records = 0;
        try {
            records = trace->Play([&player](const sandbox::TraceRecord& record) { player.Play(record); });
        } catch (const sandbox::TraceError& e) {  // the file changed since it was checked
            Say("the trace " + options->trace.string() + " changed while it was replayed: " + e.what());
            exitCode = 1;
        }
        if (!camera->Finish()) exitCode = 1;
        char span[32];
        std::snprintf(span, sizeof span, "%.1f", player.Now());
        Say("replayed " + std::to_string(records) + " records (" + span + " s of host time) from " + options->trace.string());
        break;
    }
    case sandbox::Activity::Play: {
        sandbox::LiveSettings live;
        live.match = {options->seed, options->teamSize, 60.0};
        live.width = options->screenWidth;
        live.height = options->screenHeight;
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
        const sandbox::SimulationSettings settings{options->seed, 3, 60.0, 4};  // a session, for the history window
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
    case sandbox::Activity::ReplayInfo: break;  // answered before the plug-in was loaded
    case sandbox::Activity::ImportReplays: {
        host.GetConsole().Execute("zando_import_replays" +
                                  (options->replayFolder.empty() ? std::string() : " " + host::QuoteWord(replayFolder.string())));
        host.Advance(0.0);
        // The import's files are read on the worker, then what they added is saved and sent: settled
        // until a round says nothing more.
        for (std::size_t before = ~std::size_t{0}; before != linesSaid;) {
            before = linesSaid;
            sandbox::SettleWorkers(host);
        }
        break;
    }
    case sandbox::Activity::ReplayGame: {
        const sandbox::ReplayPlayerTruth& truth = replayGame->Truth();
        Say("playing " + options->replayFile.string() + " as " + truth.name + " (" + truth.id + ")");
        try {
            sandbox::PlayReplayGame(host, *replayGame, traceOut.get(), camera.get());
            if (!camera->Finish()) exitCode = 1;
            if (options->report) {
                host::LoadedPlugin* now = host.FindPlugin(pluginName);
                if (const auto figures = now ? sandbox::ReadPluginFigures(*now) : std::nullopt)
                    std::cout << sandbox::FormatReplayReport(truth, replayGame->Outcome(), *figures);
            }
        } catch (const sandbox::TraceError& e) {
            Say(std::string("the replay made a record a trace may not hold: ") + e.what());
            exitCode = 1;
        }
        if (!CloseTrace(traceOut.get(), options->out)) exitCode = 1;
        break;
    }
    case sandbox::Activity::Simulate: {
        const sandbox::SimulationSettings settings{options->seed, options->teamSize, options->fps, options->matches};
        try {
            const sandbox::SimulatedMatch match = sandbox::PlaySimulatedMatch(host, settings, traceOut.get(), camera.get());
            if (!camera->Finish()) exitCode = 1;
            if (options->report) {
                host::LoadedPlugin* now = host.FindPlugin(pluginName);  // a trace may have reloaded it
                if (const auto figures = now ? sandbox::ReadPluginFigures(*now) : std::nullopt) {
                    // The plug-in's figures are the last match's: the report says which match, and its picture.
                    if (options->matches > 1) {
                        std::cout << "Report of match " << options->matches << " of " << options->matches;
                        if (camera->Drawing())
                            std::cout
                                << " (its post-game screen: "
                                << (options->screenshotDir / sandbox::ScreenCamera::MatchEndFileNameOf(options->matches)).string()
                                << ")";
                        std::cout << "\n";
                    }
                    std::cout << sandbox::FormatReport(match.truth, match.outcome, *figures);
                }
            }
        } catch (const sandbox::TraceError& e) {
            Say(std::string("the simulation made a record a trace may not hold: ") + e.what());
            exitCode = 1;
        }
        if (!CloseTrace(traceOut.get(), options->out)) exitCode = 1;
        break;
    }
    }
    std::cout << std::flush;

    // The plug-in loaded now: a "plugin reload" in the trace or at the prompt replaces the first one.
    if (host::LoadedPlugin* now = host.FindPlugin(pluginName)) host.UnloadPlugin(now);
    Say("unloaded " + pluginName + " and deleted the plug-in object");
    return exitCode;
}
