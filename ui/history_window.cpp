// The match history window, drawn after the control panel: this session per playlist, trend lines
// over the last 10, 50 or all matches, the last matches as a table and the shots and goals of a range
// of matches on the zone grid, each filterable by playlist. The rows are read from the history file
// on the worker, once per change of the history; what is shown is worked out again only when the rows or the
// window's choices change, so a frame only draws.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "base/utc_timestamp.h"
#include "heatmap/heatmap_drawing.h"
#include "history/history_summary.h"
#include "plugin/figure_text.h"
#include "plugin/zando.h"
#include "ui/panel_widgets.h"

namespace ui = zando::ui;

namespace {

constexpr int TrendRanges[] = {10, 50, -1};
constexpr const char* TrendRangeNames[] = {"Last 10", "Last 50", "All"};

// The last matches' table: each column's heading and its width at the default font (13 px).
struct TableColumn {
    const char* heading;
    float width;
};
constexpr TableColumn TableColumns[] = {{"#", 44.0f},         {"Ended", 120.0f},    {"Playlist", 150.0f},  {"Result", 60.0f},
                                        {"Score", 80.0f},     {"Shots", 50.0f},     {"Goals", 50.0f},      {"Speed", 70.0f},
                                        {"MMR", 120.0f},      {"Boost/min", 80.0f}, {"Supersonic", 85.0f}, {"Empty tank", 85.0f},
                                        {"Full tank", 75.0f}, {"Shots/goal", 80.0f}};

std::string Signed(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", static_cast<double>(value));
    return text;
}

// A trend line with its last, lowest and highest values, given with decimals places after the point.
void Trend(const char* label, const std::vector<float>& values, float width, int decimals) {
    if (values.empty()) {
        ImGui::TextDisabled("%s: no matches", label);
        return;
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    char overlay[128];
    std::snprintf(overlay, sizeof overlay, "%s  (last %.*f, low %.*f, high %.*f)", label, decimals,
                  static_cast<double>(values.back()), decimals, static_cast<double>(*low), decimals, static_cast<double>(*high));
    // Named inside the plot only: a name beside it would be cut off by a narrow window.
    ImGui::PlotLines(("##" + std::string(label)).c_str(), values.data(), static_cast<int>(values.size()), 0, overlay, *low,
                     *high == *low ? *low + 1.0f : *high, {width, ui::Px(48.0f)});
}

}  // namespace

// The history's rows: the matches added since, or the next part of a long history, read on the worker
// one request at a time; a frame draws what has come so far.
void ZANDO::ReadHistoryRows() {
    zando::HistoryView& view = shownHistory->view;
    const bool changed = view.rowsRevision != historyRevision;
    if (view.reading || (!changed && view.allRead)) return;
    view.reading = true;
    const uint64_t revision = historyRevision;
    // Matches added since the last reading follow the rows read; a history read from its start is
    // read newest first, a part at a time, so that a long one shows its newest matches at once.
    const bool fromStart = view.rows.empty();
    const bool readAdded = changed && !fromStart;
    const bool readOlder = !view.allRead || (changed && fromStart);
    const int64_t newest = fromStart ? 0 : view.rows.back().id;
    const int64_t oldest = fromStart ? INT64_MAX : view.rows.front().id;
    OnWorker([this, changed, fromStart, readAdded, readOlder, newest, oldest, revision] {
        int64_t total = 0;
        std::vector<zando::HistoryRow> added, older;
        if (changed && fromStart) total = matchHistory->Count();
        if (readAdded) added = matchHistory->After(newest);
        if (readOlder) older = matchHistory->Before(oldest, HistoryRowsPerFrame);
        Deliver([this, changed, fromStart, readOlder, revision, total, added = std::move(added),
                 older = std::move(older)]() mutable {
            zando::HistoryView& view = shownHistory->view;
            view.reading = false;
            if (changed) {
                if (fromStart) {
                    view.allRead = false;
                    view.total = total;
                } else {
                    view.total += static_cast<int64_t>(added.size());
                    view.rows.insert(view.rows.end(), std::make_move_iterator(added.begin()),
                                     std::make_move_iterator(added.end()));
                }
                view.rowsRevision = revision;
            }
            if (readOlder) {
                view.allRead = older.size() < static_cast<std::size_t>(HistoryRowsPerFrame);
                view.rows.insert(view.rows.begin(), std::make_move_iterator(older.begin()), std::make_move_iterator(older.end()));
            }
            view.playlists.clear();
            for (const zando::HistoryRow& row : view.rows)
                if (std::none_of(view.playlists.begin(), view.playlists.end(),
                                 [&](const auto& known) { return known.first == row.playlistId; }))
                    view.playlists.emplace_back(row.playlistId, row.playlistName);
            view.sessionAt = 0;
            view.shownValid = false;
        });
    });
}

// What the window shows of the rows, worked out again only after a change of them or of a choice.
void ZANDO::RefreshHistoryView() {
    zando::HistoryView& view = shownHistory->view;
    const int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    if (now - view.sessionAt >= 60) {  // a session ends an hour after its last match: looked at again each minute
        view.session = zando::SessionByPlaylist(view.rows, now);
        view.sessionAt = now;
    }
    if (view.shownValid && view.shownPlaylist == view.playlist && view.shownRange == view.trendRange &&
        view.shownZoneFirst == view.zoneFirst && view.shownZoneLast == view.zoneLast)
        return;
    if (view.shownValid && view.shownPlaylist != view.playlist) view.zonesAll = true;  // a new playlist: all its matches
    view.filtered = zando::OfPlaylist(view.rows, view.playlist);
    if (view.zonesAll) {
        view.zoneFirst = 1;
        view.zoneLast = static_cast<int>(view.filtered.size());
    }
    view.trends = zando::TrendsOf(view.filtered, TrendRanges[std::clamp(view.trendRange, 0, 2)]);
    for (float& speed : view.trends.averageSpeed) speed *= zando::figures::KmhPerUnit;  // kph, as the card and the table
    view.zones = zando::ZoneTotalsOf(view.filtered, view.zoneFirst - 1, view.zoneLast - 1);
    view.shownPlaylist = view.playlist;
    view.shownRange = view.trendRange;
    view.shownZoneFirst = view.zoneFirst;
    view.shownZoneLast = view.zoneLast;
    view.shownValid = true;
}

void ZANDO::RenderHistoryWindow() {
    const ImVec2 display = ImGui::GetIO().DisplaySize;
    // As large as it can be (760 x 900 at most, 360 x 300 at least at 1080p: its table scrolls) beside the panel
    // and the heatmap window.
    if (NeedsFirstPlace(PlacedWindow::History)) {
        const auto [at, size] = FirstWindowArea({ui::Px(760.0f), std::min(ui::Px(900.0f), 0.58f * display.y)},
                                                ui::Px({360.0f, 300.0f}), {display.x - ui::Px(768.0f), ui::Px(8.0f)});
        ImGui::SetNextWindowSize(size, ImGuiCond_FirstUseEver);
        ImGui::SetNextWindowPos(at, ImGuiCond_FirstUseEver);
    }
    const bool shown = ImGui::Begin("ZANDO Match History", &panel.showHistoryWindow);
    NoteWindowArea(PlacedWindow::History);
    if (!shown) {
        ImGui::End();
        return;
    }
    if (!matchHistory || !matchHistory->IsOpen()) {  // IsOpen reads a flag: no wait
        ImGui::TextColored(ui::Bad, "The match history is unavailable: see the console's [HISTORY] line.");
        ImGui::End();
        return;
    }
    ReadHistoryRows();
    RefreshHistoryView();
    zando::HistoryView& view = shownHistory->view;
    if (!view.allRead)
        ImGui::TextDisabled("Reading the history: %d of %lld matches so far", static_cast<int>(view.rows.size()),
                            static_cast<long long>(view.total));

    // This session, per playlist.
    ui::Heading(" THIS SESSION", {0.5f, 0.8f, 1.0f, 1.0f});
    if (view.session.empty()) ImGui::TextDisabled("No match finished since ZANDO loaded.");
    for (const zando::PlaylistSession& playlist : view.session) {  // wrapped: a narrow window shows it whole
        ImGui::TextWrapped("%s: %d %s, %d W - %d L, MMR %s", playlist.playlistName.c_str(), playlist.matches,
                           playlist.matches == 1 ? "match" : "matches", playlist.wins, playlist.losses,
                           Signed(playlist.mmrGained).c_str());
    }
    ImGui::Separator();

    // The playlist filter and the trend range.
    std::string current = "All playlists";
    for (const auto& [id, name] : view.playlists)
        if (id == view.playlist) current = name;
    ImGui::SetNextItemWidth(ui::Px(220.0f));
    if (ImGui::BeginCombo("Playlist", current.c_str())) {
        if (ImGui::Selectable("All playlists", view.playlist == zando::AnyPlaylist)) view.playlist = zando::AnyPlaylist;
        for (const auto& [id, name] : view.playlists) {
            ImGui::PushID(id);
            if (ImGui::Selectable(name.c_str(), view.playlist == id)) view.playlist = id;
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
    // The ranges beside the filter where they fit, else on a line of their own.
    const ImGuiStyle& style = ImGui::GetStyle();
    float rangesWidth = 0.0f;
    for (const char* name : TrendRangeNames)
        rangesWidth += ImGui::GetFrameHeight() + style.ItemInnerSpacing.x + ImGui::CalcTextSize(name).x + style.ItemSpacing.x;
    const bool rangesBeside =
        ImGui::GetContentRegionAvail().x - ImGui::GetItemRectSize().x >= rangesWidth;  // the filter and its name
    for (int range = 0; range < 3; ++range) {
        if (range > 0 || rangesBeside) ImGui::SameLine();
        ImGui::RadioButton(TrendRangeNames[range], &view.trendRange, range);
    }
    RefreshHistoryView();
    ImGui::Text("%d matches", static_cast<int>(view.filtered.size()));

    // Trend lines.
    ui::Heading(" TRENDS", {0.9f, 0.7f, 0.5f, 1.0f});
    const float plotWidth = ImGui::GetContentRegionAvail().x;
    Trend("MMR", view.trends.mmr, plotWidth, 1);
    Trend("Average speed (kph)", view.trends.averageSpeed, plotWidth, 0);
    Trend("Boost per minute", view.trends.boostPerMinute, plotWidth, 0);
    Trend("Shots", view.trends.shots, plotWidth, 0);
    Trend("Goals", view.trends.goals, plotWidth, 0);

    // The last matches, newest first.
    ui::Heading(" LAST MATCHES", {0.6f, 0.9f, 0.6f, 1.0f});
    ImGui::SetNextItemWidth(ui::Px(120.0f));
    ImGui::SliderInt("Matches shown", &view.tableCount, 5, 100);
    // Columns in a region of their own that scrolls both ways, so every column can be reached
    // whatever the window's width; the widths follow the font.
    const float em = ImGui::GetFontSize() / 13.0f;
    float tableWidth = 0.0f;
    for (const TableColumn& column : TableColumns) tableWidth += column.width * em;
    ImGui::SetNextWindowContentSize({tableWidth, 0.0f});
    ImGui::BeginChild("LastMatches", {0.0f, ui::Px(200.0f)}, true, ImGuiWindowFlags_HorizontalScrollbar);
    ImGui::Columns(static_cast<int>(std::size(TableColumns)), "LastMatchesColumns", true);
    for (int i = 0; i < static_cast<int>(std::size(TableColumns)); ++i) {
        ImGui::SetColumnWidth(i, TableColumns[i].width * em);
        ImGui::TextUnformatted(TableColumns[i].heading);
        ImGui::NextColumn();
    }
    ImGui::Separator();
    const int count = std::min(view.tableCount, static_cast<int>(view.filtered.size()));
    for (int i = 0; i < count; ++i) {
        const zando::HistoryRow& row = *view.filtered[view.filtered.size() - 1 - static_cast<std::size_t>(i)];
        ImGui::Text("%lld", static_cast<long long>(row.id));
        ImGui::NextColumn();
        ImGui::TextUnformatted(zando::LocalMinuteText(row.endedAt).c_str());  // the player's own time
        ImGui::NextColumn();
        ImGui::TextUnformatted(row.playlistName.c_str());
        ImGui::NextColumn();
        const ImVec4 resultColour = row.result == "win" ? ui::Good : row.result.empty() ? ui::Fair : ui::Bad;
        ImGui::TextColored(resultColour, "%s", row.result.empty() ? "-" : row.result.c_str());
        ImGui::NextColumn();
        if (row.scoreFor && row.scoreAgainst)
            ImGui::Text("%d - %d%s", *row.scoreFor, *row.scoreAgainst, row.overtime ? " OT" : "");
        else
            ImGui::TextDisabled("-");
        ImGui::NextColumn();
        ImGui::Text("%d", row.shots);
        ImGui::NextColumn();
        ImGui::Text("%d", row.goals);
        ImGui::NextColumn();
        ImGui::Text("%d kph", zando::figures::Kph(row.averageSpeed));  // as the card shows it
        ImGui::NextColumn();
        if (row.mmrBefore > 0.0f)
            ImGui::Text("%.1f (%s)", static_cast<double>(row.mmrAfter), Signed(row.mmrChange).c_str());
        else
            ImGui::TextDisabled("-");
        ImGui::NextColumn();
        ImGui::Text("%.0f", static_cast<double>(row.boostPerMinute));
        ImGui::NextColumn();
        for (const float share : {row.supersonicShare, row.emptyTankShare, row.fullTankShare}) {
            ImGui::Text("%.0f%%", static_cast<double>(share) * 100.0);
            ImGui::NextColumn();
        }
        if (row.goals > 0)
            ImGui::Text("%.1f", static_cast<double>(row.shotsPerGoal));
        else
            ImGui::TextDisabled("-");
        ImGui::NextColumn();
    }
    ImGui::Columns(1);
    ImGui::EndChild();

    // The shots and goals of a range of matches on the zone grid.
    ui::Heading(" SHOTS AND GOALS", {1.0f, 0.6f, 0.6f, 1.0f});
    const int matches = static_cast<int>(view.filtered.size());
    if (matches == 0) {
        ImGui::TextDisabled("No matches to show.");
    } else {
        ImGui::SetNextItemWidth(ui::Px(260.0f));
        if (ImGui::DragIntRange2("Matches (oldest is 1)", &view.zoneFirst, &view.zoneLast, 0.2f, 1, matches)) {
            view.zoneFirst = std::clamp(view.zoneFirst, 1, matches);
            view.zoneLast = std::clamp(view.zoneLast, view.zoneFirst, matches);
            view.zonesAll = view.zoneFirst == 1 && view.zoneLast == matches;
        }
        RefreshHistoryView();
        const float cell = ui::Px(5.0f);
        const ImVec2 origin = ImGui::GetCursorScreenPos();
        ImDrawList* list = ImGui::GetWindowDrawList();
        list->AddRectFilled(origin, {origin.x + cell * GridCols, origin.y + cell * GridRows}, IM_COL32(12, 14, 20, 255));
        for (int r = 0; r < GridRows; ++r)
            for (int c = 0; c < GridCols; ++c) {
                const int32_t shots = view.zones.shots[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
                const int32_t goals = view.zones.goals[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
                if (shots <= 0 && goals <= 0) continue;
                const ImVec2 from{origin.x + cell * static_cast<float>(c), origin.y + cell * static_cast<float>(r)};
                const ImVec2 to{from.x + cell, from.y + cell};
                if (shots > 0) {
                    const float t = static_cast<float>(shots) / static_cast<float>(std::max(1, view.zones.peakShots));
                    const zando::Rgba colour = zando::FrequencyLegendColour(t, 230);
                    list->AddRectFilled(from, to, IM_COL32(colour.red, colour.green, colour.blue, colour.alpha));
                }
                if (goals > 0) list->AddRect(from, to, IM_COL32(120, 255, 120, 255));
            }
        list->AddLine({origin.x, origin.y + cell * GridRows / 2.0f},
                      {origin.x + cell * GridCols, origin.y + cell * GridRows / 2.0f}, IM_COL32(150, 150, 170, 160));
        ImGui::Dummy({cell * GridCols, cell * GridRows});
        const char* const note = "zones with a goal are outlined green.";
        if (ImGui::GetContentRegionAvail().x >= cell * GridCols + style.ItemSpacing.x + ImGui::CalcTextSize(note).x)
            ImGui::SameLine();  // beside the grid where it fits, else under it
        ImGui::BeginGroup();
        ImGui::Text("%d matches", view.zones.matches);
        ImGui::Text("%d shots, %d goals", view.zones.shotTotal, view.zones.goalTotal);
        ImGui::TextDisabled("The attacked goal is at the top;");
        ImGui::TextDisabled("%s", note);
        ImGui::EndGroup();
    }
    ImGui::End();
}
