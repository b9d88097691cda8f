// Writing a file whole: the content goes to "<file>.tmp", which replaces the file only once every
// byte was written, so a failed write (a full disk, a folder that went away) never leaves a half file.
#pragma once

#include <filesystem>
#include <string_view>

namespace zando {

enum class WriteOutcome {
    Written,
    OpenFailed,   // the temporary file could not be created
    WriteFailed,  // writing, closing or replacing failed; the old file, if any, is untouched
};

// textMode: each "\n" becomes the platform's line end (CR LF on Windows), as a text-mode stream writes it.
WriteOutcome ReplaceFileWhole(const std::filesystem::path& path, std::string_view content, bool textMode);

}  // namespace zando
