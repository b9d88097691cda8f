// The sandbox's command line: where the host folder is, which plug-in to load, what to run.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sandbox {

enum class Activity {
    Statements,     // only the --exec statements (or, without them, a console prompt)
    Console,        // a console prompt on standard input
    Replay,         // a trace file played through the plug-in
    Simulate,       // a simulated match played through the plug-in
    UiPictures,     // a simulated session, then pictures of the settings page, every panel tab and the history window
    Play,           // a simulated match live in a window
    ReplayGame,     // a real match from the game's replay file played through the plug-in
    ReplayInfo,     // what a replay file holds, read without playing it
    ImportReplays,  // a folder of the game's replay files imported by the plug-in, as one of their players
};

struct SandboxOptions {
    std::filesystem::path home;    // host folder: configuration file and data folder
    std::filesystem::path plugin;  // plug-in library to load
    std::string exec;              // console statements run right after loading
    Activity activity = Activity::Statements;
    bool interactive = false;  // a console prompt on standard input

    std::filesystem::path trace;         // replay: the trace to play
    std::filesystem::path replayFile;    // replay-game, replay-info: the game's replay file
    std::string replayPlayer;            // replay-game: a name or platform id, "all"; empty: the recording player
                                         // import-replays: the player the sandbox's account is (a name or platform id)
    std::filesystem::path replayFolder;  // import-replays: the folder; empty: the plug-in's own choice
    std::uint64_t seed = 8;              // simulate, ui-pictures: the match's seed
    int teamSize = 3;                    // simulate: cars a team (--mode 1v1|2v2|3v3)
    std::filesystem::path out;           // simulate, replay-game: where to write the match's trace too
    bool report = false;                 // simulate, replay-game: the truth beside the plug-in's figures
    double fps = 60.0;                   // simulate: rendered frames a second
    int matches = 1;                     // simulate: matches in the session

    // replay, simulate: pictures of the game screen
    std::vector<double> screenshotAt;     // match-clock seconds
    std::filesystem::path screenshotDir;  // where they go (and the post-game screen); empty: no pictures
    int screenWidth = 1920;
    int screenHeight = 1080;
    int panelTab = -1;                    // replay, simulate: the control panel is open on this tab (-1: closed)
    bool settingsPage = false;            // replay, simulate: the settings page is shown
    double quitAfter = 0.0;               // play: close the window after this many seconds (0: when the user does)
    std::filesystem::path windowPicture;  // play: the window in PNG, just before it closes
};

// Parses the command line. Returns the options, or nothing with exitCode set when the program should
// stop (help shown: 0; a usage error: 2, after CLI11 printed it).
std::optional<SandboxOptions> ParseSandboxOptions(int argc, char** argv, int& exitCode);

// $XDG_DATA_HOME/zando-sandbox, else ~/.local/share/zando-sandbox, else ./.zando-sandbox.
std::filesystem::path DefaultHome();

// The plug-in library built beside the sandbox program.
std::filesystem::path DefaultPluginPath(const char* argv0);

}  // namespace sandbox
