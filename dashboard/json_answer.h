// Every JSON answer of the service: its status and its body.
#pragma once

#include <nlohmann/json.hpp>

#include "dashboard/http_message.h"

namespace dashboard {

inline void AnswerJson(HttpResponse& response, int status, const nlohmann::json& body) {
    response.status = status;
    // A text that is not UTF-8 never reaches an answer whole; should one, its bytes are replaced, not thrown on.
    response.SetContent(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), "application/json");
}

}  // namespace dashboard
