#pragma once

#include <chrono>

// The timers of the USB transport and of USB discovery. The defaults are the values
// boards are built for; tests hand in short ones so that they run in milliseconds.
struct UsbTimings
{
    // Discovery waits this long after its thread starts ...
    std::chrono::milliseconds discoveryStartDelay{2000};
    // ... and then looks at the bus once per interval.
    std::chrono::milliseconds discoveryInterval{1000};
    // How long the writer waits for the previous packet to leave.
    std::chrono::milliseconds writeWait{5000};
    // The libusb time-out of every OUT chunk, in milliseconds.
    unsigned int chunkTimeoutMs = 5;
    // At teardown the frames still queued, such as a board object's goodbye, get this
    // long to leave before the transfers are cancelled.
    std::chrono::milliseconds closingFlushLimit{500};
    // At teardown each cancelled transfer gets this long to report back, ...
    std::chrono::milliseconds cancelWait{200};
    // ... and is cancelled again up to this many more times.
    int cancelRetries = 5;
};
