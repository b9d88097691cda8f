// Writing an export file whole on the plug-in's worker, and saying how it went on the game thread:
// the success line (and what follows it; none when empty), or why it failed.
#include <utility>

#include "base/path_text.h"
#include "base/whole_file.h"
#include "plugin/zando.h"

void ZANDO::WriteExportFile(std::string fileName, std::string content, std::string prefix, std::string successLine,
                            std::string thenLine) {
    OnWorker([this, fileName = std::move(fileName), content = std::move(content), prefix = std::move(prefix),
              successLine = std::move(successLine), thenLine = std::move(thenLine)] {
        if (WriteExportNow(fileName, content, prefix, successLine) && !thenLine.empty()) LogLater(thenLine);
    });
}

bool ZANDO::WriteExportNow(const std::string& fileName, const std::string& content, const std::string& prefix,
                           const std::string& successLine) {
    switch (zando::ReplaceFileWhole(zando::TextPath(fileName), content, true)) {
    case zando::WriteOutcome::OpenFailed: LogLater(prefix + "Failed to open file: " + fileName); return false;
    case zando::WriteOutcome::WriteFailed: LogLater(prefix + "Failed to write file: " + fileName); return false;
    case zando::WriteOutcome::Written: break;
    }
    if (!successLine.empty()) LogLater(successLine);
    return true;
}
