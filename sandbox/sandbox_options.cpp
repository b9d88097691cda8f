// Command-line parsing of zando-sandbox, with its default host folder and plug-in path.
#include "sandbox/sandbox_options.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

#include <CLI/CLI.hpp>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace sandbox {

#if defined(_WIN32)
std::filesystem::path DefaultHome() {
    if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local && *local) return std::filesystem::path(local) / "zando-sandbox";
    return ".zando-sandbox";
}

std::filesystem::path DefaultPluginPath(const char* argv0) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return std::filesystem::absolute(argv0).parent_path() / "zando.dll";
    return std::filesystem::path(self).parent_path() / "zando.dll";
}
#else
std::filesystem::path DefaultHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return std::filesystem::path(xdg) / "zando-sandbox";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "zando-sandbox";
    return ".zando-sandbox";
}

std::filesystem::path DefaultPluginPath(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = std::filesystem::absolute(argv0, error);
    return self.parent_path() / "zando.so";
}
#endif

namespace {

// A screen or window size, WIDTHxHEIGHT.
CLI::Validator ResolutionCheck() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            int width = 0, height = 0;
            char x = 0, extra = 0;
            if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &extra) != 3 || x != 'x' || width < 64 ||
                height < 64 || width > 7680 || height > 4320)
                return "expected WIDTHxHEIGHT, from 64x64 to 7680x4320, such as 1920x1080";
            return {};
        },
        "WIDTHxHEIGHT");
}

}  // namespace

