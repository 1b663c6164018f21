#pragma once

#include <QString>

#include <cstdint>

namespace devicelogs {

// The name shown to the user for a board variant (an ostdevice::ExtendedDeviceType
// value); "Unknown device" for values without a name.
QString extendedDeviceTypeName(int32_t extendedDeviceType);

} // namespace devicelogs
