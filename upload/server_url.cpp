// Splitting the dashboard address and building request paths.
#include "upload/server_url.h"

#include <cctype>

namespace zando {

std::string AddressProblem(std::string_view url) {
    if (url.find_first_of("#?") != std::string_view::npos)
        return "The server URL contains '#' or '?' - enter the dashboard's address without them";
    const auto schemeEnd = url.find("://");
    const std::string_view rest = schemeEnd == std::string_view::npos ? url : url.substr(schemeEnd + 3);
    if (rest.substr(0, rest.find('/')).find('@') != std::string_view::npos)
        return "The server URL contains a user name ('@') - enter the dashboard's address without it";
    if (url.find_first_of(" \t") != std::string_view::npos) return "The server URL contains a space - enter it again";
    return {};
}

std::optional<ServerUrl> SplitServerUrl(std::string_view url) {
    if (!AddressProblem(url).empty() || HasControlCharacter(url)) return std::nullopt;
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) return std::nullopt;
    std::string scheme(url.substr(0, schemeEnd));
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ServerUrl split;
    if (scheme == "https") split.https = true;
    else if (scheme != "http") return std::nullopt;
    std::string_view rest = url.substr(schemeEnd + 3);
    const auto pathStart = rest.find('/');
    std::string_view authority = rest.substr(0, pathStart);
    if (pathStart != std::string_view::npos) split.path = std::string(rest.substr(pathStart));
    split.port = split.https ? 443 : 80;
    if (const auto colon = authority.rfind(':'); colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (port.empty() || port.size() > 5) return std::nullopt;
        int value = 0;
        for (char c : port) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value < 1 || value > 65535) return std::nullopt;
        split.port = value;
        authority = authority.substr(0, colon);
    }
    // Some URL readers take '\\' for '/': a host holding one would name another host to them.
    if (authority.empty() || authority.find('\\') != std::string_view::npos) return std::nullopt;
    split.host = std::string(authority);
    return split;
}

std::string RequestPath(const std::string& urlPath, std::string_view suffix) {
    std::string path = urlPath;
    if (!path.empty() && path.back() == '/') path.pop_back();
    return path + std::string(suffix);
}

bool HasControlCharacter(std::string_view text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

}  // namespace zando
