// The sandbox's command line: where the host folder is, which plug-in to load, what to run.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace sandbox {

struct SandboxOptions {
    std::filesystem::path home;    // host folder: configuration file and data folder
    std::filesystem::path plugin;  // plug-in library to load
    std::string exec;              // console statements run right after loading
    bool interactive = false;      // a console prompt on standard input
};

// Parses the command line. Returns the options, or nothing with exitCode set when the program should
// stop (help shown: 0; a usage error: 2, after CLI11 printed it).
std::optional<SandboxOptions> ParseSandboxOptions(int argc, char** argv, int& exitCode);

// $XDG_DATA_HOME/zando-sandbox, else ~/.local/share/zando-sandbox, else ./.zando-sandbox.
std::filesystem::path DefaultHome();

// The plug-in library built beside the sandbox program.
std::filesystem::path DefaultPluginPath(const char* argv0);

}  // namespace sandbox
