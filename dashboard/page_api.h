// What the pages stand on: signing in with an account's key (a session cookie), signing out, and the
// JSON API of the signed-in account's matches.
#pragma once

#include "dashboard/match_summary.h"
#include "dashboard/server_secret.h"
#include "dashboard/storage.h"

namespace httplib {
class Server;
struct Request;
}  // namespace httplib

namespace dashboard {

inline constexpr const char* SessionCookie = "zando_session";
inline constexpr int SessionDays = 14;  // a sign-in's lifetime

// The account signed in with the request's session cookie, if any.
std::optional<int64_t> SignedInAccount(const httplib::Request& request, Storage& storage, const ServerSecret& secret);

// The newest session of the account (matches no more than an hour apart), read newest first a page at
// a time rather than the whole history.
SessionSummary RecentSession(Storage& storage, int64_t accountId);

// Adds "POST /signin", "POST /signout", "GET /api/matches" and "GET /api/matches/{id}". tls: the
// cookie is marked Secure.
void AddPageRoutes(httplib::Server& server, Storage& storage, const ServerSecret& secret, bool tls);

}  // namespace dashboard
