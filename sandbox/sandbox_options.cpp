// Command-line parsing of zando-sandbox, with its default host folder and plug-in path.
#include "sandbox/sandbox_options.h"

#include <cstdlib>
#include <system_error>

#include <CLI/CLI.hpp>

namespace sandbox {

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
#if defined(_WIN32)
    return self.parent_path() / "zando.dll";
#else
    return self.parent_path() / "zando.so";
#endif
}

std::optional<SandboxOptions> ParseSandboxOptions(int argc, char** argv, int& exitCode) {
    SandboxOptions options;
    CLI::App app{"zando-sandbox: runs the ZANDO plug-in outside the game, on the stand-in host"};
    app.add_option("--home", options.home, "Host folder: configuration file and data folder (default: per-user folder)");
    app.add_option("--plugin", options.plugin, "Plug-in library to load (default: the one built beside this program)");
    app.add_option("--exec", options.exec, "Console statements to run after loading, separated by ';'");
    CLI::App* console = app.add_subcommand("console", "Console prompt on standard input");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        exitCode = app.exit(e);
        return std::nullopt;
    }
    if (options.home.empty()) options.home = DefaultHome();
    if (options.plugin.empty()) options.plugin = DefaultPluginPath(argc > 0 ? argv[0] : "zando-sandbox");
    options.interactive = console->parsed() || options.exec.empty();
    return options;
}

}  // namespace sandbox
