// Fuzzes the dashboard address as the player types it: an address that is taken must name one host
// without user info, fragment, query, blank or control character, a port that exists, and be split
// the same way again when written back from its parts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "upload/server_url.h"

namespace {

bool HoldsAny(const std::string& text, std::string_view bytes) { return text.find_first_of(bytes) != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zando_fuzz::Check;
    const std::string_view url = zando_fuzz::AsText(data, size);
    const std::string problem = zando::AddressProblem(url);
    const auto split = zando::SplitServerUrl(url);
    if (!split) return 0;

    Check(problem.empty(), "an address with a problem was split: " + problem);
    Check(!zando::HasControlCharacter(url), "an address with a control character was split");
    Check(!split->host.empty(), "an address without a host was split");
    Check(!HoldsAny(split->host, "@#?/ \\"), "the host holds a character no host name has: " + split->host);
    Check(!HoldsAny(split->path, "#? "), "the path holds a fragment, query or blank: " + split->path);
    Check(split->port >= 1 && split->port <= 65535, "port out of range: " + std::to_string(split->port));

    const std::string rebuilt = std::string(split->https ? "https://" : "http://") + split->host + ":" +
                                std::to_string(split->port) + split->path;
    const auto again = zando::SplitServerUrl(rebuilt);
    Check(again.has_value(), "the address written back from its parts is refused: " + rebuilt);
    Check(again->https == split->https && again->host == split->host && again->port == split->port &&
              again->path == split->path,
          "the address written back from its parts splits differently: " + rebuilt);

    const std::string path = zando::RequestPath(split->path, "/api/stats/upload");
    Check(path.size() >= 17 && path.compare(path.size() - 17, 17, "/api/stats/upload") == 0,
          "the request path does not end with the upload path: " + path);
    Check(path.front() == '/', "the request path does not start with '/': " + path);
    return 0;
}
