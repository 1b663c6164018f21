#pragma once

#include <QString>

#include <cstdint>

// The name shown to the user for the extended device type a board reports
// (ostdevice::ExtendedDeviceType). Values without a name of their own, -1 (a read
// error) among them, read as "Unknown device". The device-log list stores these
// names in its files, so they must stay as they are. Pure; any thread.
QString extendedDeviceTypeName(int32_t extendedDeviceType);
