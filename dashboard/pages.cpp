// The pages, each read from the signed-in account's matches and rendered whole on the server; the
// script only draws the charts from the figures the page carries.
//
// [SECTION] Assets
// [SECTION] Figures in text
// [SECTION] Trends
// [SECTION] Sign-in
// [SECTION] Overview
// [SECTION] Matches
// [SECTION] Match
// [SECTION] Zones
// [SECTION] Compare
// [SECTION] Routes
#include "dashboard/pages.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/utc_timestamp.h"
#include "dashboard/field_picture.h"
#include "dashboard/html_text.h"
#include "dashboard/markup.h"
#include "dashboard/match_summary.h"
#include "dashboard/page_api.h"
#include "dashboard/page_layout.h"
#include "dashboard/period_trend.h"

namespace {

using dashboard::Fixed;
using dashboard::HttpRequest;
using dashboard::HttpResponse;
using dashboard::Markup;
using dashboard::PercentOf;
using dashboard::PerMinute;
using dashboard::Text;
using nlohmann::json;

//-----------------------------------------------------------------------------
// [SECTION] Assets
//-----------------------------------------------------------------------------

struct AssetFile {
    const char* name;  // under /assets/
    const char* path;  // in the web folder
};
constexpr AssetFile AssetFiles[] = {
    {"zando.css", "zando.css"},
    {"pages.js", "pages.js"},
    {"echarts.min.js", "node_modules/echarts/dist/echarts.min.js"},
    {"echarts-LICENSE.txt", "node_modules/echarts/LICENSE"},
};

std::string ContentType(const std::string& name) {
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    return "text/plain; charset=utf-8";
}

//-----------------------------------------------------------------------------
// [SECTION] Figures in text
//-----------------------------------------------------------------------------

// "2026-12-08T20:15:03Z" as "2026-12-08 20:15".
std::string When(const std::string& timestamp) {
    if (timestamp.size() < 16) return timestamp;
    return timestamp.substr(0, 10) + " " + timestamp.substr(11, 5);
}

// A time as the page says it before its script runs (UTC); the script says it in the reader's own
// time zone, from the datetime attribute.
Markup LocalTime(const std::string& timestamp) {
    return "<time datetime=\"" + Text(timestamp) + "\">" + Text(When(timestamp) + " UTC") + "</time>";
}

// A table cell holding text as it is (escaped here: no caller can forget to).
Markup Cell(const std::string& text, const char* classes = "num") {
    return "<td class=\"" + Text(classes) + "\">" + Text(text) + "</td>";
}

// The class of column i of a heading when it is one of extra, the columns a phone's narrow screen
// leaves out (by their place).
Markup ExtraColumnClass(const std::vector<std::size_t>& extra, std::size_t i) {
    return std::find(extra.begin(), extra.end(), i) != extra.end() ? Markup(" class=\"extra\"") : Markup();
}

Markup HeaderRow(const std::vector<std::string>& names, const std::vector<std::size_t>& extra = {}) {
    Markup row = "<thead><tr>";
    for (std::size_t i = 0; i < names.size(); ++i)
        row += "<th scope=\"col\"" + ExtraColumnClass(extra, i) + ">" + Text(names[i]) + "</th>";
    return row + "</tr></thead>";
}

// The columns of a table of matches, and those a phone leaves out (ranked, speed, time).
const std::vector<std::string> MatchColumns = {"Date",  "Playlist",     "Result",     "Ranked", "Shots",
                                               "Goals", "Speed (km/h)", "MMR change", "Time"};
const std::vector<std::size_t> MatchExtraColumns = {3, 6, 8};

// "1 match", "3 matches".
std::string Matches(int64_t count) { return std::to_string(count) + (count == 1 ? " match" : " matches"); }

std::string Percent(std::optional<double> value) { return value ? Fixed(*value, 1) + " %" : "–"; }

std::string MmrChange(const dashboard::UploadedMatch& m) { return m.mmr > 0.0 ? dashboard::Signed(m.mmrChange, 1) : "–"; }

// A table of matches, newest first, each row linking to its page.
Markup MatchRows(const std::vector<dashboard::StoredMatch>& matches) {
    Markup rows;
    for (const dashboard::StoredMatch& stored : matches) {
        const dashboard::UploadedMatch& m = stored.match;
        rows += "<tr><td><a href=\"/matches/" + Markup::Number(stored.id) + "\">" + LocalTime(m.timestamp) + "</a></td>" +
                Cell(m.playlist, "text") + Cell(dashboard::ResultText(m), "result") +
                Cell(m.isRanked ? "Yes" : "No", "text extra") + Cell(std::to_string(m.shots)) + Cell(std::to_string(m.goals)) +
                Cell(Fixed(m.averageSpeed * dashboard::KilometresPerHourPerUnit, 1), "num extra") + Cell(MmrChange(m)) +
                Cell(dashboard::Duration(m.gameTime), "num extra") + "</tr>\n";
    }
    return rows;
}

// Where to point ZANDO, said on every page that has no match to show.
Markup NoMatchesYet(const std::string& serverAddress) {
    return "<section class=\"empty\" aria-labelledby=\"empty-heading\">\n<h2 id=\"empty-heading\">No matches yet</h2>\n"
           "<p>Matches appear here as soon as ZANDO uploads them. In the game, open ZANDO's settings, tab "
           "<strong>Dashboard Integration</strong>:</p>\n<ol>\n<li>Server URL: <code>" +
           Text(serverAddress) +
           "</code></li>\n<li>API key: the key <code>zando-dashboard keys create</code> printed for this account</li>\n"
           "<li>Turn on <strong>Enable upload</strong>, then <strong>Test connection</strong>.</li>\n</ol>\n"
           "<p>Or in the console: <code>zando_server_url " +
           Text(serverAddress) +
           "; zando_api_key YOUR_KEY; zando_enable_upload 1</code>. Each finished match is then sent here.</p>\n</section>\n";
}

// The shots per block of a grid as a pitch chart's figures and its table.
struct PitchChart {
    json chart;
    Markup table;
};
PitchChart Pitch(const std::string& id, const dashboard::UploadGrid<int64_t>& shots) {
    json values = json::array();
    int64_t most = 0;
    Markup table = "<table class=\"grid\" id=\"" + Text(id) +
                   "-table\"><caption>Shots per block, row 1 at the top</caption><thead><tr><th scope=\"col\">Row</th>";
    for (int c = 0; c < dashboard::UploadGridSize; ++c) table += "<th scope=\"col\">" + Markup::Number(c + 1) + "</th>";
    table += "</tr></thead><tbody>";
    for (int r = 0; r < dashboard::UploadGridSize; ++r) {
        table += "<tr><th scope=\"row\">" + Markup::Number(r + 1) + "</th>";
        for (int c = 0; c < dashboard::UploadGridSize; ++c) {
            const int64_t count = shots[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            values.push_back({c, r, count});
            most = std::max(most, count);
            table += Cell(std::to_string(count));
        }
        table += "</tr>";
    }
    table += "</tbody></table>\n";
    return {{{"id", id}, {"kind", "pitch"}, {"values", values}, {"max", most}}, table};
}

struct Page {
    int status = 200;
    std::string html;
    std::string location;  // a redirect instead of a page
};

Page Shown(const Markup& html, int status = 200) {
    Page page;
    page.status = status;
    page.html = html.ToString();
    return page;
}

struct Context {
    dashboard::Storage& storage;
    int64_t accountId;
    std::string account;
    std::string serverAddress;  // as the browser reached it, for the empty state's instructions
};

// "Heading (unit)", or the heading alone.
std::string Titled(const char* heading, const char* unit) {
    return std::string(heading) + (*unit ? std::string(" (") + unit + ")" : "");
}

//-----------------------------------------------------------------------------
// [SECTION] Trends
//-----------------------------------------------------------------------------

struct TrendSeries {
    TrendSeries(const char* id, const char* heading, const char* unit) : id(id), heading(heading), unit(unit) {}
    const char* id;
    const char* heading;
    const char* unit;
    json values = json::array();
    json labels;  // null: the table's
    json groups;  // null: one line; else each value's line
};

// The trend charts of the chosen matches and the table of their figures.
struct TrendTable {
    int64_t matches = 0;
    std::string along;  // how the points go: "match by match", "a day at a time", ...
    std::vector<std::string> leadColumns;
    json labels = json::array();
    std::vector<TrendSeries> series;
    Markup rows;
    bool labelsAreTimes = false;  // timestamps (a point a match), not periods
};

std::vector<TrendSeries> TrendCharts(bool perMatch) {
    return {{"trend-mmr", "MMR", ""},
            {"trend-speed", "Average speed", "km/h"},
            {"trend-boost-collected", "Boost collected", "per minute"},
            {"trend-boost-used", "Boost used", "per minute"},
            {"trend-shots", "Shots", perMatch ? "" : "per match"},
            {"trend-goals", "Goals", perMatch ? "" : "per match"},
            {"trend-shooting", "Shooting percentage", "%"},
            {"trend-possession", "Possession", "% of the match"}};
}

json OptionalNumber(const std::optional<double>& value) { return value ? json(*value) : json(nullptr); }

Markup FigureCell(const json& value) {
    return Cell(value.is_null() ? "–" : value.is_number_integer() ? value.dump() : Fixed(value.get<double>(), 1));
}

// A point a match; matches: newest first.
TrendTable MatchTrendTable(std::vector<dashboard::StoredMatch> matches) {
    TrendTable table;
    table.matches = std::ssize(matches);
    table.along = "oldest to newest, match by match";
    table.labelsAreTimes = true;
    table.leadColumns = {"Date"};
    table.series = TrendCharts(true);
    json playlists = json::array();
    for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
        const dashboard::TrendPoint point = dashboard::TrendOf(*it);
        table.labels.push_back(point.timestamp);  // told in the reader's time zone by the page's script
        playlists.push_back(it->match.playlist);
        const json values[] = {OptionalNumber(point.mmr),
                               point.speedKmh,
                               point.boostCollectedPerMinute,
                               point.boostUsedPerMinute,
                               point.shots,
                               point.goals,
                               OptionalNumber(point.shootingPercent),
                               point.possessionPercent};
        table.rows += "<tr><th scope=\"row\">" + LocalTime(point.timestamp) + "</th>";
        for (std::size_t i = 0; i < table.series.size(); ++i) {
            table.series[i].values.push_back(values[i]);
            table.rows += FigureCell(values[i]);
        }
        table.rows += "</tr>\n";
    }
    table.series[0].groups = playlists;
    return table;
}

// A point a day or a month; the rating a point a playlist rated in the period.
TrendTable PeriodTrendTable(const dashboard::PeriodTrend& trend) {
    const std::string step = dashboard::StepName(trend.step);
    TrendTable table;
    table.matches = trend.matches;
    table.along = "oldest to newest, a " + step + " at a time";
    table.leadColumns = {std::string(1, static_cast<char>(std::toupper(step[0]))) + step.substr(1) + " (UTC)", "Matches"};
    table.series = TrendCharts(false);
    TrendSeries& rating = table.series[0];
    rating.labels = rating.groups = json::array();
    for (const dashboard::PeriodPoint& point : trend.points) {
        table.labels.push_back(point.period);
        std::string ratings;
        for (const auto& [playlist, value] : point.ratings) {
            rating.labels.push_back(point.period);
            rating.values.push_back(value);
            rating.groups.push_back(playlist);
            ratings += (ratings.empty() ? "" : ", ") + playlist + " " + Fixed(value, 1);
        }
        const json values[] = {point.speedKmh,         point.boostCollectedPerMinute, point.boostUsedPerMinute,
                               point.shotsPerMatch,    point.goalsPerMatch,           OptionalNumber(point.shootingPercent),
                               point.possessionPercent};
        table.rows += "<tr><th scope=\"row\">" + Text(point.period) + "</th>" + FigureCell(point.matches) +
                      Cell(ratings.empty() ? "–" : ratings, "text");
        for (std::size_t i = 1; i < table.series.size(); ++i) {
            table.series[i].values.push_back(values[i - 1]);
            table.rows += FigureCell(values[i - 1]);
        }
        table.rows += "</tr>\n";
    }
    return table;
}

//-----------------------------------------------------------------------------
// [SECTION] Sign-in
//-----------------------------------------------------------------------------

Markup SignInPage(const std::string& failed) {
    Markup content;
    if (failed == "unknown") content += "<p class=\"problem\" role=\"alert\">That API key is not known here.</p>\n";
    if (failed == "revoked") content += "<p class=\"problem\" role=\"alert\">That API key was revoked.</p>\n";
    if (failed == "busy")
        content += "<p class=\"problem\" role=\"alert\">Too many sign-in attempts from here: try again in a minute.</p>\n";
    content +=
        "<form id=\"signin-form\" class=\"signin\" method=\"post\" action=\"/signin\">\n"
        "<label for=\"key\">API key</label>\n<input id=\"key\" name=\"key\" type=\"password\" autocomplete=\"off\" required>\n"
        "<button type=\"submit\">Sign in</button>\n</form>\n"
        "<p>Sign in with your account's API key, the one ZANDO uploads with, or open the sign-in link "
        "<code>zando-dashboard keys create</code> printed.</p>\n";
    return dashboard::PageDocument({"Sign in", "", "", nullptr}, content);
}

//-----------------------------------------------------------------------------
// [SECTION] Overview
//-----------------------------------------------------------------------------

// playlistChosen: the reader chose a playlist (or every one); otherwise the trends are of the one
// played most, since figures of different playlists (a duel's and a team's) do not chart as one.
Page Overview(const Context& context, const dashboard::PageFilters& filters, bool playlistChosen) {
    const dashboard::SessionSummary session = dashboard::RecentSession(context.storage, context.accountId);
    if (session.accountMatches == 0)
        return Shown(dashboard::PageDocument({"Overview", context.account, "/", nullptr}, NoMatchesYet(context.serverAddress)));

    Markup content = "<p id=\"match-count\">" + Text(Matches(session.accountMatches)) + " uploaded.</p>\n";
    content += "<section aria-labelledby=\"session-heading\">\n<h2 id=\"session-heading\">" +
               Text(session.ongoing ? "This session" : "Last session") + "</h2>\n<p>From " + LocalTime(session.started) + " to " +
               LocalTime(session.ended) +
               ". A session ends after an hour without a match.</p>\n<div class=\"table-wrap\" tabindex=\"0\"><table "
               "id=\"session\"><caption>Matches, wins, losses "
               "and MMR gained per playlist</caption>" +
               HeaderRow({"Playlist", "Matches", "Wins", "Losses", "MMR gained"}) + "<tbody>";
    for (const dashboard::PlaylistSession& playlist : session.playlists)
        content += "<tr><th scope=\"row\">" + Text(playlist.playlist) + "</th>" + Cell(std::to_string(playlist.matches)) +
                   Cell(std::to_string(playlist.wins)) + Cell(std::to_string(playlist.losses)) +
                   Cell(dashboard::Signed(playlist.mmrGained, 1)) + "</tr>\n";
    content +=
        "</tbody></table></div>\n<p class=\"note\">Wins and losses are the score's; of a match sent without its score "
        "(by an older ZANDO), a ranked match's MMR change tells.</p>\n</section>\n";

    // Every match of many is charted a period at a time, from the running totals.
    dashboard::PageFilters trendFilters = filters;
    if (!playlistChosen) trendFilters.playlist = context.storage.MostPlayedPlaylist(context.accountId);
    dashboard::ChosenMatches chosen =
        dashboard::ChooseMatches(context.storage, context.accountId, dashboard::FilterQuery(trendFilters));
    std::vector<dashboard::StoredMatch>& matches = chosen.matches.matches;
    // The last matches are of the filters as chosen (every playlist, unless one was).
    std::vector<dashboard::StoredMatch> newest;
    if (trendFilters.playlist == filters.playlist) {
        newest.assign(matches.begin(), matches.begin() + std::min<std::ptrdiff_t>(5, std::ssize(matches)));
    } else {
        dashboard::MatchQuery last = dashboard::FilterQuery(filters);
        last.limit = 5;
        last.withZones = false;
        newest = context.storage.FindMatches(context.accountId, last).matches;
    }
    content +=
        "<section aria-labelledby=\"last-heading\">\n<h2 id=\"last-heading\">Last matches</h2>\n"
        "<div class=\"table-wrap\" tabindex=\"0\"><table id=\"last-matches\"><caption>The newest matches of the chosen "
        "range</caption>" +
        HeaderRow(MatchColumns, MatchExtraColumns) + "<tbody>" + MatchRows(newest) + "</tbody></table></div>\n</section>\n";

    const TrendTable trend = chosen.periods ? PeriodTrendTable(*chosen.periods) : MatchTrendTable(std::move(matches));
    json charts = json::array();
    Markup figures;
    const std::string count = Matches(trend.matches);
    for (const TrendSeries& one : trend.series) {
        json chart = {{"id", one.id},
                      {"kind", "line"},
                      {"name", one.heading},
                      {"unit", one.unit},
                      {"labels", one.labels.is_null() ? trend.labels : one.labels},
                      {"times", trend.labelsAreTimes},
                      {"values", one.values}};
        if (!one.groups.is_null()) chart["groups"] = one.groups;  // each playlist's rating: a line each
        charts.push_back(chart);
        figures += dashboard::ChartFigure(
            one.id, Titled(one.heading, one.unit),
            std::string(one.heading) + " over " + count + ", " + trend.along + "; every figure is in the table below the charts",
            Markup());
    }
    std::vector<std::string> columns = trend.leadColumns;
    for (const TrendSeries& one : trend.series) columns.push_back(Titled(one.heading, one.unit));
    content += "<section aria-labelledby=\"trend-heading\">\n<h2 id=\"trend-heading\">Trends</h2>\n" +
               dashboard::FilterForm("/", trendFilters, context.storage.Playlists(context.accountId)) +
               (playlistChosen ? Markup()
                               : "<p id=\"trend-playlist\">" + Text(trendFilters.playlist) +
                                     ", the playlist you play most: choose another, or every playlist, above.</p>\n") +
               "<p id=\"trend-count\">" + Text(count) + " charted.</p>\n";
    content += trend.matches == 0
                   ? Markup("<p>No match in this range.</p>\n")
                   : "<div class=\"charts\">\n" + figures + "</div>\n<details><summary>The charted figures, " +
                         Text(trend.along) + "</summary>\n<div class=\"table-wrap\" tabindex=\"0\"><table id=\"trend-table\">" +
                         HeaderRow(columns) + "<tbody>" + trend.rows + "</tbody></table></div></details>\n";
    content += "</section>\n";
    return Shown(dashboard::PageDocument({"Overview", context.account, "/", charts}, content));
}

//-----------------------------------------------------------------------------
// [SECTION] Matches
//-----------------------------------------------------------------------------

Page MatchList(const Context& context, const HttpRequest& request) {
    constexpr int64_t PerPage = 25;
    dashboard::MatchQuery query;
    query.withZones = false;
    query.limit = PerPage;
    query.sort = request.HasParam("sort") ? request.Param("sort") : "time";
    if (std::find(dashboard::MatchSortKeys.begin(), dashboard::MatchSortKeys.end(), query.sort) == dashboard::MatchSortKeys.end())
        query.sort = "time";
    query.descending = request.Param("order") != "asc";
    int64_t page = 1;
    try {
        page = std::clamp<int64_t>(std::stoll(request.Param("page")), 1, INT64_MAX / PerPage);
    } catch (const std::exception&) {
    }
    query.offset = (page - 1) * PerPage;
    const dashboard::MatchPage found = context.storage.FindMatches(context.accountId, query);
    if (found.total == 0)
        return Shown(
            dashboard::PageDocument({"Matches", context.account, "/matches", nullptr}, NoMatchesYet(context.serverAddress)));
    const int64_t pages = std::max<int64_t>(1, (found.total + PerPage - 1) / PerPage);
    const auto link = [&](int64_t toPage, const std::string& sort, bool descending) {
        return "/matches" +
               dashboard::Query({{"sort", sort}, {"order", descending ? "desc" : "asc"}, {"page", std::to_string(toPage)}});
    };
    Markup content = "<p id=\"match-count\">" + Text(Matches(found.total)) +
                     ". Choose a heading to sort by it.</p>\n"
                     "<div class=\"table-wrap\" tabindex=\"0\"><table id=\"matches\"><caption>Every match, " +
                     Markup::Number(PerPage) + " a page</caption><thead><tr>";
    const std::string sortKeys[] = {"time", "", "", "", "shots", "goals", "averageSpeed", "mmrChange", "gameTime"};
    for (std::size_t i = 0; i < MatchColumns.size(); ++i) {
        const std::string& name = MatchColumns[i];
        const std::string& key = sortKeys[i];
        const Markup extra = ExtraColumnClass(MatchExtraColumns, i);
        if (key.empty()) {
            content += "<th scope=\"col\"" + extra + ">" + Text(name) + "</th>";
            continue;
        }
        const bool current = key == query.sort;
        content += "<th scope=\"col\"" + extra +
                   (!current           ? Markup()
                    : query.descending ? Markup(" aria-sort=\"descending\"")
                                       : Markup(" aria-sort=\"ascending\"")) +
                   "><a href=\"" + Text(link(1, key, current ? !query.descending : true)) + "\">" + Text(name) +
                   (!current           ? Markup()
                    : query.descending ? Markup(" ▼")
                                       : Markup(" ▲")) +
                   "</a></th>";
    }
    content += "</tr></thead><tbody>" + MatchRows(found.matches) + "</tbody></table></div>\n";
    content += "<nav class=\"pages\" aria-label=\"Pages of matches\">";
    if (page > 1) content += "<a rel=\"prev\" href=\"" + Text(link(page - 1, query.sort, query.descending)) + "\">Previous</a> ";
    content += "<span id=\"page-of\">Page " + Markup::Number(page) + " of " + Markup::Number(pages) + "</span>";
    if (page < pages) content += " <a rel=\"next\" href=\"" + Text(link(page + 1, query.sort, query.descending)) + "\">Next</a>";
    content += "</nav>\n";
    return Shown(dashboard::PageDocument({"Matches", context.account, "/matches", nullptr}, content));
}

//-----------------------------------------------------------------------------
// [SECTION] Match
//-----------------------------------------------------------------------------

Page OneMatch(const Context& context, int64_t matchId) {
    const std::optional<dashboard::StoredMatch> found = context.storage.FindMatch(context.accountId, matchId);
    if (!found)
        return Shown(dashboard::PageDocument({"No such match", context.account, "", nullptr},
                                             "<p>There is no match of yours at this address. <a href=\"/matches\">Every "
                                             "match</a></p>\n"),
                     404);
    const dashboard::UploadedMatch& m = found->match;
    dashboard::MatchQuery same;
    same.playlist = m.playlist;
    same.limit = -1;  // every match of the playlist, not a page of them
    const dashboard::MatchAverages mean = context.storage.Averages(context.accountId, same);
    struct Figure {
        const char* name;
        std::string value, average;
        const char* unit;
    };
    const auto share = [](double part, double whole) { return Fixed(PercentOf(part, whole), 1); };
    std::vector<Figure> figures = {
        {"Shots", std::to_string(m.shots), Fixed(mean.shots, 1), ""},
        {"Goals", std::to_string(m.goals), Fixed(mean.goals, 1), ""},
        {"Shooting percentage",
         Percent(m.shots > 0 ? std::optional(PercentOf(static_cast<double>(m.goals), static_cast<double>(m.shots)))
                             : std::nullopt),
         Percent(mean.shots > 0 ? std::optional(PercentOf(mean.goals, mean.shots)) : std::nullopt), "goals per shot"},
        {"Average speed", Fixed(m.averageSpeed * dashboard::KilometresPerHourPerUnit, 1),
         Fixed(mean.averageSpeed * dashboard::KilometresPerHourPerUnit, 1), "km/h"},
        {"Speed samples", std::to_string(m.speedSamples), Fixed(mean.speedSamples, 0), ""},
        {"Boost collected", Fixed(m.boostCollected, 0), Fixed(mean.boostCollected, 0), "boost"},
        {"Boost collected per minute", Fixed(PerMinute(m.boostCollected, m.gameTime), 1),
         Fixed(PerMinute(mean.boostCollected, mean.gameTime), 1), "boost/min"},
        {"Boost used", Fixed(m.boostUsed, 0), Fixed(mean.boostUsed, 0), "boost"},
        {"Boost used per minute", Fixed(PerMinute(m.boostUsed, m.gameTime), 1),
         Fixed(PerMinute(mean.boostUsed, mean.gameTime), 1), "boost/min"},
        {"Time played", dashboard::Duration(m.gameTime), dashboard::Duration(mean.gameTime), "min:s"},
    };
    // The player's possession, and the team's where it is not the same figure (a duel's is).
    const bool ownIsTeams = m.possessionTime == m.teamPossessionTime;
    figures.push_back({ownIsTeams ? "Possession (you and your team)" : "Possession", share(m.possessionTime, m.gameTime),
                       share(mean.possessionTime, mean.gameTime), "% of the match"});
    if (!ownIsTeams)
        figures.push_back({"Team possession", share(m.teamPossessionTime, m.gameTime),
                           share(mean.teamPossessionTime, mean.gameTime), "% of the match"});
    figures.push_back({"Opponents' possession", share(m.opponentPossessionTime, m.gameTime),
                       share(mean.opponentPossessionTime, mean.gameTime), "% of the match"});
    if (m.whole)
        for (const auto& [name, count] :
             {std::pair{"Saves", m.whole->saves}, std::pair{"Assists", m.whole->assists},
              std::pair{"Demolitions", m.whole->demolitions}, std::pair{"Times demolished", m.whole->demolished}})
            figures.push_back({name, std::to_string(count), "", ""});
    figures.push_back({"MMR before", m.mmr > 0.0 ? Fixed(m.mmr, 1) : "–", "", ""});
    figures.push_back({"MMR change", MmrChange(m), dashboard::Signed(mean.mmrChange, 1), ""});
    const bool started = m.whole && !m.whole->startedAt.empty();
    Markup content = "<p id=\"match-facts\">" + Text(m.playlist) + (m.isRanked ? Markup(" (ranked)") : Markup(" (casual)")) +
                     (m.whole ? Markup(": <strong id=\"result\">") + Text(dashboard::ResultText(m)) + "</strong>" : Markup()) +
                     (started ? ", started " + LocalTime(m.whole->startedAt) + ", ended " : Markup(", played ")) +
                     LocalTime(m.timestamp) + ", received " + LocalTime(found->receivedAt) + ".</p>\n" +
                     (m.whole ? Markup()
                              : Markup("<p class=\"note\">Sent by a ZANDO that does not send the score, the saves, assists "
                                       "and demolitions, nor where each shot happened.</p>\n")) +
                     "<div class=\"table-wrap\" tabindex=\"0\"><table id=\"figures\"><caption>This match beside the average of " +
                     Markup::Number(mean.matches) + " " + Text(m.playlist) + " matches</caption>" +
                     HeaderRow({"Figure", "This match", "Playlist average", "Unit"}) + "<tbody>";
    for (const Figure& figure : figures)
        content += "<tr><th scope=\"row\">" + Text(figure.name) + "</th>" + Cell(figure.value) + Cell(figure.average) +
                   Cell(figure.unit, "text") + "</tr>\n";
    content += "</tbody></table></div>\n";
    const dashboard::ZoneShots zones = dashboard::ShotsByBlock({*found});
    const PitchChart pitch = Pitch("match-shots", zones.shots);
    content += "<section aria-labelledby=\"pitch-heading\"><h2 id=\"pitch-heading\">Where the shots came from</h2>\n" +
               dashboard::ChartFigure("match-shots", "Shots per block of the field",
                                      "The field in 10 by 10 blocks coloured by the match's shots from each; the counts "
                                      "are in the table below",
                                      pitch.table) +
               (m.whole ? dashboard::FieldPicture(*m.whole) : Markup()) + "</section>\n";
    return Shown(dashboard::PageDocument(
        {"Match of " + When(m.timestamp), context.account, "/matches", json::array({pitch.chart})}, content));
}

//-----------------------------------------------------------------------------
// [SECTION] Zones
//-----------------------------------------------------------------------------

Page ZonesPage(const Context& context, const dashboard::PageFilters& filters) {
    const std::vector<std::string> playlists = context.storage.Playlists(context.accountId);
    if (playlists.empty())
        return Shown(dashboard::PageDocument({"Zones", context.account, "/zones", nullptr}, NoMatchesYet(context.serverAddress)));
    const dashboard::ZoneShots zones =
        dashboard::ShotsByBlock(context.storage, context.accountId, dashboard::FilterQuery(filters));
    int64_t placed = 0;
    for (const auto& row : zones.shots)
        for (const int64_t count : row) placed += count;
    Markup content = dashboard::FilterForm("/zones", filters, playlists);
    content +=
        "<p id=\"zone-summary\">" + Text(Matches(zones.matches)) + ": " + Markup::Number(placed) +
        " shots placed on the field (" + Markup::Number(zones.shotTotal) + " counted), " + Markup::Number(zones.goalTotal) +
        " goals, " +
        Text(Fixed(zones.matches > 0 ? static_cast<double>(zones.goalTotal) / static_cast<double>(zones.matches) : 0.0, 2)) +
        " goals per match.</p>\n";
    const PitchChart pitch = Pitch("zones", zones.shots);
    content += dashboard::ChartFigure("zones", "Shots per block of the field",
                                      "The field in 10 by 10 blocks coloured by how many shots came from each, from blue "
                                      "(few) to red (most); the counts are in the table below",
                                      pitch.table);
    content +=
        "<p class=\"note\">Goals are given per match, not per block: the upload keeps each block's goals as the "
        "whole part of their mean over the block's zones, which is 0 unless a block holds as many goals as it has "
        "zones (30 or more), so the goals' places cannot be told back. A match sent whole says where each shot and "
        "goal happened: those are below, to scale.</p>\n";
    int64_t placedShots = 0;
    for (const auto& row : zones.places.shots)
        for (const int64_t count : row) placedShots += count;
    content +=
        "<section aria-labelledby=\"density-heading\"><h2 id=\"density-heading\">On the field to scale</h2>\n<p "
        "id=\"density-summary\">" +
        Markup::Number(placedShots) + " of the " + Markup::Number(zones.shotTotal) +
        " shots counted have their place (from the matches sent whole).</p>\n" + dashboard::FieldDensityPicture(zones.places) +
        "</section>\n";
    return Shown(dashboard::PageDocument({"Zones", context.account, "/zones", json::array({pitch.chart})}, content));
}

//-----------------------------------------------------------------------------
// [SECTION] Compare
//-----------------------------------------------------------------------------

struct Side {
    std::string account, from, to;
};

// The date days before date (both YYYY-MM-DD).
std::string DaysBefore(const std::string& date, int days) {
    int y = 0;
    unsigned m = 0, d = 0;
    std::sscanf(date.c_str(), "%d-%u-%u", &y, &m, &d);
    const std::chrono::year_month_day day{std::chrono::sys_days{std::chrono::year{y} / m / d} - std::chrono::days{days}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                  static_cast<unsigned>(day.day()));
    return text;
}

// The page opened without a choice: the account's last 30 days beside the 30 before them.
std::pair<Side, Side> OwnLastTwoMonths(const std::string& account) {
    const std::string today = zando::UtcTimestamp().substr(0, 10);
    return {Side{account, DaysBefore(today, 59), DaysBefore(today, 30)}, Side{account, DaysBefore(today, 29), today}};
}

Page ComparePage(const Context& context, const Side& left, const Side& right, const std::string& playlist) {
    Markup content =
        "<p>Two accounts side by side (yours or one that made its page public), or two periods of one.</p>\n"
        "<form class=\"compare\" method=\"get\" action=\"/compare\">\n";
    std::vector<std::optional<dashboard::MatchAverages>> means;
    Markup problems;
    for (const auto& [side, suffix, name] : {std::tuple{&left, "1", "Left"}, std::tuple{&right, "2", "Right"}}) {
        content += "<fieldset><legend>" + Text(name) + "</legend><label>Account <input name=\"account" + Text(suffix) +
                   "\" list=\"accounts\" value=\"" + Text(side->account) +
                   "\"></label> <label>From <input type=\"date\" name=\"from" + Text(suffix) + "\" value=\"" + Text(side->from) +
                   "\"></label> <label>To <input type=\"date\" name=\"to" + Text(suffix) + "\" value=\"" + Text(side->to) +
                   "\"></label></fieldset>\n";
        const std::optional<dashboard::Account> account = context.storage.FindAccount(side->account);
        if (!account || (account->id != context.accountId && !account->isPublic)) {
            problems += "<p class=\"problem\" role=\"alert\">No public account is named \"" + Text(side->account) + "\".</p>\n";
            means.push_back(std::nullopt);
            continue;
        }
        const dashboard::PageFilters chosen = dashboard::ReadFilters(playlist, side->from, side->to, "all", "all");
        if (!chosen.problem.empty()) problems += "<p class=\"problem\" role=\"alert\">" + Text(chosen.problem) + "</p>\n";
        means.push_back(context.storage.Averages(account->id, dashboard::FilterQuery(chosen)));
    }
    content += "<label>Playlist <select name=\"playlist\"><option value=\"\">Every playlist</option>";
    for (const std::string& name : context.storage.Playlists(context.accountId))
        content += "<option value=\"" + Text(name) + "\"" + (name == playlist ? Markup(" selected") : Markup()) + ">" +
                   Text(name) + "</option>";
    content += "</select></label>\n<button type=\"submit\">Compare</button>\n</form>\n" + problems;
    // The accounts to choose from: this one and those made public.
    content += "<datalist id=\"accounts\"><option value=\"" + Text(context.account) + "\">";
    for (const std::string& other : context.storage.PublicAccounts())
        if (other != context.account) content += "<option value=\"" + Text(other) + "\">";
    content += "</datalist>\n";
    if (!means[0] || !means[1]) return Shown(dashboard::PageDocument({"Compare", context.account, "/compare", nullptr}, content));
    const auto label = [](const Side& side) {
        return side.account + (side.from.empty() && side.to.empty()
                                   ? ""
                                   : ", " + (side.from.empty() ? "…" : side.from) + " to " + (side.to.empty() ? "…" : side.to));
    };
    const std::vector<std::pair<const char*, double (*)(const dashboard::MatchAverages&)>> rows = {
        {"Matches", [](const dashboard::MatchAverages& a) { return static_cast<double>(a.matches); }},
        {"Shots per match", [](const dashboard::MatchAverages& a) { return a.shots; }},
        {"Goals per match", [](const dashboard::MatchAverages& a) { return a.goals; }},
        {"Shooting percentage (%)", [](const dashboard::MatchAverages& a) { return PercentOf(a.goals, a.shots); }},
        {"Average speed (km/h)",
         [](const dashboard::MatchAverages& a) { return a.averageSpeed * dashboard::KilometresPerHourPerUnit; }},
        {"Boost collected per minute", [](const dashboard::MatchAverages& a) { return PerMinute(a.boostCollected, a.gameTime); }},
        {"Boost used per minute", [](const dashboard::MatchAverages& a) { return PerMinute(a.boostUsed, a.gameTime); }},
        {"Possession (% of the match)",
         [](const dashboard::MatchAverages& a) { return PercentOf(a.possessionTime, a.gameTime); }},
        {"MMR change per match", [](const dashboard::MatchAverages& a) { return a.mmrChange; }},
    };
    content += "<div class=\"table-wrap\" tabindex=\"0\"><table id=\"comparison\"><caption>Averages per match" +
               (playlist.empty() ? Markup() : " of " + Text(playlist)) + "</caption>" +
               HeaderRow({"Figure", label(left), label(right), "Difference (right − left)"}) + "<tbody>";
    for (const auto& [name, figure] : rows) {
        const int decimals = name == std::string("Matches") ? 0 : 1;
        content += "<tr><th scope=\"row\">" + Text(name) + "</th>" + Cell(Fixed(figure(*means[0]), decimals)) +
                   Cell(Fixed(figure(*means[1]), decimals)) +
                   Cell(dashboard::Signed(figure(*means[1]) - figure(*means[0]), decimals)) + "</tr>\n";
    }
    content += "</tbody></table></div>\n";
    return Shown(dashboard::PageDocument({"Compare", context.account, "/compare", nullptr}, content));
}

void Send(HttpResponse& response, const Page& page) {
    response.status = page.status;
    // Scripts and styles from this service only; ECharts' tooltips set inline styles.
    response.SetHeader("Content-Security-Policy",
                       "default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
                       "frame-ancestors 'none'; form-action 'self'");
    response.SetHeader("X-Content-Type-Options", "nosniff");
    response.SetHeader("Referrer-Policy", "no-referrer");
    response.SetHeader("Cache-Control", "no-store");
    if (!page.location.empty()) response.SetHeader("Location", page.location);
    response.SetContent(page.html, "text/html; charset=utf-8");
}

}  // namespace

