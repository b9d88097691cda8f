// Reading and atomically rewriting the host's configuration file.
#include "config_file.h"

#include <fstream>
#include <system_error>

#include "console_syntax.h"

namespace host {

namespace {

// A name the file can hold as its line's first word: not empty, no blank, quote or control character.
bool IsPlainName(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '"' || c == '\\') return false;
    }
    return true;
}

}  // namespace

SavedValues ReadConfigFile(const std::filesystem::path& path) {
    SavedValues values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> words = SplitWords(line);
        if (words.size() >= 2 && words[0].rfind("//", 0) != 0 && IsPlainName(words[0])) values[words[0]] = words[1];
    }
    return values;
}

bool WriteConfigFile(const std::filesystem::path& path, const SavedValues& values) {
    std::error_code error;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& [name, value] : values) out << name << ' ' << QuoteWord(value) << '\n';
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (!error) return true;
    std::filesystem::remove(temporary, error);
    return false;
}

}  // namespace host
