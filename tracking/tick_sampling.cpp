// Per-tick sampling of the local car's speed and boost and of ball possession.
#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "plugin/zando.h"
#include "tracking/event_guards.h"
#include "tracking/game_constants.h"

namespace c = zando::constants;
namespace g = zando::guards;

namespace {

bool NearLargePad(Vector location) {
    for (Vector pad : c::LargePadLocations)
        if ((location - pad).magnitude() < c::LargePadRadius) return true;
    return false;
}

}  // namespace

void ZANDO::SampleTick() {
    if (!gameWrapper || !cvarManager || !matchActive || trackingPaused) return;
    ServerWrapper state = gameWrapper->GetCurrentGameState();
    if (state.IsNull()) return;
    CarWrapper car = gameWrapper->GetLocalCar();
    if (car.IsNull()) {
        // No car to drive (demolished, or not spawned yet): the tank it comes back with is a refill,
        // neither used nor collected, so the next reading starts afresh.
        lastBoostAmount = -1.0f;
        return;
    }

    // Speed: this is called for every car's input and every frame, so most calls see the clock of
    // the previous one; only a call a real interval later measures anything.
    Vector location = car.GetLocation();
    const float now = state.GetSecondsElapsed();
    const float interval = now - g::lastSpeedSampleTime;
    const bool measured = g::lastSpeedSampleTime > 0.0f && interval > 0.0f && interval < c::SpeedIntervalLimit;
    const float speed = measured ? (location - g::lastCarLocation).magnitude() / interval : 0.0f;
    g::lastCarLocation = location;
    g::lastSpeedSampleTime = now;
    if (measured && speed >= 0.0f && speed <= c::SpeedCeiling) {
        speedSum += speed;
        speedSamples += 1;
        lastMeasuredSpeed = speed;
    }

    BoostWrapper boost = car.GetBoostComponent();
    if (boost.IsNull()) return;
    const float amount = boost.GetCurrentBoostAmount();
    if (lastBoostAmount >= 0.0f) {
        const float delta = amount - lastBoostAmount;
        if (delta > c::PickupThreshold) {
            const float gain = delta * 100.0f;
            // A large pad tops up a nearly full tank by as little as a small pad would: where the car is
            // tells them apart first.
            if (gain >= c::LargePadGain || NearLargePad(location)) boostCollected += c::LargePadCredit;
            else boostCollected += c::SmallPadCredit;
        } else if (delta < -c::SpendThreshold) {
            const float used = -delta * 100.0f;
            if (used < c::SpendCeiling) boostUsed += used;
        }
    }
    lastBoostAmount = amount;

    BallWrapper ball = state.GetBall();
    if (ball.IsNull()) return;
    const float possessionInterval = now - lastPossessionSampleTime;
    if (lastPossessionSampleTime >= 0.0f && possessionInterval > 0.0f && possessionInterval < c::PossessionIntervalLimit) {
        gameTime += possessionInterval;
        if (lastMeasuredSpeed >= c::SupersonicSpeed) supersonicTime += possessionInterval;
        if (amount <= 0.0f) emptyTankTime += possessionInterval;
        else if (amount >= 1.0f) fullTankTime += possessionInterval;
        const Vector ballLocation = ball.GetLocation();
        ArrayWrapper<CarWrapper> cars = state.GetCars();
        const int myTeam = car.GetTeamNum2();
        if (myTeam == 0 || myTeam == 1) localTeam = myTeam;
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
                teamPossessionTime += possessionInterval;
                possessionTime += possessionInterval;
                hasPossession = true;
            } else {
                opponentPossessionTime += possessionInterval;
                hasPossession = false;
            }
        } else {
            hasPossession = false;
        }
    }
    lastPossessionSampleTime = now;
}
