#pragma once

#include <cstdint>

// The channel number of a payload on the packet link. It travels as an unsigned
// 16-bit value from the services through the frame to the board and back.
using DatalinkChannelId = uint16_t;

namespace dlComm {
// The device type a board names in its heartbeat (1 controller board, 2 the second
// device model); kept as the raw 16-bit value since boards may report others.
using Type = uint16_t;
} // namespace dlComm
