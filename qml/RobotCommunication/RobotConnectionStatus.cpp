#include "RobotConnectionStatus.h"

QString RobotConnectionStatus::toString(RobotConnectionStatus::Status status) const
{
    switch (status) {
    case Connecting:
        return tr("Connecting");
    case Connected:
        return tr("Connected");
    case Closing:
        return tr("Disconnecting");
    case Closed:
        return tr("Disconnected");
    case Error:
        return tr("Error");
    case Unknown:
        break;
    }
    return tr("Unknown");
}
