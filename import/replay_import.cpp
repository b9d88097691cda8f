// "zando_import_replays [FOLDER]": the player's saved replays become matches of the history and heat of
// the all-time grids, counted by the same match tracker as a match followed live. The folder is listed
// and each file read on the worker, one task a file (each task hands over the next, so that a save or
// an upload handed over meanwhile goes first); the game thread only starts it and takes each outcome.
#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "base/path_text.h"
#include "base/saturating.h"
#include "base/utc_timestamp.h"
#include "history/match_history.h"
#include "plugin/zando.h"
#include "replay/match_events.h"
#include "replay/replay_error.h"
#include "replay/replay_file.h"
#include "tracking/replay_tracking.h"
#include "upload/request_signature.h"
#include "upload/upload_body.h"

// One run of the import, shared by its tasks on the worker.
struct zando::ImportRun {
    std::filesystem::path folder;
    std::vector<std::filesystem::path> files;  // oldest first
    unsigned long long account = 0;            // the player's account number in the game
    bool upload = false;                       // uploads are on, with a key and an address they can go to
    std::string uploadKey;                     // that key's fingerprint, kept with each match's body
    std::size_t next = 0;
    int added = 0, known = 0, skipped = 0;
};

namespace {

// The replay files of a folder (not of its sub-folders), oldest first; throws std::filesystem_error.
std::vector<std::filesystem::path> ReplayFiles(const std::filesystem::path& folder) {
    std::vector<std::pair<std::filesystem::file_time_type, std::filesystem::path>> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        // As UTF-8: a name the system's code page cannot spell must not stop the listing.
        std::u8string extension = entry.path().extension().u8string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](char8_t c) { return c < 0x80 ? static_cast<char8_t>(std::tolower(c)) : c; });
        std::error_code error;
        if (extension != u8".replay" || !entry.is_regular_file(error)) continue;
        found.emplace_back(entry.last_write_time(error), entry.path());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::filesystem::path> files;
    for (auto& [time, path] : found) files.push_back(std::move(path));
    return files;
}

std::string Count(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

// What a match added says of itself: "Ranked Doubles, win 3-1, 2 shots, 1 goal".
std::string MatchText(const zando::HistoryRow& row) {
    std::string text = row.playlistName;
    if (!row.result.empty()) text += ", " + row.result;
    if (row.scoreFor && row.scoreAgainst) text += " " + std::to_string(*row.scoreFor) + "-" + std::to_string(*row.scoreAgainst);
    return text + ", " + Count(row.shots, "shot", "shots") + ", " + Count(row.goals, "goal", "goals");
}

// What one file came to: added to the history (with its match), known to it already, or skipped, and
// the words that say so.
struct FileOutcome {
    enum Kind { Added, Known, Skipped };
    Kind kind = Skipped;
    std::string what;
    MatchRecord record;
};

FileOutcome ImportReplayFile(ZANDO& plugin, const zando::ImportRun& run, const std::filesystem::path& file) {
    zando::MatchHistory* history = plugin.matchHistory.get();
    try {
        const std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(file);
        const replay::Replay header = replay::ReadReplay(bytes, {.frames = false});
        if (!header.header.id.empty() && history && history->IsOpen() && history->HoldsReplay(header.header.id))
            return {FileOutcome::Known, "already in the history", {}};
        const replay::Replay replay = replay::ReadReplay(bytes);
        const int player = zando::ReplayPlayerByAccount(replay, run.account);
        if (const std::string why = zando::ReplayNotTracked(replay, player); !why.empty())
            return {FileOutcome::Skipped, "skipped - " + why, {}};
        MatchRecord record = zando::TrackReplayMatch(replay, replay::DeriveMatchEvents(replay), player, &ZANDO::ZoneOf);
        // As live: a match left before anything happened in it is not kept.
        if (record.left && record.shots == 0 && record.goals == 0 && record.gameTime <= 5.0f)
            return {FileOutcome::Skipped, "skipped - it ends before anything happened", {}};

        record.matchId = replay.header.id;  // the match's own id, the same however often it is imported
        zando::HistoryRow row = plugin.HistoryRowOf(record);
        row.endedAt = zando::ReplayDateText(replay.header.date).value_or(row.endedAt);
        row.replayId = replay.header.id;
        if (run.upload) {
            row.uploadBody = zando::UploadBody(record, row.endedAt, [](const char*) {});
            row.uploadKey = run.uploadKey;
        }
        if (!history || (!history->IsOpen() && !history->Open(plugin.MatchHistoryPath()).usable) || !history->Add(row))
            return {FileOutcome::Skipped, "not added - the match history cannot be written", {}};
        if (row.id == 0) return {FileOutcome::Known, "already in the history", {}};
        return {FileOutcome::Added, "added - " + MatchText(row), std::move(record)};
    } catch (const replay::ReplayError& e) {
        return {FileOutcome::Skipped, std::string("skipped - unreadable (") + e.what() + ")", {}};
    } catch (const std::exception& e) {
        return {FileOutcome::Skipped, std::string("skipped - ") + e.what(), {}};
    }
}

}  // namespace

