// Console statements as the sandbox repeats them on its own output: the API key's value shortened to
// its first 4 characters, since that output ends up in logs that are shared.
#pragma once

#include <string>
#include <string_view>

namespace sandbox {

// "zando_enable_upload 1; zando_api_key zk_live_1234" -> "zando_enable_upload 1; zando_api_key zk_l..."
std::string MaskedStatements(std::string_view statements);

}  // namespace sandbox
