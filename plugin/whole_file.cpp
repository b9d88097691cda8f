// Whole-file replacement through a temporary file.
#include "plugin/whole_file.h"

#include <fstream>
#include <string>
#include <system_error>

namespace zando {

WriteOutcome ReplaceFileWhole(const std::filesystem::path& path, std::string_view content, bool textMode) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
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
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return WriteOutcome::OpenFailed;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        written = !out.fail();
    }
    std::error_code error;
    if (written) std::filesystem::rename(temporary, path, error);
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        return WriteOutcome::WriteFailed;
    }
    return WriteOutcome::Written;
}

}  // namespace zando
