// Writing an export file whole and saying how it went: the success line, or why it failed.
#include "plugin/path_text.h"
#include "plugin/whole_file.h"
#include "plugin/zando.h"

bool ZANDO::WriteExportFile(const std::string& fileName, const std::string& content, const std::string& prefix,
                            const std::string& successLine) {
    switch (zando::ReplaceFileWhole(zando::TextPath(fileName), content, true)) {
    case zando::WriteOutcome::OpenFailed:
        cvarManager->log(prefix + "Failed to open file: " + fileName);
        return false;
    case zando::WriteOutcome::WriteFailed:
        cvarManager->log(prefix + "Failed to write file: " + fileName);
        return false;
    case zando::WriteOutcome::Written:
        break;
    }
    cvarManager->log(successLine);
    return true;
}
