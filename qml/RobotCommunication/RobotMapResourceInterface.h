#pragma once

#include "IRobotMapResourceInterface.h"

#include <QString>

class RobotResourceInterface;
class RosBridgeClient;

// The map store as the robot's services under prefix: the five resource services
// (through an inner RobotResourceInterface of type Map) and "<prefix>/get_active_id".
class RobotMapResourceInterface : public IRobotMapResourceInterface
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("RobotMapResourceInterface must be accessed through RobotConnection")

public:
    RobotMapResourceInterface(const QString &prefix, RosBridgeClient *client, QObject *parent = nullptr);
    ~RobotMapResourceInterface() override;

    QFuture<QJsonObject> getResourceCpp(const QUuid &uuid) override;
    QFuture<QUuid> setResourceCpp(const QJsonObject &resource) override;
    QFuture<void> removeResourceCpp(const QUuid &uuid) override;
    QFuture<QUuid> updateResourceCpp(const QJsonObject &resource) override;
    QFuture<QList<RobotResourceInfo>> listResourcesCpp(const QUuid &group) override;
    QFuture<QUuid> getActiveIdCpp() override;

private:
    RobotResourceInterface *m_resources; // a child
    RosBridgeClient *m_client;
    QString m_activeIdService;
};
