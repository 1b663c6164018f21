#pragma once

#include <chrono>

class FirmwareFileManager;
class VersionControl;

// Where the firmware update finds the published versions and the firmware files, and
// how long it waits for a board to come back after an upload. Null services are the
// process-wide ones; tests hand in their own and a short limit.
struct FirmwareUpdateSettings
{
    VersionControl *versions = nullptr;
    FirmwareFileManager *files = nullptr;
    // A board that has not come back this long after its upload finished has failed
    // its update.
    std::chrono::milliseconds restartLimit{180000};
};
