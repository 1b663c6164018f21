#pragma once

#include <QObject>
#include <QUuid>

// A store of robot resources that says when its contents change.
class IRobotResourceProvider : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void resourceAdded(const QUuid &id);
    void resourceRemoved(const QUuid &id);
    void resourceChanged(const QUuid &id);
};
