// Handles onto a match: GameEventWrapper / ServerWrapper, the car list and the playlist.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "actor_wrappers.h"
#include "game_objects.h"
#include "object_wrapper.h"
#include "stat_event_wrapper.h"

// A view of a list of game objects; Get out of range, or of a demolished car, gives a null handle.
template <class T>
class ArrayWrapper {
public:
    explicit ArrayWrapper(const std::vector<std::unique_ptr<host::game::Car>>* cars = nullptr) : cars_(cars) {}
    int Count() const { return cars_ ? static_cast<int>(cars_->size()) : 0; }
    T Get(int index) const {
        if (!cars_ || index < 0 || index >= Count()) return T(0);
        const host::game::Car* car = (*cars_)[static_cast<std::size_t>(index)].get();
        return T(car->demolished ? 0 : reinterpret_cast<std::uintptr_t>(car));
    }

private:
    const std::vector<std::unique_ptr<host::game::Car>>* cars_;
};

class HOSTSDK_API GameSettingPlaylistWrapper : public ObjectWrapper {
public:
    using ObjectWrapper::ObjectWrapper;
    UnrealStringWrapper GetTitle() const;
    unsigned long GetbRanked() const;  // non-zero = ranked
    int GetPlaylistId() const;
};

class HOSTSDK_API GameEventWrapper : public ObjectWrapper {
public:
    using ObjectWrapper::ObjectWrapper;
    ArrayWrapper<CarWrapper> GetCars() const;
    GameSettingPlaylistWrapper GetPlaylist() const;
};

class HOSTSDK_API ServerWrapper : public GameEventWrapper {
public:
    using GameEventWrapper::GameEventWrapper;
    unsigned long GetbOverTime() const;  // non-zero in overtime
    float GetSecondsElapsed() const;     // match clock, seconds
    BallWrapper GetBall() const;
};
