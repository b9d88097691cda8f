// The host's configuration file: one line per saved settings variable, `name "value"`.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace host {

using SavedValues = std::map<std::string, std::string>;

// Reads the saved values; a missing file reads as none. Lines that are not `name value`, and
// names the file could not write back as they are (empty, or with a blank or quote), are skipped.
SavedValues ReadConfigFile(const std::filesystem::path& path);

// Writes every value, replacing the old file only once the new one is complete; false on failure.
bool WriteConfigFile(const std::filesystem::path& path, const SavedValues& values);

}  // namespace host
