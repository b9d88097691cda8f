// Whole-file replacement through a temporary file that is flushed to the disk before it takes the
// file's name, so neither a failed write nor a power cut leaves a half-written or empty file.
#include "base/whole_file.h"
#include "base/blocking_check.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#endif

namespace zando {

namespace {

// A temporary name of this process and this write alone: two game clients (or the sandbox beside the
// game) sharing a data folder never write into each other's temporary file.
std::filesystem::path TemporaryName(const std::filesystem::path& path) {
    static std::atomic<unsigned long> counter{0};
#if defined(_WIN32)
    const unsigned long process = GetCurrentProcessId();
#else
    const auto process = static_cast<unsigned long>(getpid());
#endif
    std::filesystem::path temporary = path;
    temporary += ".tmp." + std::to_string(process) + "." + std::to_string(counter++);
    return temporary;
}

// Whether the process with that id runs now (a process we may not look at runs too).
bool ProcessRuns(unsigned long process) {
#if defined(_WIN32)
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (!handle) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(handle, &code) && code == STILL_ACTIVE;
    CloseHandle(handle);
    return running;
#else
    if (process == 0 || process > static_cast<unsigned long>(std::numeric_limits<pid_t>::max())) return false;
    return kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM;
#endif
}

#if defined(_WIN32)

WriteOutcome WriteDurably(const std::filesystem::path& temporary, const std::string& bytes) {
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return WriteOutcome::OpenFailed;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written > 0;
        done += written;
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    return ok ? WriteOutcome::Written : WriteOutcome::WriteFailed;
}

// A file another program has open for a moment (a second game client loading it, a sync or backup
// tool, a virus scanner) cannot be replaced until it lets go: a few short tries before giving up.
bool Replace(const std::filesystem::path& temporary, const std::filesystem::path& path) {
    constexpr int Tries = 20;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if (attempt == Tries || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) return false;
        Sleep(5);
    }
}

#else

WriteOutcome WriteDurably(const std::filesystem::path& temporary, const std::string& bytes) {
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return WriteOutcome::OpenFailed;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        ok = written > 0;
        if (ok) done += static_cast<std::size_t>(written);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    return ok ? WriteOutcome::Written : WriteOutcome::WriteFailed;
}

bool Replace(const std::filesystem::path& temporary, const std::filesystem::path& path) {
    if (rename(temporary.c_str(), path.c_str()) != 0) return false;
    // The new name is durable once the folder's entry is on the disk too.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

#endif

}  // namespace

int RemoveLeftTemporaries(const std::filesystem::path& folder, std::string_view prefix) {
    int removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        // "<name>.tmp.<process>.<n>": the process and the counter are decimal numbers.
        const std::size_t counterDot = name.rfind('.');
        if (counterDot == std::string::npos || counterDot == 0) continue;
        const std::size_t processDot = name.rfind('.', counterDot - 1);
        if (processDot == std::string::npos || processDot < 4 || name.compare(processDot - 4, 4, ".tmp") != 0) continue;
        const std::string process = name.substr(processDot + 1, counterDot - processDot - 1);
        const std::string counter = name.substr(counterDot + 1);
        const auto digits = [](const std::string& text) {
            return !text.empty() && text.size() <= 10 &&
                   std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        };
        if (!digits(process) || !digits(counter) || ProcessRuns(std::stoul(process))) continue;
        std::error_code removeError;
        if (entry->is_regular_file(removeError) && std::filesystem::remove(entry->path(), removeError)) ++removed;
    }
    return removed;
}

WriteOutcome ReplaceFileWhole(const std::filesystem::path& path, std::string_view content, bool textMode) {
    CheckMayWait("a file write");
    const std::filesystem::path temporary = TemporaryName(path);
    std::string bytes(content);
#if defined(_WIN32)
    if (textMode) {
        bytes.clear();
        for (char c : content) {
            if (c == '\n') bytes += '\r';
            bytes += c;
        }
    }
#else
    (void)textMode;
#endif
    const WriteOutcome written = WriteDurably(temporary, bytes);
    std::error_code error;
    if (written == WriteOutcome::Written && Replace(temporary, path)) return WriteOutcome::Written;
    std::filesystem::remove(temporary, error);
    return written == WriteOutcome::OpenFailed ? WriteOutcome::OpenFailed : WriteOutcome::WriteFailed;
}

}  // namespace zando
