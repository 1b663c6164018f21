#pragma once

#include "AbstractExternalMonitor.h"
#include "ExternalMode.h"
#include "WifiLinkSettings.h"

#include <chrono>

// How a board object behaves towards its board. The defaults are the values boards
// are built for; tests hand in a short poll, a free bridge port and a monitor of
// their own.
struct ZeltoOptions
{
    // The board's status is asked for this often while it is connected.
    std::chrono::milliseconds statusPollInterval{1000};
    // The local port on which the external-mode bridge listens once the board
    // reports external mode open; 0 lets the system choose one.
    int externalModePort = ExternalMode::DefaultPort;
    // Makes the board's external monitor when the board opens its monitoring
    // service; without one the service opens and closes but no monitor is made.
    ExternalMonitorMaker makeExternalMonitor;
    // Where a Wi-Fi link that the board object adds reaches the board.
    WifiLinkSettings wifiLink;
};
