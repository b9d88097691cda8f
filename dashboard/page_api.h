// What the pages stand on: signing in with an account's key (a session cookie), signing out, and the
// JSON API of the signed-in account's matches.
#pragma once

#include "dashboard/server_secret.h"
#include "dashboard/storage.h"

namespace httplib {
class Server;
}

namespace dashboard {

inline constexpr const char* SessionCookie = "zando_session";
inline constexpr int SessionDays = 14;  // a sign-in's lifetime

// Adds "POST /signin", "POST /signout", "GET /api/matches" and "GET /api/matches/{id}". tls: the
// cookie is marked Secure.
void AddPageRoutes(httplib::Server& server, Storage& storage, const ServerSecret& secret, bool tls);

}  // namespace dashboard
