// Shared test helpers: temporary folders, a host with the ZANDO plug-in loaded by its symbols, and
// running the sandbox program.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#endif

#include "base/path_text.h"
#include "host/runtime/host.h"
#include "plugin/zando.h"
#include "sandbox/trace_player.h"
#include "sdk_value_equality.h"

namespace zando_test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        std::random_device seed;
        std::mt19937_64 random(seed());
        const std::filesystem::path parent = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::filesystem::path candidate = parent / ("zando-test-" + std::to_string(random() % 1000000000));
            if (std::filesystem::create_directory(candidate)) {  // false: the name was taken
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error("no free temporary folder name in " + parent.string());
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file the plug-in wrote in text mode, with its line ends as "\n". On Windows every line must end
// with CR LF there; a bare LF is shown in the text returned, so that a comparison fails on it.
inline std::string ReadTextFile(const std::filesystem::path& path) {
    std::string text = ReadFile(path);
#if defined(_WIN32)
    std::string lf;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
        if (text[at] == '\n' && (at == 0 || text[at - 1] != '\r')) lf += "<LF without CR>";
        lf += text[at];
    }
    text = lf;
#endif
    return text;
}

// A file in the plug-in's data folder named as the plug-in names it: the folder, "/", the file name.
inline std::filesystem::path InDataFolder(const std::filesystem::path& folder, const std::string& name) {
    return zando::TextPath(zando::FileInFolder(folder, name));
}

// The names beside file that begin with its name and ".tmp": temporary files a write left behind.
inline std::vector<std::string> TemporaryFilesBeside(const std::filesystem::path& file) {
    std::vector<std::string> left;
    const std::string prefix = file.filename().string() + ".tmp";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), error))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) left.push_back(entry.path().filename().string());
    return left;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

// A host in its own temporary home with the built ZANDO library loaded the way the game loads it.
class LoadedZando {
public:
    explicit LoadedZando(const std::filesystem::path& home) : host_(home) {
        host_.SetMessageSink([this](const std::string& message) { hostMessages.push_back(message); });
        host::LoadResult result = host_.LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
        if (!result.plugin) throw std::runtime_error(result.error);
    }
    ~LoadedZando() { Unload(); }

    host::Host& Host() { return host_; }
    // The plug-in loaded now: a "plugin reload ZANDO" statement replaces the one this loaded.
    host::LoadedPlugin& Plugin() {
        host::LoadedPlugin* now = host_.FindPlugin("ZANDO");
        if (!now) throw std::runtime_error("ZANDO is not loaded");
        return *now;
    }
    // The plug-in object, to read its members; its functions are reached only through the host.
    ZANDO& Zando() { return *static_cast<ZANDO*>(Plugin().Object()); }
    void Run(const std::string& statements) {
        host_.GetConsole().Execute(statements);
        Settle();
    }
    // The console's lines once the work handed to the plug-in's worker (files, history, dashboard)
    // is done and its outcomes applied, as the game has them a few ticks later.
    const std::vector<std::string>& Lines() {
        Settle();
        return host_.GetConsole().Lines();
    }
    void Settle() { sandbox::SettleWorkers(host_); }
    std::string Value(const std::string& name) {
        host::CVarRecord* cvar = host_.GetConsole().FindCvar(name);
        return cvar ? cvar->value : "<no such variable>";
    }
    void Unload() {
        if (host::LoadedPlugin* now = host_.FindPlugin("ZANDO")) host_.UnloadPlugin(now);
    }

    std::vector<std::string> hostMessages;

private:
    host::Host host_;
};

// Every file write past a size stops, as on a disk that fills up, while this lives. It is made with
// the POSIX file-size limit; Windows has none, so a test that needs it skips there (ZANDO_SKIP_WITHOUT_FILE_SIZE_LIMIT).
class FileSizeLimit {
public:
    explicit FileSizeLimit([[maybe_unused]] long long bytes) {
#if !defined(_WIN32)
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
#endif
    }
    ~FileSizeLimit() {
#if !defined(_WIN32)
        setrlimit(RLIMIT_FSIZE, &saved_);
#endif
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

#if defined(_WIN32)
    static constexpr bool Available = false;
#else
    static constexpr bool Available = true;

private:
    rlimit saved_{};
#endif
};

#define ZANDO_SKIP_WITHOUT_FILE_SIZE_LIMIT()   \
    if (!zando_test::FileSizeLimit::Available) \
    GTEST_SKIP() << "a disk that fills up is made with the POSIX file-size limit, which this system does not have"

// Sets (or, with no value, removes) a variable of this process's environment.
inline void SetEnvironment(const std::string& name, const std::string& value = "") {
#if defined(_WIN32)
    _putenv_s(name.c_str(), value.c_str());  // an empty value removes it
#else
    if (value.empty())
        unsetenv(name.c_str());
    else
        setenv(name.c_str(), value.c_str(), 1);
#endif
}

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

#if defined(_WIN32)
inline const std::filesystem::path NoInput = "NUL";
#else
inline const std::filesystem::path NoInput = "/dev/null";
#endif

// Runs a command line through the system's command interpreter with standard input from input (a file;
// none: empty) and captures its output and exit code; scratch holds the captured files.
inline ProcessResult RunCommand(const std::string& commandLine, const std::filesystem::path& scratch,
                                const std::filesystem::path& input = NoInput) {
    const auto out = scratch / "stdout.txt";
    const auto err = scratch / "stderr.txt";
    const std::string full = commandLine + " >" + out.string() + " 2>" + err.string() + " <" + input.string();
    int status = std::system(full.c_str());
    ProcessResult result;
    result.out = ReadTextFile(out);  // text output: its lines end with CR LF on Windows
    result.err = ReadTextFile(err);
#if defined(_WIN32)
    result.exitCode = status;  // the program's own exit code
#else
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return result;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace zando_test
