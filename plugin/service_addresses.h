// Where matches are uploaded: to the zando-dashboard the player (or their team, or their community)
// runs. ZANDO knows no address of its own: none is set until the player enters one.
#pragma once

namespace zando {

// Default of "zando_server_url": none, so that nothing is sent anywhere until the player names a dashboard.
inline constexpr const char* DefaultServerUrl = "";
// The address the plug-in object starts with before its settings are read at load.
inline constexpr const char* FallbackServerUrl = DefaultServerUrl;
// Where players get the API key that "zando_api_key" holds.
inline constexpr const char* ApiKeyHint =
    "Your API key of the zando-dashboard you upload to (\"zando-dashboard keys create NAME\" prints one)";

}  // namespace zando
