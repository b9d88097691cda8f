// PluginLibrary on POSIX systems: dlopen and dlsym.
#include <dlfcn.h>

#include "plugin_library.h"

namespace host {

std::unique_ptr<PluginLibrary> PluginLibrary::Open(const std::filesystem::path& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error = reason ? reason : ("cannot open " + path.string());
        return nullptr;
    }
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle, path));
}

PluginLibrary::~PluginLibrary() { dlclose(handle_); }

void* PluginLibrary::Symbol(const char* name) const { return dlsym(handle_, name); }

}  // namespace host
