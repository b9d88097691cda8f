// A child process whose first line on standard output says where it listens (the test dashboard,
// zando-dashboard): started with its standard error in a log file, that line read back.
#pragma once

#if !defined(_WIN32)
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace zando_test {

// Starts words (the program found on PATH) and waits for its first line, empty when it ended first.
inline pid_t SpawnReadingFirstLine(std::vector<std::string> words, const std::filesystem::path& log, std::string& firstLine) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        throw std::runtime_error("cannot start " + words[0]);
    }
    firstLine.clear();
    FILE* stream = fdopen(out[0], "r");
    char buffer[512];
    if (stream && std::fgets(buffer, sizeof buffer, stream)) firstLine = buffer;
    if (stream) std::fclose(stream);
    return pid;
}

}  // namespace zando_test
#endif
