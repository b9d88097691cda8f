// Per-tick sampling: the hook on every car's input reads the player's car, its boost, the ball and,
// when the tracker takes a possession sample, every car, and hands them to the match tracker.
#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "plugin/zando.h"

void ZANDO::SampleTick() {
    if (!gameWrapper || !cvarManager || !flags.matchActive || flags.trackingPaused) return;
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    if (state.IsNull()) return;
    zando::TickView view;
    view.now = state.GetSecondsElapsed();
    BallWrapper ball = state.GetBall();
    if (!ball.IsNull()) view.ball = ball.GetLocation();
    CarWrapper car = gameWrapper->GetLocalCar();
    if (!car.IsNull()) {
        view.car = car.GetLocation();
        view.carTeam = car.GetTeamNum2();
        BoostWrapper boost = car.GetBoostComponent();
        if (!boost.IsNull()) view.boost = boost.GetCurrentBoostAmount();
        if (view.ball && tracker.SamplesPossessionAt(view.now)) {
            carPlaces.clear();
            ArrayWrapper<CarWrapper> cars = state.GetCars();
            for (int i = 0; i < cars.Count(); ++i) {
                CarWrapper other = cars.Get(i);
                if (!other.IsNull()) carPlaces.push_back({other.GetLocation(), other.GetTeamNum2()});
            }
            view.cars = carPlaces;
        }
    }
    tracker.Tick(view);
}
