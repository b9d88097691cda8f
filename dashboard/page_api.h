// What the pages stand on: signing in with an account's key (a session cookie), signing out, and the
// JSON API of the signed-in account's matches.
#pragma once

#include <string>

#include "dashboard/http_server.h"
#include "dashboard/match_summary.h"
#include "dashboard/rate_limiter.h"
#include "dashboard/server_secret.h"
#include "dashboard/storage.h"

namespace dashboard {

inline constexpr const char* SessionCookie = "zando_session";
inline constexpr int SessionDays = 14;                   // a sign-in's lifetime
inline constexpr double SignInAttemptsPerMinute = 10.0;  // from one address, right or wrong

// Who sent the request: its connection's address, or, for a connection from this machine (the
// reverse proxy the README sets up), the address the proxy put last in X-Forwarded-For.
std::string ClientAddress(const HttpRequest& request);

// The account signed in with the request's session cookie, if any.
std::optional<int64_t> SignedInAccount(const HttpRequest& request, Storage& storage, const ServerSecret& secret);

// The newest session of the account (matches no more than an hour apart), read newest first a page at
// a time rather than the whole history.
SessionSummary RecentSession(Storage& storage, int64_t accountId);

// Adds "POST /signin", "POST /signout", "GET /api/matches" and "GET /api/matches/{id}". tls: the
// cookie is marked Secure. signIns: the attempts each address may make.
void AddPageRoutes(HttpServer& server, Storage& storage, const ServerSecret& secret, bool tls, RateLimiter& signIns);

}  // namespace dashboard
