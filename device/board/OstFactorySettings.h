#pragma once

#include "LinkTimings.h"
#include "UsbTimings.h"
#include "ZeltoOptions.h"

#include <chrono>

class UsbBackend;

// How the device factory finds and keeps its boards. The defaults are the values
// boards are built for; tests hand in short timers, loopback addresses and free ports.
struct OstFactorySettings
{
    // The link protocol's timers of every device's datalink manager.
    LinkTimings linkTimings;
    // The board objects' settings. Its Wi-Fi link settings also govern the
    // factory's own connection attempts, and name the fallback board address.
    ZeltoOptions board;
    // A failed Wi-Fi connection attempt is tried again after this long.
    std::chrono::milliseconds reconnectInterval{2000};
    // The USB bus that boards are looked for on; null: the system's, through libusb.
    UsbBackend *usbBackend = nullptr;
    UsbTimings usbTimings;
};