namespace dashboard {

//-----------------------------------------------------------------------------
// [SECTION] Routes
//-----------------------------------------------------------------------------

std::optional<WebAssets> ReadWebAssets(const std::filesystem::path& folder, std::string& missing) {
    WebAssets assets;
    for (const AssetFile& file : AssetFiles) {
        std::ifstream in(folder / file.path, std::ios::binary);
        std::ostringstream content;
        if (!(in && content << in.rdbuf())) {
            missing = (folder / file.path).string();
            return std::nullopt;
        }
        assets.files[file.name] = content.str();
    }
    return assets;
}

void AddPages(HttpServer& server, Storage& storage, const ServerSecret& secret, const WebAssets& assets, bool tls) {
    server.Get(R"(/assets/([A-Za-z0-9.\-]+))", [&assets](const HttpRequest& request, HttpResponse& response) {
        const auto found = assets.files.find(request.matches[1]);
        if (found == assets.files.end()) {
            response.status = 404;
            return response.SetContent("no such file", "text/plain");
        }
        response.SetHeader("Cache-Control", "max-age=3600");
        response.SetHeader("X-Content-Type-Options", "nosniff");
        response.SetContent(found->second, ContentType(found->first));
    });

    // Browsers ask for an icon even for a text file; there is none.
    server.Get("/favicon.ico", [](const HttpRequest&, HttpResponse& response) { response.status = 204; });

    server.Get("/signin", [](const HttpRequest& request, HttpResponse& response) {
        Send(response, Shown(SignInPage(request.Param("failed"))));
    });

    // Each page for the signed-in account; without a sign-in, the sign-in page.
    const auto page = [&storage, &secret, tls](auto render) {
        return [&storage, &secret, tls, render](const HttpRequest& request, HttpResponse& response) {
            const std::optional<int64_t> accountId = SignedInAccount(request, storage, secret);
            const std::optional<Account> account = accountId ? storage.AccountById(*accountId) : std::nullopt;
            if (!account) {
                Page signIn;
                signIn.status = 303;
                signIn.location = "/signin";
                return Send(response, signIn);
            }
            const Context context{storage, account->id, account->name,
                                  std::string(tls ? "https://" : "http://") + request.Header("Host")};
            Send(response, render(context, request));
        };
    };
    const auto filters = [](const HttpRequest& request, const std::string& defaultLast) {
        return ReadFilters(request.Param("playlist"), request.Param("from"), request.Param("to"), request.Param("last"),
                           defaultLast);
    };
    server.Get("/", page([filters](const Context& context, const HttpRequest& request) {
                   return Overview(context, filters(request, "50"), request.HasParam("playlist"));
               }));
    server.Get("/matches", page([](const Context& context, const HttpRequest& request) { return MatchList(context, request); }));
    server.Get(R"(/matches/(\d{1,18}))", page([](const Context& context, const HttpRequest& request) {
                   return OneMatch(context, std::stoll(request.matches[1]));
               }));
    server.Get("/zones", page([filters](const Context& context, const HttpRequest& request) {
                   return ZonesPage(context, filters(request, "50"));
               }));
    server.Get("/compare", page([](const Context& context, const HttpRequest& request) {
                   const auto side = [&](const char* suffix, const std::string& otherwise) {
                       const std::string account = request.Param((std::string("account") + suffix).c_str());
                       return Side{account.empty() ? otherwise : account, request.Param((std::string("from") + suffix).c_str()),
                                   request.Param((std::string("to") + suffix).c_str())};
                   };
                   if (request.params.empty()) {
                       const auto [left, right] = OwnLastTwoMonths(context.account);
                       return ComparePage(context, left, right, "");
                   }
                   return ComparePage(context, side("1", context.account), side("2", context.account), request.Param("playlist"));
               }));
}

}  // namespace dashboard
