// Fuzzes console statements: the host's syntax and every command and setting of the ZANDO plug-in,
// loaded into a host by its exported symbols once for the whole run. A statement's words, quoted and
// read again, are the same words; whatever the statements set, the configuration file holds every
// saved setting's value, read back whole. The host's plug-in manager ("plugin ...") is left out: a
// library unloaded in the middle of the run would take its coverage counters with it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/runtime/config_file.h"
#include "host/runtime/console_syntax.h"
#include "host/runtime/host.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

host::Host& LoadedHost() {
    static const std::unique_ptr<host::Host> loaded = [] {
        const auto home = std::filesystem::temp_directory_path() / ("zando-fuzz-console-" + std::to_string(getpid()));
        std::filesystem::remove_all(home);
        auto made = std::make_unique<host::Host>(home);
        const host::LoadResult result = made->LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
        if (!result.plugin) zando_fuzz::Fail("the plug-in did not load: " + result.error);
        return made;
    }();
    return *loaded;
}

void CheckWords(const std::string& statement) {
    const std::vector<std::string> words = host::SplitWords(statement);
    std::string quoted;
    for (const std::string& word : words) quoted += (quoted.empty() ? "" : " ") + host::QuoteWord(word);
    zando_fuzz::Check(host::SplitWords(quoted) == words, "quoted words read back as other words: " + quoted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    host::Host& host = LoadedHost();
    const std::string text(zando_fuzz::AsText(data, size));
    std::string run;
    for (const std::string& statement : host::SplitStatements(text)) {
        CheckWords(statement);
        const std::vector<std::string> words = host::SplitWords(statement);
        if (!words.empty() && words[0] == "plugin") continue;
        run += host::QuoteWord(words.empty() ? std::string() : words[0]);
        for (std::size_t i = 1; i < words.size(); ++i) run += " " + host::QuoteWord(words[i]);
        run += ";";
    }
    host::Console& console = host.GetConsole();
    console.Execute(run);
    console.ClearLines();

    const host::SavedValues file = host::ReadConfigFile(host.Home() / host::Host::ConfigFileName());
    for (const host::CVarRecord* cvar : console.Cvars()) {
        if (!cvar->saved) continue;
        const auto saved = file.find(cvar->name);
        if (saved == file.end()) continue;  // not changed from its default yet
        zando_fuzz::Check(saved->second == cvar->value, "the configuration file holds another value for " + cvar->name);
    }
    return 0;
}
