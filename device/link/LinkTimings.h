#pragma once

#include <chrono>

// The timers of the packet link. The defaults are the values boards are built for;
// tests hand in short ones so that they run in milliseconds.
struct LinkTimings
{
    // The host heartbeat goes out this often once the heartbeat has been started.
    std::chrono::milliseconds heartbeatInterval{1000};
    // A board that sends no heartbeat for this long counts as lost.
    std::chrono::milliseconds heartbeatWatchdog{15000};
    // How long a board may take to answer the device-information request.
    std::chrono::milliseconds deviceInfoLimit{3000};
};
