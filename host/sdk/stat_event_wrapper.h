// Handles onto stat-ticker events and the game's strings: StatEventWrapper, UnrealStringWrapper.
#pragma once

#include <string>

#include "object_wrapper.h"

class HOSTSDK_API UnrealStringWrapper : public ObjectWrapper {
public:
    using ObjectWrapper::ObjectWrapper;
    std::string ToString() const;  // empty for a null handle
};

class HOSTSDK_API StatEventWrapper : public ObjectWrapper {
public:
    using ObjectWrapper::ObjectWrapper;
    UnrealStringWrapper GetLabel() const;
};
