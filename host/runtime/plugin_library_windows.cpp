// PluginLibrary on Windows: LoadLibraryW and GetProcAddress, with the system's own text for a failure.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "plugin_library.h"

namespace host {

namespace {

std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "";
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) message.pop_back();
    return message + " (error " + std::to_string(code) + ")";
}

}  // namespace

std::unique_ptr<PluginLibrary> PluginLibrary::Open(const std::filesystem::path& path, std::string& error) {
    // The library's own folder is searched for the libraries it needs (the SDK library beside it).
    HMODULE handle = LoadLibraryExW(std::filesystem::absolute(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!handle) {
        error = "cannot open " + path.string() + ": " + SystemMessage(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle, path));
}

PluginLibrary::~PluginLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* PluginLibrary::Symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace host
