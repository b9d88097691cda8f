// Upload requests as the plug-in makes them, for the dashboard's tests and its load generator: a
// body written by hand and its signature (OpenSSL's own HMAC, not the service's code).
#pragma once

#include <openssl/hmac.h>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace zando_test {

// A match as the plug-in's upload carries it; n makes each one different.
inline nlohmann::json MatchBody(int n, const std::string& timestamp = "2026-12-01T20:00:00Z") {
    nlohmann::json shots = nlohmann::json::array(), goals = nlohmann::json::array();
    for (int r = 0; r < 10; ++r) {
        nlohmann::json shotRow = nlohmann::json::array(), goalRow = nlohmann::json::array();
        for (int c = 0; c < 10; ++c) {
            shotRow.push_back(r == n % 10 && c == 3 ? 0.16129 * (n + 1) : 0.0);
            goalRow.push_back(r == 9 && c == n % 10 ? 1 : 0);
        }
        shots.push_back(shotRow);
        goals.push_back(goalRow);
    }
    return {{"timestamp", timestamp},
            {"shots", 3 + n % 1000},  // a match's figures, however many matches a load test sends
            {"goals", 1},
            {"averageSpeed", 1234.5 + n % 50000},
            {"speedSamples", 9000},
            {"boostCollected", 812.25},
            {"boostUsed", 790.5},
            {"gameTime", 300.0 + n % 50000},
            {"possessionTime", 41.5},
            {"teamPossessionTime", 120.0},
            {"opponentPossessionTime", 98.25},
            {"playlist", "Ranked Doubles"},
            {"isRanked", true},
            {"mmr", 1012.0},
            {"mmrChange", n % 2 ? -9.0 : 11.0},
            {"shotHeatmap", shots},
            {"goalHeatmap", goals}};
}

// "sha256=" and the HMAC-SHA256 of body under key, in hexadecimal (OpenSSL's own, not the service's code).
inline std::string Signature(const std::string& key, const std::string& body) {
    unsigned char digest[32];
    unsigned int size = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(body.data()), body.size(),
         digest, &size);
    std::string text = "sha256=";
    char hex[3];
    for (unsigned int i = 0; i < size; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        text += hex;
    }
    return text;
}

// The same match sent whole: MatchBody's fields, then the whole match's own, written by hand.
inline nlohmann::json WholeMatchBody(int n, const std::string& timestamp = "2026-12-01T20:00:00Z") {
    nlohmann::json body = MatchBody(n, timestamp);
    body["matchId"] = "m" + std::to_string(n);
    body["startedAt"] = "2026-12-01T19:54:30Z";
    body["team"] = 1;
    body["scoreFor"] = 3;
    body["scoreAgainst"] = 1;
    body["result"] = "win";
    body["overtime"] = false;
    body["saves"] = 2;
    body["assists"] = 1;
    body["demolitions"] = 0;
    body["demolished"] = 1;
    body["places"] = nlohmann::json::parse(R"([
        {"kind": "shot", "clock": 61.5, "car": [120, -3100, 17], "ball": [150, -3400, 93], "ballSpeed": 2310},
        {"kind": "goal", "clock": 62.25, "car": [120, -3100, 17], "ball": [300, -5150, 140], "ballSpeed": 2290.5}])");
    return body;
}

}  // namespace zando_test
