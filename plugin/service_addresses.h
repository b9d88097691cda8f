// The built-in addresses of the ZANDO dashboard service.
#pragma once

namespace zando {

// Default of "zando_server_url": what a fresh installation uploads to.
inline constexpr const char* DefaultServerUrl = "https://dashboard.zando.example";
// The address the plug-in object starts with before its settings are read at load.
inline constexpr const char* FallbackServerUrl = "https://api.zando.example";
// Where players create the API key that "zando_api_key" holds.
inline constexpr const char* ApiKeyHint = "Your ZANDO API key, from Settings > API Keys on https://dashboard.zando.example";

}  // namespace zando
