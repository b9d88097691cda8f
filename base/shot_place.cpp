// The text form of a match's shot and goal places, and the check of each number.
#include "base/shot_place.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace zando {

namespace {

bool InReach(const FieldPoint& point) {
    for (const float value : {point.x, point.y, point.z})
        if (!std::isfinite(value) || std::fabs(value) > FieldReach) return false;
    return true;
}

void AppendNumber(std::string& text, float value) {
    char digits[32];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace

bool PlausiblePlace(const ShotPlace& place) {
    return std::isfinite(place.clock) && place.clock >= 0.0f && place.clock <= ClockLimit && InReach(place.car) &&
           InReach(place.ball) && std::isfinite(place.ballSpeed) && place.ballSpeed >= 0.0f && place.ballSpeed <= BallSpeedLimit;
}

std::string ShotPlacesText(const std::vector<ShotPlace>& places) {
    std::string text;
    for (const ShotPlace& place : places) {
        if (!text.empty()) text += ';';
        text += place.goal ? 'G' : 'S';
        for (const float value :
             {place.clock, place.car.x, place.car.y, place.car.z, place.ball.x, place.ball.y, place.ball.z, place.ballSpeed}) {
            text += ' ';
            AppendNumber(text, value);
        }
    }
    return text;
}

std::optional<std::vector<ShotPlace>> ParseShotPlaces(std::string_view text) {
    std::vector<ShotPlace> places;
    while (!text.empty()) {
        const std::size_t end = text.find(';');
        std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (end != std::string_view::npos && text.empty()) return std::nullopt;  // a trailing ';'
        if (item.size() < 2 || (item[0] != 'G' && item[0] != 'S') || places.size() >= MaxShotPlaces) return std::nullopt;
        ShotPlace place;
        place.goal = item[0] == 'G';
        item.remove_prefix(1);
        for (float* value : {&place.clock, &place.car.x, &place.car.y, &place.car.z, &place.ball.x, &place.ball.y, &place.ball.z,
                             &place.ballSpeed}) {
            if (item.empty() || item[0] != ' ') return std::nullopt;
            item.remove_prefix(1);
            const auto [next, error] = std::from_chars(item.data(), item.data() + item.size(), *value);
            if (error != std::errc()) return std::nullopt;
            item.remove_prefix(static_cast<std::size_t>(next - item.data()));
        }
        if (!item.empty() || !PlausiblePlace(place)) return std::nullopt;
        places.push_back(place);
    }
    return places;
}

}  // namespace zando
