// ZANDO: the plug-in class, its data members with their defaults, and its operations.
#pragma once

// <filesystem> comes before the SDK's headers: the SDK declares GameWrapper::GetDataFolder only then.
#include <filesystem>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <imgui.h>

#include "bakkesmod/plugin/PluginSettingsWindow.h"
#include "bakkesmod/plugin/bakkesmodplugin.h"
#include "bakkesmod/plugin/pluginwindow.h"
#include "bakkesmod/wrappers/GameObject/BallWrapper.h"
#include "bakkesmod/wrappers/GameObject/CarWrapper.h"
#include "bakkesmod/wrappers/canvaswrapper.h"
#include "bakkesmod/wrappers/wrapperstructs.h"
#include "base/blocking_check.h"
#include "base/grid.h"
#include "base/worker.h"
#include "plugin/plugin_state.h"
#include "plugin/service_addresses.h"
#include "tracking/match_record.h"
#include "tracking/match_tracker.h"

struct InProgressField;  // a figure kept across a reload (tracking/match_in_progress.cpp)
namespace zando {
class MatchHistory;         // history/match_history.h
struct HistoryRow;          // history/match_history.h
struct Placement;           // overlay/overlay_placement.h
struct HttpRequest;         // upload/http_client.h
struct HistoryShown;        // history/history_summary.h
struct HeatmapViewShading;  // heatmap/heatmap_views.h
struct ImportRun;           // import/replay_import.cpp
}  // namespace zando

