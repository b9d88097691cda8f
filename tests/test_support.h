// Shared test helpers: temporary folders, a host with the ZANDO plug-in loaded by its symbols, and
// running the sandbox program.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host/runtime/host.h"
#include "plugin/zando.h"

namespace zando_test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zando-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
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
        plugin_ = result.plugin;
    }
    ~LoadedZando() { Unload(); }

    host::Host& Host() { return host_; }
    host::LoadedPlugin& Plugin() { return *plugin_; }
    // The plug-in object, to read its members; its functions are reached only through the host.
    ZANDO& Zando() { return *static_cast<ZANDO*>(plugin_->Object()); }
    void Run(const std::string& statements) { host_.GetConsole().Execute(statements); }
    const std::vector<std::string>& Lines() { return host_.GetConsole().Lines(); }
    std::string Value(const std::string& name) {
        host::CVarRecord* cvar = host_.GetConsole().FindCvar(name);
        return cvar ? cvar->value : "<no such variable>";
    }
    void Unload() {
        if (plugin_) host_.UnloadPlugin(plugin_);
        plugin_ = nullptr;
    }

    std::vector<std::string> hostMessages;

private:
    host::Host host_;
    host::LoadedPlugin* plugin_ = nullptr;
};

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line, capturing its standard output and standard error.
// Runs a shell command line with standard input from input (a file; none: empty) and captures its
// output and exit code; scratch holds the captured files.
inline ProcessResult RunCommand(const std::string& commandLine, const std::filesystem::path& scratch,
                                const std::filesystem::path& input = "/dev/null") {
    const auto out = scratch / "stdout.txt";
    const auto err = scratch / "stderr.txt";
    const std::string full = commandLine + " >" + out.string() + " 2>" + err.string() + " <" + input.string();
    int status = std::system(full.c_str());
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    return result;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace zando_test
