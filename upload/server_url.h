// The dashboard address split the way the upload and the connection test need it, and the check that
// keeps the API key and the address from writing anything but their own header values.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zando {

struct ServerUrl {
    bool https = false;
    std::string host;
    int port = 0;       // the scheme's default when the address gives none
    std::string path;   // as written, possibly empty
};

// "scheme://host[:port][/path]", scheme http or https; nothing for anything else, for an address the
// request paths cannot be added to (see AddressProblem) and for one with a control character.
std::optional<ServerUrl> SplitServerUrl(std::string_view url);

// Why requests cannot go to the address as written, or empty: a fragment or query ('#', '?': the
// request path would land inside them), user info ('@': the request would go to another host than
// the one shown), or a blank. Control characters are HasControlCharacter's.
std::string AddressProblem(std::string_view url);

// The path requests go to: the address's path without one trailing "/", then suffix
// ("" or "/" -> "/api/stats/upload", "/base/" -> "/base/api/stats/upload").
std::string RequestPath(const std::string& urlPath, std::string_view suffix);

// True when text holds a control character (CR, LF, tab, any below 0x20, or DEL): such text in a
// header would end it and start another.
bool HasControlCharacter(std::string_view text);

}  // namespace zando
