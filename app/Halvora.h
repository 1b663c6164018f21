#pragma once

#include <QObject>

// Enumerations shared across the program, exposed to QML through the namespace's
// meta-object.
namespace halvora {
Q_NAMESPACE

enum class ReleaseMode {
    Develop = 1,
    Manufacturing = 2,
    Release = 3,
};
Q_ENUM_NS(ReleaseMode)

// The mode this program runs in.
inline constexpr ReleaseMode kRunningReleaseMode = ReleaseMode::Release;

} // namespace halvora