std::optional<SandboxOptions> ParseSandboxOptions(int argc, char** argv, int& exitCode) {
    SandboxOptions options;
    CLI::App app{"zando-sandbox: runs the ZANDO plug-in outside the game, on the stand-in host"};
    app.add_option("--home", options.home, "Host folder: configuration file and data folder (default: per-user folder)");
    app.add_option("--plugin", options.plugin, "Plug-in library to load (default: the one built beside this program)");
    app.add_option("--exec", options.exec, "Console statements to run after loading, separated by ';'");
    app.require_subcommand(0, 1);
    CLI::App* console = app.add_subcommand("console", "Console prompt on standard input");
    CLI::App* replay = app.add_subcommand("replay", "Play a match trace (JSON Lines, docs/trace-format.md) through the plug-in");
    replay->add_option("TRACE", options.trace, "The trace file")->required();
    CLI::App* simulate = app.add_subcommand("simulate", "Simulate a session of ranked matches and play it through the plug-in");
    simulate->add_option("--seed", options.seed, "The match's seed: the same seed gives the same match")->required();
    std::string mode = "3v3";
    simulate->add_option("--mode", mode, "Cars a team")->check(CLI::IsMember({"1v1", "2v2", "3v3"}))->capture_default_str();
    simulate->add_option("--out", options.out, "Also write the match's trace to this file");
    simulate->add_flag("--report", options.report, "Print the local player's true figures beside the plug-in's");
    simulate->add_option("--fps", options.fps, "Rendered frames a second")->check(CLI::Range(1.0, 1000.0))->capture_default_str();
    simulate->add_option("--matches", options.matches, "Matches in the session, one after another (the first of --mode)")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    CLI::App* replayGame = app.add_subcommand(
        "replay-game", "Play a real match from the game's replay file through the plug-in, as one of its players");
    replayGame->add_option("REPLAY", options.replayFile, "The .replay file")->required();
    replayGame->add_option(
        "--player", options.replayPlayer,
        "The player to play as: a name, a platform id, or \"all\" for each in turn (default: the recording player)");
    replayGame->add_option("--out", options.out, "Also write the match's trace to this file");
    replayGame->add_flag("--report", options.report,
                         "Print the player's figures: the game's scoreboard, the frames' and the plug-in's");
    CLI::App* replayInfo = app.add_subcommand("replay-info", "Read a replay file without playing it and say what it holds");
    replayInfo->add_option("REPLAY", options.replayFile, "The .replay file")->required();
    CLI::App* importReplays = app.add_subcommand(
        "import-replays", "Import a folder of the game's replay files into the plug-in's history, as one of their players");
    importReplays->add_option("FOLDER", options.replayFolder, "The folder (default: \"replays\" in the host folder)");
    importReplays->add_option("--player", options.replayPlayer, "Who you are in them: a name or a platform id")->required();
    std::string resolution = "1920x1080";
    for (CLI::App* playing : {replay, simulate, replayGame}) {
        playing
            ->add_option("--screenshot-at", options.screenshotAt,
                         "Picture the game screen at these match-clock seconds (T,T,...)")
            ->delimiter(',')
            ->check(CLI::NonNegativeNumber);
        playing->add_option(
            "--screenshot-dir", options.screenshotDir,
            "Folder for the pictures, PNG; the post-game screen is pictured too (default with --screenshot-at: .)");
        playing->add_option("--resolution", resolution, "Size of the game screen, WIDTHxHEIGHT")
            ->check(ResolutionCheck())
            ->capture_default_str();
        playing->add_option("--panel-tab", options.panelTab, "Open the control panel on this tab (0-7) for the pictures")
            ->check(CLI::Range(0, 7));
        playing->add_flag("--settings-page", options.settingsPage, "Show the plug-in's settings page for the pictures");
    }
    CLI::App* pictures = app.add_subcommand(
        "ui-pictures",
        "Picture the settings page, every control-panel tab and the match history window after a simulated session");
    pictures->add_option("--dir", options.screenshotDir, "Folder for the pictures")->required();
    pictures->add_option("--seed", options.seed, "The simulated match's seed")->capture_default_str();
    pictures->add_option("--resolution", resolution, "Size of the game screen, WIDTHxHEIGHT")
        ->check(ResolutionCheck())
        ->capture_default_str();
    CLI::App* play = app.add_subcommand("play", "Watch a simulated match live in a window: F1 control panel, F2 settings page");
    play->add_option("--seed", options.seed, "The match's seed")->capture_default_str();
    play->add_option("--mode", mode, "Cars a team")->check(CLI::IsMember({"1v1", "2v2", "3v3"}))->capture_default_str();
    std::string windowSize = "1280x720";
    play->add_option("--resolution", windowSize, "Size of the window, WIDTHxHEIGHT")
        ->check(ResolutionCheck())
        ->capture_default_str();
    play->add_option("--quit-after", options.quitAfter, "Close the window after this many seconds")
        ->check(CLI::NonNegativeNumber);
    play->add_option("--screenshot", options.windowPicture, "Picture the window (PNG) just before it closes");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        exitCode = app.exit(e);
        return std::nullopt;
    }
    if (options.home.empty()) options.home = DefaultHome();
    if (options.plugin.empty()) options.plugin = DefaultPluginPath(argc > 0 ? argv[0] : "zando-sandbox");
    options.teamSize = mode[0] - '0';
    std::sscanf((play->parsed() ? windowSize : resolution).c_str(), "%dx%d", &options.screenWidth, &options.screenHeight);
    if (!options.screenshotAt.empty() && options.screenshotDir.empty()) options.screenshotDir = ".";
    if (console->parsed()) options.activity = Activity::Console;
    if (replay->parsed()) options.activity = Activity::Replay;
    if (simulate->parsed()) options.activity = Activity::Simulate;
    if (pictures->parsed()) options.activity = Activity::UiPictures;
    if (play->parsed()) options.activity = Activity::Play;
    if (replayGame->parsed()) options.activity = Activity::ReplayGame;
    if (replayInfo->parsed()) options.activity = Activity::ReplayInfo;
    if (importReplays->parsed()) options.activity = Activity::ImportReplays;
    options.interactive =
        options.activity == Activity::Console || (options.activity == Activity::Statements && options.exec.empty());
    return options;
}

}  // namespace sandbox
