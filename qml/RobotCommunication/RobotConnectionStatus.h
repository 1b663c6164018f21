#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

// The status of a robot connection, shared by the transport, the rosbridge client and
// the connections that QML holds, with the texts the screens show for it.
class RobotConnectionStatus : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    // Of a fixed width, so that any number QML passes (toString of an unknown value)
    // is a valid value.
    enum Status : int {
        Connecting = 0,
        Connected = 1,
        Closing = 2,
        Closed = 3,
        Error = 4,
        Unknown = 5,
    };
    Q_ENUM(Status)

    using QObject::QObject;

    Q_INVOKABLE QString toString(RobotConnectionStatus::Status status) const;
};
