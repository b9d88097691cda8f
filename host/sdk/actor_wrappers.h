// Handles onto world actors: ActorWrapper, BallWrapper, VehicleWrapper, CarWrapper and BoostWrapper.
#pragma once

#include "object_wrapper.h"
#include "player_wrappers.h"
#include "vector.h"

class HOSTSDK_API BoostWrapper : public ObjectWrapper {
public:
    using ObjectWrapper::ObjectWrapper;
    float GetCurrentBoostAmount() const;  // 0..1 of a full tank; 0 for a null handle
};

class HOSTSDK_API ActorWrapper : public ObjectWrapper {
public:
    using ObjectWrapper::ObjectWrapper;
    Vector GetLocation() const;       // world units; (0,0,0) for a null handle
    unsigned char GetTeamNum2() const; // 255 for an actor without a team or a null handle
};

class HOSTSDK_API BallWrapper : public ActorWrapper {
public:
    using ActorWrapper::ActorWrapper;
};

class HOSTSDK_API VehicleWrapper : public ActorWrapper {
public:
    using ActorWrapper::ActorWrapper;
    PriWrapper GetPRI() const;
    BoostWrapper GetBoostComponent() const;
};

class HOSTSDK_API CarWrapper : public VehicleWrapper {
public:
    using VehicleWrapper::VehicleWrapper;
};
