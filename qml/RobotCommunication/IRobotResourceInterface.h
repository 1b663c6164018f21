#pragma once

#include "RobotResourceInfo.h"

#include <QFuture>
#include <QJSValue>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

// The store of one kind of a robot's resources: fetch, set, update, remove and list.
// The operations ending in "Cpp" return futures; the invokables of the same name hand
// those futures to QML as promises.
class IRobotResourceInterface : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("IRobotResourceInterface must be accessed through IRobotConnection")

public:
    explicit IRobotResourceInterface(QObject *parent = nullptr);
    ~IRobotResourceInterface() override;

    virtual QFuture<QJsonObject> getResourceCpp(const QUuid &uuid) = 0;
    // Finishes with the UUID the robot gave the resource.
    virtual QFuture<QUuid> setResourceCpp(const QJsonObject &resource) = 0;
    virtual QFuture<void> removeResourceCpp(const QUuid &uuid) = 0;
    virtual QFuture<QUuid> updateResourceCpp(const QJsonObject &resource) = 0;
    // The resources of one group, or all of them for the null UUID.
    virtual QFuture<QList<RobotResourceInfo>> listResourcesCpp(const QUuid &group) = 0;

    Q_INVOKABLE QJSValue getResource(const QUuid &uuid);
    Q_INVOKABLE QJSValue setResource(const QJsonObject &resource);
    Q_INVOKABLE QJSValue removeResource(const QUuid &uuid);
    Q_INVOKABLE QJSValue updateResource(const QJsonObject &resource);
    Q_INVOKABLE QJSValue listResources(const QUuid &group);
    Q_INVOKABLE QJSValue listResources();
};
