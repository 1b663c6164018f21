#pragma once

#include "RobotResourceType.h"

#include <QMetaType>
#include <QString>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

class QDataStream;
class QDebug;

// The identity of a robot resource: its kind and its UUID. Its string form is
// "<kind>:<uuid without braces>", e.g. "Map:6f1d...".
struct RobotResourceId
{
    Q_GADGET
    QML_VALUE_TYPE(robotResourceId)
    Q_PROPERTY(RobotResourceType::ResourceType type MEMBER type)
    Q_PROPERTY(QUuid uuid MEMBER uuid)

public:
    RobotResourceType::ResourceType type = RobotResourceType::Path;
    QUuid uuid;

    Q_INVOKABLE QString toString() const;
    // The id of a string form. Anything but exactly "<kind>:<uuid>" gives the default
    // id; an unknown kind gives Unknown, text that is no UUID the null UUID.
    static RobotResourceId fromString(const QString &text);

    friend bool operator==(const RobotResourceId &a, const RobotResourceId &b)
    {
        return a.type == b.type && a.uuid == b.uuid;
    }
    friend bool operator!=(const RobotResourceId &a, const RobotResourceId &b) { return !(a == b); }
    friend bool operator<(const RobotResourceId &a, const RobotResourceId &b)
    {
        if (a.type != b.type)
            return int(a.type) < int(b.type);
        return a.uuid < b.uuid;
    }
};

QDebug operator<<(QDebug debug, const RobotResourceId &id);
QDataStream &operator<<(QDataStream &stream, const RobotResourceId &id);
QDataStream &operator>>(QDataStream &stream, RobotResourceId &id);

Q_DECLARE_METATYPE(RobotResourceId)
