// Paths as the plug-in's text: UTF-8 on every platform. The data folder is shown in console lines and
// in the control panel (Dear ImGui reads UTF-8), and file names are made by appending to that text;
// turning a name back into a path decodes it as UTF-8 again, so a folder named beyond ASCII (a
// player's user name in it) is written and read where it is. On Linux both are the bytes as they are.
#pragma once

#include <filesystem>
#include <string>

namespace zando {

inline std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

inline std::filesystem::path TextPath(const std::string& text) { return std::u8string(text.begin(), text.end()); }

// A file's name in a folder as the plug-in writes it: the folder's text, a forward slash whatever
// separator the folder uses, the file's name.
inline std::string FileInFolder(const std::filesystem::path& folder, const std::string& name) {
    return PathText(folder) + "/" + name;
}

}  // namespace zando
