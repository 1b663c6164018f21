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

// How serious a notification is; posters pick it, the notification screens show it.
enum class ErrorLevel {
    None = 0,
    CriticalError = 1,
    Error = 2,
    Warning = 3,
    Info = 4,
};
Q_ENUM_NS(ErrorLevel)

// The mode this program runs in.
inline constexpr ReleaseMode kRunningReleaseMode = ReleaseMode::Release;

} // namespace halvora
