#pragma once

#include "IRobotResourceInterface.h"
#include "RobotResourceType.h"

#include <QString>

class RosBridgeClient;

// The resource operations as the robot's services "<prefix>/get", "/set", "/update",
// "/delete" and "/list", called through a RosBridgeClient that the interface does not
// own. Listed entries carry the interface's resource type.
class RobotResourceInterface : public IRobotResourceInterface
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("RobotResourceInterface must be accessed through RobotConnection")

public:
    RobotResourceInterface(const QString &prefix, RobotResourceType::ResourceType type, RosBridgeClient *client,
                           QObject *parent = nullptr);
    RobotResourceInterface(const QString &prefix, RobotResourceType::ResourceType type, const QString &getName,
                           const QString &setName, const QString &updateName, const QString &deleteName,
                           const QString &listName, RosBridgeClient *client, QObject *parent = nullptr);
    ~RobotResourceInterface() override;

    RobotResourceType::ResourceType resourceType() const { return m_type; }

    QFuture<QJsonObject> getResourceCpp(const QUuid &uuid) override;
    QFuture<QUuid> setResourceCpp(const QJsonObject &resource) override;
    QFuture<void> removeResourceCpp(const QUuid &uuid) override;
    QFuture<QUuid> updateResourceCpp(const QJsonObject &resource) override;
    QFuture<QList<RobotResourceInfo>> listResourcesCpp(const QUuid &group) override;

private:
    RosBridgeClient *m_client;
    RobotResourceType::ResourceType m_type;
    QString m_getService;
    QString m_setService;
    QString m_updateService;
    QString m_deleteService;
    QString m_listService;
};
