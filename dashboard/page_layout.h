// What every page shares: the document around its content (title, navigation, sign-out), the filter
// form of playlist and dates, and a chart with the table that says the same in text.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "dashboard/markup.h"
#include "dashboard/match_query.h"

namespace dashboard {

struct PageFrame {
    std::string title;      // the page's heading and the window's title
    std::string account;    // the signed-in account's name; empty on the sign-in page
    std::string active;     // the navigation entry of this page ("/", "/matches", ...)
    nlohmann::json charts;  // the charts the script draws (an array); null: no chart library loaded
};

// The whole document: head, header with navigation and sign-out, the content, the scripts.
Markup PageDocument(const PageFrame& frame, const Markup& content);

// The filters of the overview and the zones page, as the query gave them.
struct PageFilters {
    std::string playlist;
    std::string fromDate, toDate;  // YYYY-MM-DD, empty when open
    std::string last = "all";      // "10", "50" or "all"
    std::string problem;           // what was wrong with the query, shown above the form
};

// The filters of the request's query (playlist, from, to, last), checked.
PageFilters ReadFilters(const std::string& playlist, const std::string& from, const std::string& to, const std::string& last,
                        const std::string& defaultLast);
// The match query the filters ask for (newest first, limited to the last N).
MatchQuery FilterQuery(const PageFilters& filters);
// The form that changes them, with the account's playlists to choose from.
Markup FilterForm(const std::string& action, const PageFilters& filters, const std::vector<std::string>& playlists);

// A chart's place: its heading, the element the script draws in (labelled for screen readers), and
// the same figures as a table under it (none: the page has one table for several charts).
Markup ChartFigure(const std::string& id, const std::string& heading, const std::string& description, const Markup& table);

}  // namespace dashboard
