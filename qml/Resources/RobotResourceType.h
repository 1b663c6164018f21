#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// The kinds of resource a robot's information manager stores.
namespace RobotResourceType {
Q_NAMESPACE
QML_ELEMENT

// 32 bits wide, so that any value (an id read from elsewhere) is a valid one.
enum ResourceType : qint32 {
    Unknown = -1,
    Path = 0,
    Job = 1,
    Area = 2,
    Artifact = 3,
    Schedule = 4,
    Map = 5,
    Location = 6,
};
Q_ENUM_NS(ResourceType)

} // namespace RobotResourceType
