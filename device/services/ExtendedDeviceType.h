#pragma once

#include <QObject>

#include <cstdint>

// The board and robot variants a board reports (in its heartbeat and its board
// information). Signed 32-bit on the wire; values without a name may come as well.
namespace ostdevice {
Q_NAMESPACE

enum ExtendedDeviceType : int32_t {
    ReadError = -1,
    NoShield = 0,
    ShieldJST = 1,
    ShieldTerm = 2,
    ShieldM8 = 3,
    ShieldX4 = 4,
    ShieldX5 = 5,
    ShieldX6 = 6,
    ShieldX7 = 7,
    ShieldX8 = 8,
    ShieldX9 = 9,
    Industrial = 10,
    NumShields = Industrial,
    EVK = 11,
    ZeltoDevboard = 12,
    Tavrin = 13,
    TestBoard = 14,
    Rugged = 15,
    Bexlin = 16,
    Zelto_CES = 17,
    Tavrin_v1_3 = 18,
    Tavrin_v1_2 = 19,
    Tavrin_v1_2_1 = 20,
    Tavrin_v1_4 = 21,
    Kiro_v1_0 = 22,
    KestraTestExtension = 256,
};
Q_ENUM_NS(ExtendedDeviceType)

} // namespace ostdevice