void ZANDO::ImportReplays(const std::filesystem::path& folder) {
    if (importProgress.running) {
        cvarManager->log("[IMPORT] An import is running already (" + std::to_string(importProgress.read) + " of " +
                         std::to_string(importProgress.total) + " files) - wait for its summary");
        return;
    }
    UniqueIDWrapper me = gameWrapper->GetUniqueID();
    auto run = std::make_shared<zando::ImportRun>();
    run->folder = folder;
    run->account = me.GetUID();
    if (run->account == 0) {
        cvarManager->log(
            "[IMPORT] The game does not say which account is yours (sign in first) - no replay can be matched to you");
        return;
    }
    run->upload = settings.uploadEnabled && !settings.apiKey.empty() && InvalidConnectionSetting().empty();
    if (run->upload) run->uploadKey = zando::ApiKeyFingerprint(settings.apiKey);
    importProgress = {};
    importProgress.running = true;
    importProgress.lastLine = "[IMPORT] Looking for replays in " + zando::PathText(folder);
    cvarManager->log(importProgress.lastLine);

    OnWorker([this, run] {
        try {
            run->files = ReplayFiles(run->folder);
        } catch (const std::exception& e) {
            return FinishImport(
                run, "[IMPORT] The replay folder " + zando::PathText(run->folder) + " cannot be read (" + e.what() + ")");
        }
        LogLater("[IMPORT] " + Count(static_cast<int>(run->files.size()), "replay", "replays") + " found in " +
                 zando::PathText(run->folder));
        ImportNextReplay(run);
    });
}

void ZANDO::FinishImport(std::shared_ptr<zando::ImportRun> run, std::string line) {
    Deliver([this, send = run->upload && run->added > 0, line = std::move(line)] {
        importProgress.running = false;
        importProgress.lastLine = line;
        cvarManager->log(line);
        if (send && !unloading) UploadMissed();  // the matches added
    });
}

void ZANDO::ImportNextReplay(std::shared_ptr<zando::ImportRun> run) {
    if (unloading) {
        return FinishImport(run, "[IMPORT] Stopped by the unload after " + std::to_string(run->next) + " of " +
                                     std::to_string(run->files.size()) +
                                     " files - zando_import_replays goes on where it stopped");
    }
    if (run->next == run->files.size()) {
        return FinishImport(run, "[IMPORT] Done: " + Count(static_cast<int>(run->files.size()), "replay", "replays") + " read, " +
                                     std::to_string(run->added) + " added, " + std::to_string(run->known) +
                                     " already in the history, " + std::to_string(run->skipped) + " skipped");
    }
    const std::filesystem::path file = run->files[run->next++];
    const std::string prefix = "[IMPORT] " + std::to_string(run->next) + "/" + std::to_string(run->files.size()) + " " +
                               zando::PathText(file.filename()) + ": ";
    FileOutcome outcome = ImportReplayFile(*this, *run, file);
    switch (outcome.kind) {
    case FileOutcome::Added: ++run->added; break;
    case FileOutcome::Known: ++run->known; break;
    case FileOutcome::Skipped: ++run->skipped; break;
    }
    const std::string line = prefix + outcome.what;
    const bool added = outcome.kind == FileOutcome::Added;
    Deliver([this, line, added, record = std::move(outcome.record), read = static_cast<int>(run->next),
             total = static_cast<int>(run->files.size()), addedSoFar = run->added] {
        importProgress.read = read;
        importProgress.total = total;
        importProgress.added = addedSoFar;
        importProgress.lastLine = line;
        cvarManager->log(line);
        if (!added) return;
        // The match's heat joins the all-time grids as its shots and goals would have live.
        for (std::size_t r = 0; r < allTimeShotHeatmap.size(); ++r)
            for (std::size_t c = 0; c < allTimeShotHeatmap.Cols(); ++c) {
                allTimeShotHeatmap[r][c] += record.shotHeatmap[r][c];
                allTimeGoalHeatmap[r][c] = zando::SaturatingAdd(allTimeGoalHeatmap[r][c], record.goalHeatmap[r][c]);
            }
        ++historyRevision;
        SaveAllTimeHeatmap(true);
    });
    OnWorker([this, run] { ImportNextReplay(run); });
}
