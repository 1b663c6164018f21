#include "ExtendedDeviceTypeName.h"

#include "ExtendedDeviceType.h"

QString extendedDeviceTypeName(int32_t extendedDeviceType)
{
    using namespace ostdevice;
    // Every shield variant, the board without a shield included, is the exploration board.
    if (extendedDeviceType >= NoShield && extendedDeviceType <= ShieldX9)
        return QStringLiteral("Zelto Exploration");
    switch (extendedDeviceType) {
    case Industrial:
        return QStringLiteral("Zelto Industrial");
    case EVK:
        return QStringLiteral("NXP evaluation kit");
    case ZeltoDevboard:
        return QStringLiteral("Zelto Development board");
    case Tavrin:
        return QStringLiteral("Tavrin");
    case Rugged:
        return QStringLiteral("Zelto Rugged");
    case Bexlin:
        return QStringLiteral("Bexlin");
    case Zelto_CES:
        return QStringLiteral("Zelto CES");
    case Tavrin_v1_3:
        return QStringLiteral("Tavrin v1.3");
    case Tavrin_v1_2:
        return QStringLiteral("Tavrin v1.2");
    case Tavrin_v1_2_1:
        return QStringLiteral("Tavrin v1.2.1");
    case Tavrin_v1_4:
        return QStringLiteral("Tavrin v1.4");
    case Kiro_v1_0:
        return QStringLiteral("Kiro v1.0");
    case KestraTestExtension:
        return QStringLiteral("Kestra test extension");
    default:
        return QStringLiteral("Unknown device"); // ReadError and TestBoard too
    }
}
