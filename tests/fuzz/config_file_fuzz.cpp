// Fuzzes the host's configuration file with any bytes. What is read from it, written and read again
// is the same set of values, and a value written holds no line end (it would start a line of its own).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/runtime/config_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("zando-fuzz-config-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zando_fuzz::Check;
    const std::filesystem::path file = Folder() / "config.cfg";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const host::SavedValues read = host::ReadConfigFile(file);
    for (const auto& [name, value] : read) {
        Check(name.find('\n') == std::string::npos, "a name with a line break was read: " + name);
        Check(value.find('\n') == std::string::npos, "a value with a line break was read");
    }
    const std::filesystem::path copy = Folder() / "written.cfg";
    Check(host::WriteConfigFile(copy, read), "the values read could not be written");
    const host::SavedValues again = host::ReadConfigFile(copy);
    Check(again == read, "the values written read back as other values");
    return 0;
}
