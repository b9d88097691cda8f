// Sign-in sessions and the matches' JSON API, answered for the account of the session cookie only.
#include "dashboard/page_api.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "base/utc_timestamp.h"
#include "dashboard/crypto.h"
#include "dashboard/json_answer.h"
#include "dashboard/match_summary.h"
#include "dashboard/period_trend.h"

namespace {

using nlohmann::json;

using dashboard::HttpRequest;
using dashboard::HttpResponse;
constexpr auto Answer = dashboard::AnswerJson;

// The session token of the request's cookie, empty when there is none.
std::string SessionToken(const HttpRequest& request) {
    const std::string cookies = request.Header("Cookie");
    const std::string name = std::string(dashboard::SessionCookie) + "=";
    for (std::size_t at = 0; at < cookies.size();) {
        while (at < cookies.size() && (cookies[at] == ' ' || cookies[at] == ';')) ++at;
        const std::size_t end = std::min(cookies.find(';', at), cookies.size());
        if (cookies.compare(at, name.size(), name) == 0) return cookies.substr(at + name.size(), end - at - name.size());
        at = end;
    }
    return {};
}

json MatchJson(const dashboard::StoredMatch& stored, bool withGrids) {
    const dashboard::UploadedMatch& m = stored.match;
    json match = {{"id", stored.id},
                  {"timestamp", m.timestamp},
                  {"receivedAt", stored.receivedAt},
                  {"playlist", m.playlist},
                  {"isRanked", m.isRanked},
                  {"shots", m.shots},
                  {"goals", m.goals},
                  {"averageSpeed", m.averageSpeed},
                  {"averageSpeedKmh", m.averageSpeed * dashboard::KilometresPerHourPerUnit},
                  {"speedSamples", m.speedSamples},
                  {"boostCollected", m.boostCollected},
                  {"boostUsed", m.boostUsed},
                  {"gameTime", m.gameTime},
                  {"possessionTime", m.possessionTime},
                  {"teamPossessionTime", m.teamPossessionTime},
                  {"opponentPossessionTime", m.opponentPossessionTime},
                  {"mmr", m.mmr},
                  {"mmrChange", m.mmrChange}};
    // What a match sent whole adds (null for one sent in the defined format): the result and score on
    // every list, the rest with the match alone.
    const auto orNull = [](const auto& value) { return value ? json(*value) : json(nullptr); };
    match["result"] = m.whole && !m.whole->result.empty() ? json(m.whole->result) : json(nullptr);
    match["scoreFor"] = m.whole ? orNull(m.whole->scoreFor) : json(nullptr);
    match["scoreAgainst"] = m.whole ? orNull(m.whole->scoreAgainst) : json(nullptr);
    if (withGrids) {
        match["shotHeatmap"] = m.shotHeatmap;
        match["goalHeatmap"] = m.goalHeatmap;
        match["whole"] = m.whole ? json::parse(dashboard::WholeMatchText(*m.whole)) : json(nullptr);
    }
    return match;
}

// The whole number text is, nullopt when it is not one or is out of range.
std::optional<int64_t> WholeText(const std::string& text) {
    try {
        std::size_t used = 0;
        const long long value = std::stoll(text, &used);
        if (used == text.size()) return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// A whole number from the query, or the default when absent; nullopt when it is not one.
std::optional<int64_t> WholeParameter(const HttpRequest& request, const char* name, int64_t otherwise) {
    if (!request.HasParam(name)) return otherwise;
    return WholeText(request.Param(name));
}

// The list's filters from the query: playlist, from, to.
dashboard::MatchQuery Filters(const HttpRequest& request) {
    dashboard::MatchQuery query;
    query.playlist = request.Param("playlist");
    query.from = request.Param("from");
    query.to = request.Param("to");
    return query;
}

json Optional(const std::optional<double>& value) { return value ? json(*value) : json(nullptr); }

// A point a match, oldest first (page: newest first).
json MatchTrendJson(const dashboard::MatchPage& page) {
    json points = json::array();
    for (auto it = page.matches.rbegin(); it != page.matches.rend(); ++it) {
        const dashboard::TrendPoint point = dashboard::TrendOf(*it);
        points.push_back({{"id", point.id},
                          {"timestamp", point.timestamp},
                          {"mmr", Optional(point.mmr)},
                          {"speedKmh", point.speedKmh},
                          {"boostCollectedPerMinute", point.boostCollectedPerMinute},
                          {"boostUsedPerMinute", point.boostUsedPerMinute},
                          {"shots", point.shots},
                          {"goals", point.goals},
                          {"shootingPercent", Optional(point.shootingPercent)},
                          {"possessionPercent", point.possessionPercent}});
    }
    return {{"matches", page.total}, {"per", "match"}, {"points", points}};
}

// A point a day or a month, oldest first.
json PeriodTrendJson(const dashboard::PeriodTrend& trend) {
    json points = json::array();
    for (const dashboard::PeriodPoint& point : trend.points)
        points.push_back({{"period", point.period},
                          {"matches", point.matches},
                          {"ratings", point.ratings},
                          {"speedKmh", point.speedKmh},
                          {"boostCollectedPerMinute", point.boostCollectedPerMinute},
                          {"boostUsedPerMinute", point.boostUsedPerMinute},
                          {"shotsPerMatch", point.shotsPerMatch},
                          {"goalsPerMatch", point.goalsPerMatch},
                          {"shootingPercent", Optional(point.shootingPercent)},
                          {"possessionPercent", point.possessionPercent}});
    return {{"matches", trend.matches}, {"per", dashboard::StepName(trend.step)}, {"points", points}};
}

}  // namespace

namespace dashboard {

std::optional<int64_t> SignedInAccount(const HttpRequest& request, Storage& storage, const ServerSecret& secret) {
    const std::string token = SessionToken(request);
    if (token.empty()) return std::nullopt;
    return storage.SignedIn(secret.KeyHash(token), zando::UtcTimestamp());
}

SessionSummary RecentSession(Storage& storage, int64_t accountId) {
    constexpr int64_t PageSize = 200;
    MatchQuery newest;
    newest.limit = PageSize;
    newest.withZones = false;
    std::vector<StoredMatch> recent;  // newest first
    int64_t total = 0;
    // Pages newest first until one holds the session's break (an hour between two matches) or the last match.
    for (bool broken = false; !broken; newest.offset += PageSize) {
        MatchPage page = storage.FindMatches(accountId, newest);
        total = page.total;
        broken = static_cast<int64_t>(page.matches.size()) < PageSize;
        for (StoredMatch& match : page.matches) {
            const int64_t sent = zando::UtcSeconds(match.match.timestamp);
            const int64_t later = recent.empty() ? sent : zando::UtcSeconds(recent.back().match.timestamp);
            recent.push_back(std::move(match));
            if (sent < 0 || later - sent >= SessionBreakSeconds) {
                broken = true;
                break;
            }
        }
    }
    std::reverse(recent.begin(), recent.end());
    SessionSummary session = LastSession(recent, zando::UtcSeconds(zando::UtcTimestamp()));
    session.accountMatches = total;
    return session;
}

std::string ClientAddress(const HttpRequest& request) {
    const std::string& address = request.remoteAddress;
    if (address != "127.0.0.1" && address != "::1" && address != "::ffff:127.0.0.1") return address;
    const std::string forwarded = request.Header("X-Forwarded-For");
    const std::size_t comma = forwarded.rfind(',');
    std::string last = forwarded.substr(comma == std::string::npos ? 0 : comma + 1);
    last.erase(0, last.find_first_not_of(' '));
    last.erase(last.find_last_not_of(' ') + 1);
    // Only an address's characters: anything else did not come from the proxy.
    const bool plain =
        !last.empty() && last.size() <= 45 && last.find_first_not_of("0123456789abcdefABCDEF.:") == std::string::npos;
    return plain ? last : address;
}

void AddPageRoutes(HttpServer& server, Storage& storage, const ServerSecret& secret, bool tls, RateLimiter& signIns) {
    // The signed-in account, or the 401 already answered.
    const auto account = [&storage, &secret](const HttpRequest& request, HttpResponse& response) -> std::optional<int64_t> {
        const std::optional<int64_t> signedIn = SignedInAccount(request, storage, secret);
        if (!signedIn) Answer(response, 401, {{"error", "sign in first: POST /signin with your API key"}});
        return signedIn;
    };

    server.Post("/signin", [&storage, &secret, tls, &signIns](const HttpRequest& request, HttpResponse& response) {
        const bool browser = request.Header("Accept").find("text/html") != std::string::npos;
        // Keys are long and random, but a stranger trying them is slowed down all the same.
        if (const std::optional<int> wait = signIns.Admit(ClientAddress(request))) {
            response.SetHeader("Retry-After", std::to_string(*wait));
            if (browser) {
                response.SetHeader("Location", "/signin?failed=busy");
                return Answer(response, 303, {{"error", "too many sign-in attempts from this address"}});
            }
            return Answer(
                response, 429,
                {{"error", "too many sign-in attempts from this address; try again in " + std::to_string(*wait) + " s"}});
        }
        const std::string key = request.Param("key");
        const std::optional<KeyRecord> found = key.empty() ? std::nullopt : storage.FindKey(secret.KeyHash(key));
        if (!found || found->revoked) {
            const std::string reason = found ? "this API key was revoked" : "unknown API key";
            // A browser's form goes back to the sign-in page, which says why.
            if (browser) {
                response.SetHeader("Location", std::string("/signin?failed=") + (found ? "revoked" : "unknown"));
                return Answer(response, 303, {{"error", reason}});
            }
            return Answer(response, 401, {{"error", reason}});
        }
        const std::string token = RandomHex(32);
        storage.AddSignIn(found->accountId, found->keyId, secret.KeyHash(token),
                          zando::UtcTimestamp(std::chrono::hours(24 * SessionDays)));
        response.SetHeader("Set-Cookie", std::string(SessionCookie) + "=" + token +
                                             "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" +
                                             std::to_string(SessionDays * 86400) + (tls ? "; Secure" : ""));
        response.SetHeader("Location", "/");
        Answer(response, 303, {{"status", "signed in"}});
    });

    server.Post("/signout", [&storage, &secret](const HttpRequest& request, HttpResponse& response) {
        const std::string token = SessionToken(request);
        if (!token.empty()) storage.EndSignIn(secret.KeyHash(token));
        response.SetHeader("Set-Cookie", std::string(SessionCookie) + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
        response.SetHeader("Location", "/signin");
        Answer(response, 303, {{"status", "signed out"}});
    });

    server.Get("/api/matches", [&storage, account](const HttpRequest& request, HttpResponse& response) {
        const std::optional<int64_t> accountId = account(request, response);
        if (!accountId) return;
        const std::optional<int64_t> page = WholeParameter(request, "page", 1), perPage = WholeParameter(request, "perPage", 50);
        if (!page || !perPage || *page < 1 || *perPage < 1 || *perPage > 500 || *page - 1 > INT64_MAX / *perPage)
            return Answer(response, 400, {{"error", "\"page\" must be 1 or more and \"perPage\" 1 to 500"}});
        MatchQuery query = Filters(request);
        query.withZones = false;
        if (request.HasParam("sort")) query.sort = request.Param("sort");
        if (request.HasParam("order")) {
            const std::string order = request.Param("order");
            if (order != "asc" && order != "desc") return Answer(response, 400, {{"error", "\"order\" must be asc or desc"}});
            query.descending = order == "desc";
        }
        query.limit = *perPage;
        query.offset = (*page - 1) * *perPage;
        try {
            const MatchPage found = storage.FindMatches(*accountId, query);
            json matches = json::array();
            for (const StoredMatch& stored : found.matches) matches.push_back(MatchJson(stored, false));
            Answer(response, 200, {{"total", found.total}, {"page", *page}, {"perPage", *perPage}, {"matches", matches}});
        } catch (const std::invalid_argument& bad) {
            Answer(response, 400, {{"error", bad.what()}});
        }
    });

    // The overview: the last session per playlist, the last matches, and a point a match for the trends.
    server.Get("/api/summary", [&storage, account](const HttpRequest& request, HttpResponse& response) {
        const std::optional<int64_t> accountId = account(request, response);
        if (!accountId) return;
        const std::optional<int64_t> last = LastMatchesLimit(request.HasParam("last") ? request.Param("last") : "10");
        if (!last) return Answer(response, 400, {{"error", "\"last\" must be 10, 50 or all"}});
        const SessionSummary session = RecentSession(storage, *accountId);
        json playlists = json::array();
        for (const PlaylistSession& playlist : session.playlists)
            playlists.push_back({{"playlist", playlist.playlist},
                                 {"matches", playlist.matches},
                                 {"wins", playlist.wins},
                                 {"losses", playlist.losses},
                                 {"mmrGained", playlist.mmrGained}});
        MatchQuery query = Filters(request);
        query.limit = *last;
        query.withZones = false;
        ChosenMatches chosen;
        try {
            chosen = ChooseMatches(storage, *accountId, query);
        } catch (const std::invalid_argument& bad) {
            return Answer(response, 400, {{"error", bad.what()}});
        }
        const MatchPage& newest = chosen.matches;
        const json trend = chosen.periods ? PeriodTrendJson(*chosen.periods) : MatchTrendJson(newest);
        json lastMatches = json::array();
        for (std::size_t i = 0; i < newest.matches.size() && i < 5; ++i)
            lastMatches.push_back(MatchJson(newest.matches[i], false));
        Answer(
            response, 200,
            {{"matches", session.accountMatches},
             {"session",
              {{"ongoing", session.ongoing}, {"started", session.started}, {"ended", session.ended}, {"playlists", playlists}}},
             {"lastMatches", lastMatches},
             {"trend", trend}});
    });

    // Where the shots came from over the chosen matches: shots per block, goals per match.
    server.Get("/api/zones", [&storage, account](const HttpRequest& request, HttpResponse& response) {
        const std::optional<int64_t> accountId = account(request, response);
        if (!accountId) return;
        const std::optional<int64_t> last = LastMatchesLimit(request.HasParam("last") ? request.Param("last") : "all");
        if (!last) return Answer(response, 400, {{"error", "\"last\" must be 10, 50 or all"}});
        MatchQuery chosen = Filters(request);
        chosen.limit = *last;
        ZoneShots zones;
        try {
            zones = ShotsByBlock(storage, *accountId, chosen);
        } catch (const std::invalid_argument& bad) {
            return Answer(response, 400, {{"error", bad.what()}});
        }
        Answer(response, 200,
               {{"matches", zones.matches},
                {"shotsPerBlock", zones.shots},
                {"zonesPerBlock", zones.zonesPerBlock},
                {"shots", zones.shotTotal},
                {"goals", zones.goalTotal},
                {"goalsPerMatch",
                 zones.matches > 0 ? static_cast<double>(zones.goalTotal) / static_cast<double>(zones.matches) : 0.0},
                // The matches sent whole: each shot and goal by the square of the field it was taken from,
                // rows across and columns from the player's goal line to the one attacked.
                {"places",
                 {{"squareUnits", PlaceCellUnits},
                  {"rows", PlaceRows},
                  {"columns", PlaceColumns},
                  {"shots", zones.places.shots},
                  {"goals", zones.places.goals}}}});
    });

    server.Get(R"(/api/matches/(\d+))", [&storage, account](const HttpRequest& request, HttpResponse& response) {
        const std::optional<int64_t> accountId = account(request, response);
        if (!accountId) return;
        const std::optional<int64_t> matchId = WholeText(request.matches[1]);
        const std::optional<StoredMatch> found = matchId ? storage.FindMatch(*accountId, *matchId) : std::nullopt;
        // Another account's match is answered as one that does not exist.
        if (!found) return Answer(response, 404, {{"error", "no such match"}});
        Answer(response, 200, MatchJson(*found, true));
    });
}

}  // namespace dashboard
