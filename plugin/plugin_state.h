// The plug-in's state in a few plain structs, each field with its default beside it: the settings
// mirrors, the flags of the match followed, what the samplers remember between ticks, the event
// handlers' memory of the previous event, the last ball touch and the panel's own state. A reset is
// one assignment of a struct; the names the product gives its data members are the fields' names.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "bakkesmod/wrappers/wrapperstructs.h"
#include "base/grid.h"
#include "plugin/service_addresses.h"

namespace zando {

// The settings variables' values: the change callbacks store them here, and the plug-in reads them
// here at run time (plugin/settings_variables.cpp names each field's variable).
struct SettingsMirror {
    float heatmapScale = 1.0f;                  // "zando_heatmap_scale"
    float postGameScale = 1.0f;                 // "zando_postgame_scale"
    float windowOpacity = 0.85f;                // "zando_window_opacity"
    int32_t heatmapPosX = 1154;                 // "zando_heatmap_pos_x", pixels
    int32_t heatmapPosY = 60;                   // "zando_heatmap_pos_y", pixels
    int32_t postGamePosX = 1441;                // "zando_postgame_pos_x", pixels
    int32_t postGamePosY = 29;                  // "zando_postgame_pos_y", pixels
    bool showHeatmap = true;                    // "zando_show_heatmap": the heatmap overlay
    bool showPostGame = false;                  // "zando_show_postgame": the post-game card
    bool showHeatmapInReplay = false;           // "zando_show_heatmap_replay"
    bool showPostGameInReplay = false;          // "zando_show_postgame_replay"
    bool showAllTimeHeatmap = false;            // "zando_show_alltime_heatmap"
    bool minimalisticMode = false;              // "zando_minimalistic"
    bool stickyMode = false;                    // "zando_sticky_mode"
    bool showAccuracyOverlay = false;           // "zando_show_accuracy_overlay"
    bool showSpeed = true;                      // "zando_show_speed"
    bool showBoost = true;                      // "zando_show_boost"
    bool showShots = true;                      // "zando_show_shots"
    bool showPossession = true;                 // "zando_show_possession"
    bool showGameTime = true;                   // "zando_show_gametime"
    bool compareWithHistory = false;            // "zando_postgame_history": the last 10 matches' averages on the card
    bool heatmapFieldView = false;              // "zando_heatmap_field_view": the overlay draws the match's true places
    bool uploadEnabled = false;                 // "zando_enable_upload"
    std::string apiKey;                         // "zando_api_key"
    std::string serverUrl = FallbackServerUrl;  // "zando_server_url"
};

// Where the match followed now stands.
struct MatchFlags {
    bool matchActive = true;             // a match is being followed
    bool trackingPaused = false;         // tick sampling suspended (kickoff countdown)
    bool inGoalReplay = false;           // a goal was scored and its replay runs
    bool awaitingMmrUpload = false;      // the delayed end-of-match export and upload is pending
    bool matchFinished = false;          // this match's end was processed (or is pending); later end events do nothing
    uint64_t matchNumber = 0;            // counts the matches followed since load; names the match a pending end belongs to
    bool matchMetadataCaptured = false;  // the followed match's playlist, ranked flag and MMR have been read
    int32_t playerTeam = 0;              // the local player's team, 0 or 1
    bool uploadInProgress = false;       // this match's upload is on its way
    bool uploadedThisMatch = false;      // this match's statistics were uploaded
};

// Where an import of the player's replays stands (zando_import_replays), for the panel.
struct ImportProgress {
    bool running = false;
    int read = 0;          // files gone through
    int total = 0;         // files in the folder
    int added = 0;         // matches added to the history
    std::string lastLine;  // the latest "[IMPORT] " line
};

// The zone inspector's choice: a block of zones from its corner zone (cleared by ResetStats).
struct ZoneSelection {
    int32_t selectedZoneCol = -1;  // -1 = none
    int32_t selectedZoneRow = -1;  // -1 = none
    int32_t selectedZoneRows = 1;
    int32_t selectedZoneCols = 1;
    bool zoneSelected = false;
};

// Figures of the panel's Dashboard tab, worked out at the start of every panel frame.
struct DashboardFigures {
    float averageSpeed = 0.0f;  // units/s
    float possessionPercent = 0.0f;
    int allTimeShotTotal = 0;
    int allTimeGoalTotal = 0;
    float lifetimeAccuracy = 0.0f;  // percent
    int hotZones = 0;               // all-time zones with more than four shots
};

// The control panel's own state, and the connection test's result it shows.
struct PanelState {
    std::string menuTitle = "ZANDO";  // the panel window's title
    bool isWindowOpen = false;        // the panel window is open
    int32_t selectedTab = 0;          // the panel's tab shown, 0..7
    bool showHistoryWindow = false;   // the history window is open (with the panel)
    DashboardFigures dashboardFigures;
    ZoneSelection selection;
    std::array<char, 256> apiKeyInputBuffer{};     // the API key field's text
    bool showApiKeyInPanel = false;                // "Show API Key"
    std::array<char, 512> serverUrlInputBuffer{};  // the server address field's text
    std::string connectionTestResult;              // result of the last test; shown by the panel when not empty
    int32_t connectionTestStatus = 0;              // HTTP status of the last test that got a response; 0 = none
    bool connectionTestQueued = false;             // a test was started and has no outcome yet
    bool connectionTestRefused = false;            // a press came while one was running; the panel says so
    bool resendRunning = false;                    // missed uploads are being sent
    int missedForOtherKeys = 0;                    // the last resend left these: kept for another API key
};

}  // namespace zando
