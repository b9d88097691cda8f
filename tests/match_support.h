// A loaded ZANDO with a match to drive: the modelled game, its events and the plug-in's view of them.
#pragma once

#include <algorithm>

#include "host/runtime/match_control.h"
#include "test_support.h"

namespace zando_test {

namespace events = host::events;

inline const host::game::Playlist RankedDuel{"Ranked Duel", 1, 10};
inline const host::game::Playlist RankedDoubles{"Ranked Doubles", 1, 11};

class MatchTest : public ::testing::Test {
protected:
    MatchTest() : zando(home.path()), match(zando.Host()) {}

    ZANDO& Z() { return zando.Zando(); }
    host::Host& Host() { return zando.Host(); }

    // A running match with the local car (team 0) at the centre and one car per side more.
    host::game::Car& StartPlaying(const host::game::Playlist* playlist = nullptr, int team = 0) {
        match.StartMatch(playlist);
        host::game::Car& local = match.AddCar(team, {0, -2000, 17}, true, 0.33f, "Player");
        match.AddCar(team, {1000, -3000, 17});
        match.AddCar(1 - team, {0, 3000, 17});
        return local;
    }

    // Lines logged from now on.
    void MarkLines() { mark = zando.Lines().size(); }
    std::vector<std::string> NewLines() {
        const auto& all = zando.Lines();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end()};
    }
    bool Logged(const std::string& line) {
        const auto& all = zando.Lines();
        return std::find(all.begin(), all.end(), line) != all.end();
    }

    // Moves the car to position and reports a ball hit there: the last touch shots and goals are placed at.
    void TouchFrom(host::game::Car& car, Vector position) {
        car.location = position;
        match.CarHitBall(car);
    }

    float CellSum(const Grid<float>& grid) {
        float sum = 0;
        for (const auto& row : grid)
            for (float cell : row) sum += cell;
        return sum;
    }
    int CellSum(const Grid<int32_t>& grid) {
        int sum = 0;
        for (const auto& row : grid)
            for (int cell : row) sum += cell;
        return sum;
    }

    std::filesystem::path AllTimeFile() { return zando_test::InDataFolder(Host().DataFolder(), "zando_alltime_heatmap.dat"); }

    TempDir home;
    LoadedZando zando;
    host::MatchControl match;
    std::size_t mark = 0;
};

}  // namespace zando_test
