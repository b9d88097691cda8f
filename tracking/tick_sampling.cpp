// Per-tick sampling of the local car's speed and boost and of ball possession.
#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "plugin/zando.h"
#include "tracking/event_guards.h"
#include "tracking/game_constants.h"

namespace c = zando::constants;

namespace {

bool NearLargePad(Vector location) {
    for (Vector pad : c::LargePadLocations)
        if ((location - pad).magnitude() < c::LargePadRadius) return true;
    return false;
}

}  // namespace

void ZANDO::SampleTick() {
    if (!gameWrapper || !cvarManager || !flags.matchActive || flags.trackingPaused) return;
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    if (state.IsNull()) return;
    CarWrapper car = gameWrapper->GetLocalCar();
    if (car.IsNull()) {
        // No car to drive (demolished, or not spawned yet): the tank it comes back with is a refill,
        // neither used nor collected, so the next reading starts afresh.
        sampling.lastBoostAmount = -1.0f;
        return;
    }

    // Speed: this is called for every car's input and every frame, so most calls see the clock of
    // the previous one; only a call a real interval later measures anything.
    Vector location = car.GetLocation();
    const float now = state.GetSecondsElapsed();
    const float interval = now - guards.lastSpeedSampleTime;
    const bool measured = guards.lastSpeedSampleTime > 0.0f && interval > 0.0f && interval < c::SpeedIntervalLimit;
    const float speed = measured ? (location - guards.lastCarLocation).magnitude() / interval : 0.0f;
    guards.lastCarLocation = location;
    guards.lastSpeedSampleTime = now;
    if (measured && speed >= 0.0f && speed <= c::SpeedCeiling) {
        match.speedSum += speed;
        match.speedSamples += 1;
        sampling.lastMeasuredSpeed = speed;
    }

    BoostWrapper boost = car.GetBoostComponent();
    if (boost.IsNull()) return;
    const float amount = boost.GetCurrentBoostAmount();
    if (sampling.lastBoostAmount >= 0.0f) {
        const float delta = amount - sampling.lastBoostAmount;
        if (delta > c::PickupThreshold) {
            const float gain = delta * 100.0f;
            // A large pad tops up a nearly full tank by as little as a small pad would: where the car is
            // tells them apart first.
            if (gain >= c::LargePadGain || NearLargePad(location))
                match.boostCollected += c::LargePadCredit;
            else
                match.boostCollected += c::SmallPadCredit;
        } else if (delta < -c::SpendThreshold) {
            const float used = -delta * 100.0f;
            if (used < c::SpendCeiling) match.boostUsed += used;
        }
    }
    sampling.lastBoostAmount = amount;

    BallWrapper ball = state.GetBall();
    if (ball.IsNull()) return;
    const float possessionInterval = now - sampling.lastPossessionSampleTime;
    if (sampling.lastPossessionSampleTime >= 0.0f && possessionInterval > 0.0f &&
        possessionInterval < c::PossessionIntervalLimit) {
        match.gameTime += possessionInterval;
        if (sampling.lastMeasuredSpeed >= c::SupersonicSpeed) match.supersonicTime += possessionInterval;
        if (amount <= 0.0f)
            match.emptyTankTime += possessionInterval;
        else if (amount >= 1.0f)
            match.fullTankTime += possessionInterval;
        const Vector ballLocation = ball.GetLocation();
        ArrayWrapper<CarWrapper> cars = state.GetCars();
        const int myTeam = car.GetTeamNum2();
        if (myTeam == 0 || myTeam == 1) match.team = myTeam;
        float nearest = c::NearestCarStart;
        int nearestTeam = -1;
        for (int i = 0; i < cars.Count(); ++i) {
            CarWrapper other = cars.Get(i);
            if (other.IsNull()) continue;
            const float distance = (other.GetLocation() - ballLocation).magnitude();
            if (distance < nearest) {
                nearest = distance;
                nearestTeam = other.GetTeamNum2();
            }
        }
        if (nearest < c::PossessionRadius) {
            if (nearestTeam == myTeam) {
                match.teamPossessionTime += possessionInterval;
                match.possessionTime += possessionInterval;
                sampling.hasPossession = true;
            } else {
                match.opponentPossessionTime += possessionInterval;
                sampling.hasPossession = false;
            }
        } else {
            sampling.hasPossession = false;
        }
    }
    sampling.lastPossessionSampleTime = now;
}
