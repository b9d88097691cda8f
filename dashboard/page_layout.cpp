// The pages' shared document, filter form and chart frame.
#include "dashboard/page_layout.h"

#include "dashboard/html_text.h"
#include "dashboard/periods.h"

namespace dashboard {

Markup PageDocument(const PageFrame& frame, const Markup& content) {
    Markup page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    page += Text(frame.title) +
            " · ZANDO dashboard</title>\n<link rel=\"icon\" href=\"data:,\">\n<link rel=\"stylesheet\" "
            "href=\"/assets/zando.css\">\n</head>\n<body>\n"
            "<header class=\"top\">\n<a class=\"brand\" href=\"/\">ZANDO</a>\n";
    if (!frame.account.empty()) {
        page += "<nav aria-label=\"Pages\"><ul>";
        for (const auto& [address, name] : std::vector<std::pair<std::string, std::string>>{
                 {"/", "Overview"}, {"/matches", "Matches"}, {"/zones", "Zones"}, {"/compare", "Compare"}})
            page += "<li><a href=\"" + Text(address) + "\"" + (address == frame.active ? Markup(" aria-current=\"page\"") : "") +
                    ">" + Text(name) + "</a></li>";
        page += "</ul></nav>\n<form class=\"signout\" method=\"post\" action=\"/signout\"><span>Signed in as <strong>" +
                Text(frame.account) + "</strong></span> <button type=\"submit\">Sign out</button></form>\n";
    }
    page += "</header>\n<main>\n<h1>" + Text(frame.title) + "</h1>\n" + content + "</main>\n";
    if (!frame.charts.is_null())
        page +=
            "<footer>Charts drawn with Apache ECharts (<a href=\"/assets/echarts-LICENSE.txt\">its licence</a>).</footer>\n"
            "<script type=\"application/json\" id=\"charts\">" +
            Markup::Json(frame.charts) + "</script>\n<script src=\"/assets/echarts.min.js\"></script>\n";
    page += "<script src=\"/assets/pages.js\"></script>\n</body>\n</html>\n";
    return page;
}

PageFilters ReadFilters(const std::string& playlist, const std::string& from, const std::string& to, const std::string& last,
                        const std::string& defaultLast) {
    PageFilters filters;
    filters.playlist = playlist;
    filters.last = last.empty() ? defaultLast : last;
    if (!LastMatchesLimit(filters.last)) {
        filters.problem = "\"Matches\" is 10, 50 or all; all are shown.";
        filters.last = "all";
    }
    for (const auto& [text, into] : {std::pair{&from, &filters.fromDate}, std::pair{&to, &filters.toDate}}) {
        if (text->empty()) continue;
        if (IsDate(*text))
            *into = *text;
        else
            filters.problem = "A date is written YYYY-MM-DD (\"" + *text + "\" was left out).";
    }
    return filters;
}

MatchQuery FilterQuery(const PageFilters& filters) {
    MatchQuery query;
    query.playlist = filters.playlist;
    query.from = filters.fromDate;  // dates: whole days
    query.to = filters.toDate;
    query.limit = LastMatchesLimit(filters.last).value_or(-1);
    query.withZones = false;
    return query;
}

Markup FilterForm(const std::string& action, const PageFilters& filters, const std::vector<std::string>& playlists) {
    Markup form;
    if (!filters.problem.empty()) form += "<p class=\"problem\" role=\"alert\">" + Text(filters.problem) + "</p>\n";
    form += "<form class=\"filters\" method=\"get\" action=\"" + Text(action) +
            "\">\n<label>Playlist <select name=\"playlist\"><option value=\"\">Every playlist</option>";
    for (const std::string& name : playlists)
        form += "<option value=\"" + Text(name) + "\"" + (name == filters.playlist ? Markup(" selected") : "") + ">" +
                Text(name) + "</option>";
    form += "</select></label>\n<label>From <input type=\"date\" name=\"from\" value=\"" + Text(filters.fromDate) +
            "\"></label>\n<label>To <input type=\"date\" name=\"to\" value=\"" + Text(filters.toDate) +
            "\"></label>\n<label>Matches <select name=\"last\">";
    for (const auto& [value, name] :
         std::vector<std::pair<std::string, std::string>>{{"10", "Last 10"}, {"50", "Last 50"}, {"all", "All"}})
        form += "<option value=\"" + Text(value) + "\"" + (value == filters.last ? Markup(" selected") : "") + ">" + Text(name) +
                "</option>";
    form += "</select></label>\n<button type=\"submit\">Show</button>\n</form>\n";
    return form;
}

Markup ChartFigure(const std::string& id, const std::string& heading, const std::string& description, const Markup& table) {
    return "<figure class=\"chart-figure\">\n<figcaption>" + Text(heading) + "</figcaption>\n<div class=\"chart\" id=\"" +
           Text(id) + "\" role=\"img\" aria-label=\"" + Text(description) + "\"></div>\n" +
           (table.empty() ? Markup()
                          : "<details><summary>" + Text(heading) + " as a table</summary>\n" + table + "</details>\n") +
           "</figure>\n";
}

}  // namespace dashboard
