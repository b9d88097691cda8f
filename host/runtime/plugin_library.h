// PluginLibrary: a plug-in library opened by path, its symbols looked up by name (the platform seam
// over dlopen / LoadLibrary).
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace host {

class PluginLibrary {
public:
    // Opens the library; on failure returns null and says why in error.
    static std::unique_ptr<PluginLibrary> Open(const std::filesystem::path& path, std::string& error);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    void* Symbol(const char* name) const;  // null when the library does not export it
    const std::filesystem::path& Path() const { return path_; }

private:
    PluginLibrary(void* handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::filesystem::path path_;
};

}  // namespace host
