#include "RobotMapResourceInterface.h"

#include "MapMessages.h"
#include "RobotResourceInterface.h"
#include "RosBridgeClient.h"

RobotMapResourceInterface::RobotMapResourceInterface(const QString &prefix, RosBridgeClient *client, QObject *parent)
    : IRobotMapResourceInterface(parent)
    , m_resources(new RobotResourceInterface(prefix, RobotResourceType::Map, client, this))
    , m_client(client)
    , m_activeIdService(prefix + QStringLiteral("/get_active_id"))
{
}

RobotMapResourceInterface::~RobotMapResourceInterface() = default;

QFuture<QJsonObject> RobotMapResourceInterface::getResourceCpp(const QUuid &uuid)
{
    return m_resources->getResourceCpp(uuid);
}

QFuture<QUuid> RobotMapResourceInterface::setResourceCpp(const QJsonObject &resource)
{
    return m_resources->setResourceCpp(resource);
}

QFuture<void> RobotMapResourceInterface::removeResourceCpp(const QUuid &uuid)
{
    return m_resources->removeResourceCpp(uuid);
}

QFuture<QUuid> RobotMapResourceInterface::updateResourceCpp(const QJsonObject &resource)
{
    return m_resources->updateResourceCpp(resource);
}

QFuture<QList<RobotResourceInfo>> RobotMapResourceInterface::listResourcesCpp(const QUuid &group)
{
    return m_resources->listResourcesCpp(group);
}

QFuture<QUuid> RobotMapResourceInterface::getActiveIdCpp()
{
    // The reader fails the call with the robot's message when it reports no success.
    return m_client
        ->callService<RobotMessages::getActiveMapIdResponse>(m_activeIdService, QJsonObject(),
                                                             m_client->serviceCallTimeoutMs())
        .then([](const RobotMessages::getActiveMapIdResponse &response) { return response.uuid; });
}
