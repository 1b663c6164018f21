#pragma once

#include "NetworkDeviceInfo.h"

namespace ostrel::infra {

// Receives the instances that the discovery engine completes and loses. Both calls
// come on the discovery thread; the engine never deletes its listener.
class DeviceDiscoveryListener
{
public:
    virtual void deviceFound(NetworkDeviceInfo info) = 0;
    virtual void deviceLost(NetworkDeviceInfo info) = 0;

protected:
    ~DeviceDiscoveryListener() = default;
};

} // namespace ostrel::infra
