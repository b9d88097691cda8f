// A finished match handed from the game thread to the plug-in's threads: the statistics and whole-match files and the
// history's row to the worker, the upload to the exchange thread, with their lines said in the order they always had.
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history/match_history.h"
#include "plugin/zando.h"
#include "upload/http_client.h"
#include "upload/request_signature.h"
#include "upload/upload_body.h"

// What the game thread does at a match's end is take copies: the statistics file's text, the history's
// row, the upload's signed request. The worker writes the files and adds the row while the exchange
// thread sends the request; the answer is noted in the row after it is added, and the lines come out on
// the game thread in the order they always had, thenLine last.
void ZANDO::ExportAndUpload(const MatchRecord& record, uint64_t matchId, std::string thenLine, bool announce) {
    if (announce) cvarManager->log("[STATS] Exporting stats to JSON...");
    std::vector<std::string> beforeFile, beforeUpload;
    std::string json = StatsJsonText(record, beforeFile);
    zando::HistoryRow row = HistoryRowOf(record);
    std::string whole = MatchJsonText(record, row.endedAt);
    if (announce) beforeUpload.push_back("[STATS] Triggering upload to server...");
    std::optional<zando::HttpRequest> request = PrepareUpload(record, matchId, beforeUpload);
    std::string wholeBody;
    if (request) {
        row.uploadBody = request->body;  // kept until the dashboard answers 200, for the key it was made for
        row.uploadKey = zando::ApiKeyFingerprint(settings.apiKey);
        wholeBody = zando::WholeMatchBody(record, row.endedAt, [](const char*) {});  // its figures' lines were said
    }
    const bool uploading = request.has_value();
    auto historyId = std::make_shared<int64_t>(0);
    OnWorker([this, json = std::move(json), whole = std::move(whole), row = std::move(row), beforeFile = std::move(beforeFile),
              beforeUpload = std::move(beforeUpload), historyId, uploading, thenLine]() mutable {
        for (std::string& line : beforeFile) LogLater(std::move(line));
        const std::string fileName = StatsJsonFileName();
        WriteExportNow(fileName, json, "[EXPORT] ", "[EXPORT] Stats exported to: " + fileName);
        WriteExportNow(MatchJsonFileName(), whole, "[EXPORT] ", {});  // said only when it fails
        *historyId = AddToHistory(std::move(row));
        for (std::string& line : beforeUpload) LogLater(std::move(line));
        if (!uploading && !thenLine.empty()) LogLater(thenLine);
    });
    if (request) UploadMatchStats(std::move(*request), std::move(wholeBody), matchId, historyId, std::move(thenLine));
}