// The host owns the object through a shared pointer of this very class (the library's entry points
// make it); the settings window's base declares the one virtual destructor, as the framework does.
class ZANDO final : public BakkesMod::Plugin::BakkesModPlugin,
                    public BakkesMod::Plugin::PluginSettingsWindow,
                    public BakkesMod::Plugin::PluginWindow {
public:
    ZANDO() = default;
    // A host may delete the object without unloading it: it is no longer the one published then.
    ~ZANDO() { PublishForSnapshots(false); }
    ZANDO(const ZANDO&) = delete;
    ZANDO& operator=(const ZANDO&) = delete;

    // [SECTION] Host slots
    void onLoad() override;
    void onUnload() override;

    void RenderSettings() override;
    std::string GetPluginName() override { return "ZANDO"; }
    void SetImGuiContext(std::uintptr_t ctx) override;

    void Render() override;
    std::string GetMenuName() override { return "ZANDO"; }
    std::string GetMenuTitle() override { return panel.menuTitle; }
    bool ShouldBlockInput() override;
    bool IsActiveOverlay() override { return true; }
    void OnOpen() override;
    void OnClose() override;

    // [SECTION] Threads
    // The game thread (hooks, commands, setting callbacks, timers, Execute work, the drawable) and the
    // host's render thread (the panel and the settings page) both reach the members: every entry point
    // holds this lock while it runs. It is recursive because work on the game thread may set a settings
    // variable, whose change callback (an entry point too) the host runs at once on the same thread.
    std::recursive_mutex stateLock;
    // A host callback that runs body with stateLock held.
    template <class Body>
    auto Locked(Body body) {
        return [this, body = std::move(body)](auto... arguments) {
            zando::StateLock lock(stateLock);
            body(std::move(arguments)...);
        };
    }
    // Hands work from a window to the game thread, where the match's state and the settings change: it
    // runs at the host's next game tick, under the lock, unless the plug-in was unloaded meanwhile.
    void OnGameThread(std::function<void()> work);
    // What the game must not wait for runs outside the lock on the plug-in's own threads, each in the
    // order handed over: files and the history on the worker; the dashboard's exchanges on a thread of
    // their own, so that no save ever waits behind the network. An exchange is given ifDropped: unload
    // drops it when it has not started, and runs ifDropped instead.
    void OnWorker(std::function<void()> work);
    void OnExchangeThread(std::function<void()> exchange, std::function<void()> ifDropped);
    // From the exchange thread: runs work on the worker (the history is the worker's) and returns once
    // it has run.
    void OnWorkerAndWait(const std::function<void()>& work);
    // From the worker: outcome runs on the game thread, under the lock, after every outcome delivered
    // before it (at the next game tick, or at unload).
    void Deliver(std::function<void()> outcome);
    void LogLater(std::string line);                         // a console line, delivered so
    void ApplyDelivered();                                   // runs the outcomes delivered so far (the lock held)
    bool WorkerIdleWithin(std::chrono::milliseconds limit);  // both threads

    // [SECTION] Operations
    void ResetStats();
    float AverageSpeed() const { return tracker.match.AverageSpeed(); }
    // Share of the sampled game time in which the player's team had the ball, percent; 0 without game time.
    float PossessionPercent() const {
        const MatchRecord& match = tracker.match;
        return match.gameTime > 0.0f ? match.possessionTime / match.gameTime * 100.0f : 0.0f;
    }

    // Copies a settings variable's new value into its member; the change callback of every variable.
    void OnSettingChanged(CVarWrapper cvar);

    // [SECTION] Match lifecycle (game-event handlers)
    void OnInitGame();
    void OnActiveBeginState();
    void OnCountdownEnd();
    void OnCountdownBegin();
    void OnScoreUpdated();
    void OnMatchEnded();
    void OnMatchWinnerSet();
    void OnMatchDestroyed();
    // The end-of-match step run 3 s after the end when an initial MMR was captured (or at once, by an
    // unload that cannot wait): the new MMR, the statistics file and the upload of the match that
    // ended, its record as it was at the end. Does nothing when no end is pending.
    void FinishMatchAfterMmrDelay(GameWrapper* game);
    // The figures and metadata of the match followed now, as the statistics file and the upload write them.
    MatchRecord CurrentRecord() const { return tracker.match; }

    // [SECTION] Touches, shots and goals: the hooks read the game and feed the tracker
    void RecordBallTouch(CarWrapper hitter);
    void HandleGoalHit(BallWrapper ball);  // the ball is the caller of the goal event
    void HandleStatEvent(void* params);
    // A shot or goal the tracker counted: its console lines, and its heat in the all-time grids, saved.
    void CountIntoAllTime(const zando::Counted& counted);

    // [SECTION] Per-tick sampling and metadata
    void SampleTick();
    std::vector<zando::CarPlace> carPlaces;  // the cars of the latest possession sample
    void CaptureMatchMetadata();
    void ReadFinalScore(ServerWrapper state);  // into finalScore

    // [SECTION] Canvas overlays (drawn once per frame by the drawable registered at load)
    void RegisterOverlays();
    void RenderOverlays(CanvasWrapper canvas);
    void RenderPostGameOverlay(CanvasWrapper canvas);
    void RenderHeatmapOverlay(CanvasWrapper canvas);
    bool PostGameCardShown() const;    // whether this frame draws the card (its switches, sticky mode, a goal replay)
    bool HeatmapOverlayShown() const;  // and the heatmap overlay
    // Where each overlay is drawn on a canvas of that size, at the current settings.
    zando::Placement PostGameCardPlacement(Vector2 canvasSize) const;
    zando::Placement HeatmapOverlayPlacement(Vector2 canvasSize) const;
    static constexpr float PostGameCardWidth = 450.0f;  // reference pixels
    float PostGameCardHeight() const;                   // reference pixels, for the blocks shown
    int PostGameBlocksShown() const;                    // the card's statistics switched on, 0..5
    // The heatmap overlay: tabs, mode line, the 250 x 310 grid box and, under it, the legend's strip.
    static constexpr float HeatmapLegendGap = 4.0f, HeatmapLegendHeight = 20.0f;
    static constexpr float HeatmapOverlayWidth = 250.0f,
                           HeatmapOverlayHeight = 25.0f + 8.0f + 32.0f + 310.0f + HeatmapLegendGap + HeatmapLegendHeight;

    // [SECTION] Exports: the text is made on the game thread, the file written on the worker; the
    // success line, then thenLine, are said once it is written whole (a failure says why instead).
    void ExportHeatmapCsv(std::string thenLine = {});
    void ExportStatsJson(std::string thenLine = {});  // the match followed now
    std::string StatsJsonText(const MatchRecord& record, std::vector<std::string>& said) const;
    std::string StatsJsonFileName() const;
    // The whole match, "zando_match.json"; endedAt empty for a match not ended.
    void ExportMatchJson();
    std::string MatchJsonText(const MatchRecord& record, const std::string& endedAt) const;
    std::string MatchJsonFileName() const;

    // [SECTION] Match history ("zando_history.sqlite3" in the data folder)
    // The history is opened at load; after that only the worker uses it.
    void OpenMatchHistory();
    zando::HistoryRow HistoryRowOf(const MatchRecord& record) const;  // a finished match as the history keeps it
    int64_t AddToHistory(zando::HistoryRow row);                      // worker: the row's number, 0 when not added
    std::filesystem::path MatchHistoryPath() const;
    std::shared_ptr<zando::MatchHistory> matchHistory;                     // refuses a file it cannot read
    void UpdateHistoryAverages(int32_t playlistId, bool lastIsThisMatch);  // read on the worker
    void ReadHistoryAverages(int32_t playlistId, bool lastIsThisMatch);    // worker
    uint64_t historyRevision = 0;  // grows with each change of the history's rows (a match added, a reopening)
    // What is shown of the history: the history window's view (render thread) and the card's averages
    // of the last 10 matches of the playlist before this one; made at load.
    std::shared_ptr<zando::HistoryShown> shownHistory;
    void ReadHistoryRows();
    void RefreshHistoryView();
    static constexpr int HistoryRowsPerFrame = 1000;  // a long history is read a part at a time
    void RenderHistoryWindow();

    // [SECTION] Dashboard upload and connection test
    // The body of the record's upload; lines about it (a figure sent as 0) are added to said.
    std::string BuildUploadPayload(const MatchRecord& record, std::vector<std::string>& said) const;
    // At a match's end, on the game thread: the checks and the lines said before the request (added to
    // said, in order), and the signed request when one is to be sent (marking it in progress).
    std::optional<zando::HttpRequest> PrepareUpload(const MatchRecord& record, uint64_t matchId, std::vector<std::string>& said);
    // The upload: sends the request on the worker; the outcome's lines, the match's flags and then
    // thenLine follow on the game thread. historyId: the match's row once added (0: none), noted as
    // uploaded on a 200. matchId: the flags' matchNumber of the match it is for.
    // wholeBody: the whole match, sent in its place to a server whose health answer names that
    // format (asked once a server and key, before the first upload to it).
    void UploadMatchStats(zando::HttpRequest request, std::string wholeBody, uint64_t matchId,
                          std::shared_ptr<const int64_t> historyId, std::string thenLine);
    // "zando_upload_missed": the history's matches not answered 200, sent again, oldest first, each under
    // the API key it was made for when that is the key set now; the others are counted and said, and
    // sent under the key set now only when underThisKey ("zando_upload_missed_to_this_key").
    void UploadMissed(bool underThisKey = false);
    // Its exchanges (on the exchange thread), oldest first, stopping at the first one not taken.
    void SendMissed(const std::vector<zando::HistoryRow>& missed, const std::string& server, const std::string& key,
                    const std::function<void()>& done);
    std::atomic<bool> unloading = false;                      // set at unload, for the worker
    std::atomic<bool> dashboardSilent = false;                // the last exchange got no answer (worker)
    std::map<std::string, bool> takesWholeMatch;              // per server and key: its health answer names v2 (worker)
    void SayWaitingForExchange();                             // at unload, with an exchange in flight or waiting
    static std::chrono::milliseconds ExchangeWaitAtUnload();  // how long unload lets exchanges start
    void StartConnectionTest();                               // the panel's "Test Connection" press
    // The check's exchange (worker): the result text and the status answered (0 for none).
    static std::pair<std::string, int> TestConnection(const zando::HttpRequest& request);
    // Why the API key or the server address cannot be sent as they are; empty when they can.
    std::string InvalidConnectionSetting() const;
    // The signing library sets itself up at its first use: done on the worker, not at the first
    // match's end on the game thread.
    void PrepareSigning();

    // [SECTION] Importing the player's saved replays (import/)
    // "zando_import_replays [FOLDER]": every replay of the folder that the player (the game's account)
    // is in, counted by the match tracker as if followed live, added to the history (each replay's
    // match once) and to the all-time grids, and uploaded when uploads are on. The files are read on
    // the worker, one task a file, so that other work goes on between them; a line a file and a summary.
    void ImportReplays(const std::filesystem::path& folder);
    std::filesystem::path DefaultReplayFolder() const;  // the game's replay folder
    std::filesystem::path replayFolder;                 // that folder, found at load
    zando::ImportProgress importProgress;

    // [SECTION] Zone heatmap
    using Zone = zando::Zone;
    // The zone of a world position; rows are oriented by the team so that row 0 is the end it attacks.
    static Zone ZoneOf(float x, float y, int team);
    std::filesystem::path AllTimeHeatmapPath() const;
    // True when the file was written. A failure says why, once while saves keep failing when
    // afterEveryShot (each shot and goal saves: a full disk would fill the console), always otherwise.
    // The grids are taken now and written on the worker; thenLine is said after a save that succeeded.
    void SaveAllTimeHeatmap(bool afterEveryShot = false, std::string thenLine = {});
    bool WriteAllTimeHeatmap(const std::string& bytes, bool afterEveryShot);  // worker
    // The newest grids waiting for the worker: saves asked for before it starts are one save.
    struct AllTimeSave {
        std::mutex lock;
        bool queued = false;  // a save task is on the worker and has not taken the grids yet
        bool afterEveryShot = true;
        Grid<float> shots;
        Grid<int32_t> goals;
        std::vector<std::string> thenLines;
        std::chrono::steady_clock::time_point lastWritten;  // the worker's
    };
    AllTimeSave allTimeSave;
    void WritePendingAllTimeSave();   // worker
    bool allTimeSaveFailing = false;  // the last save of the all-time file failed (worker, after load)
    void LoadAllTimeHeatmap();
    // The all-time file found at load could not be read (nor kept as a backup): saves leave it alone.
    bool allTimeFileHeld = false;  // set at load, then the worker's

    // [SECTION] State (plugin/plugin_state.h, tracking/match_record.h)
    zando::SettingsMirror settings;               // the settings variables' values
    zando::MatchTracker tracker{&ZANDO::ZoneOf};  // the counting of the match followed now, and its record
    zando::MatchFlags flags;                      // where the match followed now stands
    zando::PanelState panel;                      // the control panel's own state

    // [SECTION] All-time grids (kept across matches, persisted in the all-time file)
    Grid<float> allTimeShotHeatmap;    // shot heat over all matches
    Grid<int32_t> allTimeGoalHeatmap;  // goals over all matches per zone

    // [SECTION] What the heatmap views coloured last, kept until their grid or mode changes (made at load)
    std::shared_ptr<zando::HeatmapViewShading> heatmapShading;
    void MakeHeatmapViews();

    // [SECTION] Overlay geometry
    int32_t screenWidth = 1920;   // canvas width last seen by the post-game overlay, pixels
    int32_t screenHeight = 1080;  // canvas height last seen by the post-game overlay, pixels

private:
    // [SECTION] Control panel tabs and the heatmap window
    void ComputeDashboardFigures();
    void RenderDashboardTab();
    void RenderHeatmapTab();
    void RenderZoneInspectorTab();
    ImU32 MiniCellColour(int miniRow, int miniCol) const;  // the colour of the zone inspector's cell of that block
    void RenderDisplayTab();
    void RenderPostGameTab();
    void RenderExportTab();
    void RenderIntegrationTab();
    void RenderAboutTab();
    void RenderHeatmapWindow();
    // Where a window first opens on the display, and its size (preferred, or as large as it can be
    // down to smallest): wanted, or the nearest place inside the display clear of the windows drawn
    // before it this frame and, where there is room, of the overlays. First the place, then the size.
    std::pair<ImVec2, ImVec2> FirstWindowArea(ImVec2 preferred, ImVec2 smallest, ImVec2 wanted) const;
    // A first place is applied once, when the window is made: it is worked out only until the window has
    // been drawn in the Dear ImGui context the host gave (a new context starts the windows afresh).
    enum class PlacedWindow { Panel, Heatmap, History };
    bool NeedsFirstPlace(PlacedWindow window) const { return !windowPlaced[static_cast<std::size_t>(window)]; }
    std::array<bool, 3> windowPlaced{};  // by PlacedWindow: drawn in the current context
    // Inside a window: marks it placed, and notes its area (its size at least atLeast: a window sizing
    // itself to its contents has no size yet on its first frame) for the windows placed after it this frame.
    void NoteWindowArea(PlacedWindow window, ImVec2 atLeast = {0.0f, 0.0f});
    std::vector<ImVec4> windowAreasThisFrame;  // (left, top, right, bottom) of each window drawn this frame

    void RegisterSettingsVariables();
    void RegisterConsoleCommands();
    // Registers a console command whose action runs under the lock, and notes it for "zando_help".
    void RegisterCommand(const std::string& name, std::function<void(std::vector<std::string>)> action,
                         const std::string& description);
    std::vector<std::pair<std::string, std::string>> commandHelp;  // each command's name and description
    // After a settings variable changed: says when the value stored is not what works (a bound the
    // host clamped it to, an address uploads cannot go to, uploads on without a key).
    void ReportSettingStored(CVarWrapper cvar);
    std::string UploadSettingsProblem(const std::string& changed) const;  // empty: nothing to say
    void RegisterHistoryCommands();
    void ReadSettingsIntoMembers();
    void HookGameEvents();
    void FollowMatchInProgress();
    // A reload during a match keeps its figures: unload writes them to the data folder, and a load
    // into the same match (server) takes them back; the file is read once.
    void SaveMatchInProgress();
    void ResumeMatchInProgress(ServerWrapper server);
    std::filesystem::path MatchInProgressPath() const;
    static const std::vector<InProgressField>& InProgressFields();
    void LoadLocked();  // onLoad's work, under the state lock
    // Makes this plug-in the one the exported match snapshot reads (plugin/match_snapshot.h), or none.
    void PublishForSnapshots(bool published);
    void ReadAllTimeHeatmapFile();
    // The common end of a match (winner set or match ended); texts are the handler's six lines;
    // matchOver: the event that ends the match even in overtime (EventMatchEnded).
    void ProcessMatchEnd(const char* const (&texts)[6], bool matchOver);
    // Reads the new MMR for the record's playlist and sets its mmrChange when the reading is valid.
    void ReadFinalMmr(GameWrapper* game, MatchRecord& record);
    // Writes an export in text mode, whole, on the worker; then says successLine and thenLine, or
    // prefix + why it failed.
    void WriteExportFile(std::string fileName, std::string content, std::string prefix, std::string successLine,
                         std::string thenLine = {});
    // The same write on the worker itself (a step of a longer piece of its work); true when written.
    bool WriteExportNow(const std::string& fileName, const std::string& content, const std::string& prefix,
                        const std::string& successLine);

    // The end of a match waiting for the new MMR: what is written and sent 3 s after the end.
    struct PendingMatchEnd {
        MatchRecord record;          // the match as it was when it ended
        const char* completionLine;  // the scheduling handler's "(delayed for MMR)" line
        uint64_t match;              // matchNumber of the match that ended
    };
    std::optional<PendingMatchEnd> pendingEnd;
    // Starts a new followed match afresh: its end not yet processed, the duplicate guards cleared.
    void BeginFollowingMatch();
    // A new match seen by the game's events: its figures cleared, the overlays hidden, its metadata
    // still to be read, and followed afresh.
    void StartNewMatch();
    // The statistics file, the history's row and the upload of a finished match (the match numbered
    // matchId); thenLine is said after their lines. announce: with the lines of an end processed.
    void ExportAndUpload(const MatchRecord& record, uint64_t matchId, std::string thenLine, bool announce);

    // The import's tasks on the worker: the next file of the run, and its summary (or why it stopped).
    void ImportNextReplay(std::shared_ptr<zando::ImportRun> run);
    void FinishImport(std::shared_ptr<zando::ImportRun> run, std::string line);

    // Expires with the object: a delayed callback that outlives it sees that and does nothing.
    std::shared_ptr<bool> lifetime = std::make_shared<bool>(true);

    // The game's data folder, read at load: the worker names files with it (it may not call the game).
    std::filesystem::path dataFolder;

    std::mutex deliveredLock;  // guards delivered and deliveryQueued
    std::vector<std::function<void()>> delivered;
    bool deliveryQueued = false;  // a game-thread task to apply them is queued
    // Last, so that they stop first: their work may still deliver while the object is taken apart. The
    // exchanges stop before the worker, which they hand their history work to.
    zando::Worker worker;
    zando::Worker exchanges;
};
