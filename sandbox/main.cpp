// zando-sandbox: loads the ZANDO plug-in library into the stand-in host as the game does, runs console
// statements or a console prompt, then unloads it. Console lines go to standard output, the sandbox's
// own messages to standard error.
#include <iostream>
#include <string>

#include "host/runtime/host.h"
#include "sandbox/sandbox_options.h"

namespace {

void RunPrompt(host::Host& host) {
    std::string line;
    std::cerr << "ZANDO console: type statements (e.g. cvarlist zando_), an empty line or Ctrl-D ends.\n";
    while (std::cerr << "> " << std::flush, std::getline(std::cin, line)) {
        if (line.empty()) break;
        host.GetConsole().Execute(line);
        host.Advance(0.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    std::optional<sandbox::SandboxOptions> options = sandbox::ParseSandboxOptions(argc, argv, exitCode);
    if (!options) return exitCode;

    host::Host host(options->home);
    host.GetConsole().SetLineSink([](const std::string& line) { std::cout << line << '\n' << std::flush; });
    host.SetMessageSink([](const std::string& message) { std::cerr << "zando-sandbox: " << message << '\n'; });

    host::LoadResult loaded = host.LoadPlugin(options->plugin, "ZANDO");
    if (!loaded.plugin) {
        std::cerr << "zando-sandbox: " << loaded.error << '\n';
        return 1;
    }
    const auto* info = loaded.plugin->info;
    const std::string pluginName = info->pluginName;  // the record goes away with the library
    std::cerr << "zando-sandbox: loaded " << info->pluginName << ' ' << info->pluginVersion << " (API build "
              << info->apiBuildVersion << ") from " << options->plugin.string() << "; host folder "
              << options->home.string() << '\n';

    if (!options->exec.empty()) {
        std::cerr << "zando-sandbox: running: " << options->exec << '\n';
        host.GetConsole().Execute(options->exec);
        host.Advance(0.0);
    }
    if (options->interactive) RunPrompt(host);

    host.UnloadPlugin(loaded.plugin);
    std::cerr << "zando-sandbox: unloaded " << pluginName << " and deleted the plug-in object\n";
    return 0;
}
