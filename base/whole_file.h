// Writing a file whole: the content goes to a temporary file of this process beside it
// ("<file>.tmp.<process>.<n>"), which is flushed to the disk and only then replaces the file, so a
// failed write (a full disk, a folder that went away) or a power cut never leaves a half or empty file.
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

// Removes from folder the temporary files of writes that a kill cut short: "<name>.tmp.<process>.<n>"
// with name starting with prefix, whose process no longer runs (a running one may still be writing
// it). Returns how many were removed.
int RemoveLeftTemporaries(const std::filesystem::path& folder, std::string_view prefix);

}  // namespace zando
