// The dashboard's pages: sign-in, overview, matches, one match, zones and compare, rendered on the
// server for the signed-in account, with their script, style and chart library served from the web folder.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "dashboard/http_server.h"
#include "dashboard/server_secret.h"
#include "dashboard/storage.h"

namespace dashboard {

// The files the pages load, read once at start: their address under /assets/ and their content.
struct WebAssets {
    std::map<std::string, std::string> files;
};

// Reads the pages' files from folder (the sources' dashboard/web, with its npm packages installed);
// empty with the missing file's path in missing when one cannot be read.
std::optional<WebAssets> ReadWebAssets(const std::filesystem::path& folder, std::string& missing);

// Adds the pages and GET /assets/NAME. The assets must outlive the server. tls: the service is reached by HTTPS.
void AddPages(HttpServer& server, Storage& storage, const ServerSecret& secret, const WebAssets& assets, bool tls);

}  // namespace dashboard
