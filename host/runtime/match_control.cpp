// MatchControl: building matches in the modelled game and firing events with callers and parameters.
#include "match_control.h"

#include <cctype>
#include <stdexcept>
#include <utility>

namespace host {

namespace {

// The stable name the game gives the stat event shown with an (English) label.
std::string StatEventNameOf(const std::string& label) {
    static const std::pair<const char*, const char*> names[] = {
        {"Shot on Goal", "Shot"},     {"Goal", "Goal"},           {"Save", "Save"},
        {"Epic Save", "EpicSave"},    {"Assist", "Assist"},       {"Demolition", "Demolish"},
        {"Aerial Goal", "AerialGoal"}, {"Bicycle Goal", "BicycleGoal"}, {"Long Goal", "LongGoal"},
        {"Overtime Goal", "OvertimeGoal"}, {"Hat Trick", "HatTrick"}, {"Center Ball", "Center"},
        {"Clearance", "Clear"},      {"First Touch", "FirstTouch"}};
    for (const auto& [shown, name] : names)
        if (label == shown) return name;
    std::string name;  // another label: its letters and digits
    for (char c : label)
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
}

}  // namespace

MatchControl::MatchControl(Host& host) : host_(host) {
    if (host_.World().localPlayer.id == 0) host_.World().localPlayer = {76561190000000001ull, 1};
}

game::Server& MatchControl::StartMatch(const game::Playlist* playlist) {
    game::World& world = host_.World();
    world.localCar = nullptr;
    world.currentGame = std::make_unique<game::Server>();
    world.currentGame->ball = std::make_unique<game::Ball>();
    world.currentGame->ball->location = {0.0f, 0.0f, 92.75f};
    for (int team = 0; team < 2; ++team) world.currentGame->teams.push_back(std::make_unique<game::Team>(game::Team{team, 0}));
    if (playlist) world.currentGame->playlist = std::make_unique<game::Playlist>(*playlist);
    return *world.currentGame;
}

void MatchControl::RemoveMatch() {
    host_.World().localCar = nullptr;
    host_.World().currentGame.reset();
}

game::Server& MatchControl::Match() {
    if (!host_.World().currentGame) throw std::logic_error("no match in progress");
    return *host_.World().currentGame;
}

game::Car& MatchControl::AddCar(int team, Vector location, bool local, float boost, std::string name) {
    auto car = std::make_unique<game::Car>();
    car->location = location;
    car->teamNum2 = team;
    car->pri = game::Pri{team, std::move(name), {}};
    car->boost = game::BoostComponent{boost};
    if (local) {
        car->pri->uniqueId = host_.World().localPlayer;
        host_.World().localCar = car.get();
    }
    game::Car& added = *car;
    Match().cars.push_back(std::move(car));
    return added;
}

void MatchControl::SetBall(Vector location) {
    game::Server& match = Match();
    if (!match.ball) match.ball = std::make_unique<game::Ball>();
    match.ball->location = location;
}

int MatchControl::BallHitGoal() {
    // The goal the ball is in decides who scored: orange's goal is at +Y, so a ball there counts for blue.
    game::Server* match = host_.World().currentGame.get();
    if (match && match->ball && match->teams.size() == 2) match->teams[match->ball->location.Y > 0.0f ? 0 : 1]->score += 1;
    // The game calls the ball's function: the ball is the caller (none when the match has no ball).
    auto caller = reinterpret_cast<std::uintptr_t>(match ? match->ball.get() : nullptr);
    return host_.FireEvent(events::BallHitGoal, caller, nullptr);
}

int MatchControl::StatTicker(const game::Car& receiver, const std::string& label, const game::Car* victim,
                             const std::string& name) {
    game::StatEvent& statEvent = statEvents_.emplace_back(game::StatEvent{name.empty() ? StatEventNameOf(label) : name, label});
    game::StatTickerParams params;
    params.receiver = receiver.pri ? reinterpret_cast<std::uintptr_t>(&*receiver.pri) : 0;
    params.victim = victim && victim->pri ? reinterpret_cast<std::uintptr_t>(&*victim->pri) : 0;
    params.statEvent = reinterpret_cast<std::uintptr_t>(&statEvent);
    auto caller = reinterpret_cast<std::uintptr_t>(host_.World().currentGame.get());
    return host_.FireEvent(events::StatTickerMessage, caller, &params);
}

}  // namespace host
