#include "RobotResourceInterface.h"

#include "ResourceMessages.h"
#include "RosBridgeClient.h"

using namespace RobotMessages;

namespace {

// A false success flag fails the call with the robot's message; a success whose
// resource text is unusable fails as malformed JSON rather than passing as empty.
void checkResult(const GenericResponse &result)
{
    if (!result.success)
        throw ServiceCallFailedException(result.message);
}

} // namespace

RobotResourceInterface::RobotResourceInterface(const QString &prefix, RobotResourceType::ResourceType type,
                                               RosBridgeClient *client, QObject *parent)
    : RobotResourceInterface(prefix, type, QStringLiteral("get"), QStringLiteral("set"), QStringLiteral("update"),
                             QStringLiteral("delete"), QStringLiteral("list"), client, parent)
{
}

RobotResourceInterface::RobotResourceInterface(const QString &prefix, RobotResourceType::ResourceType type,
                                               const QString &getName, const QString &setName,
                                               const QString &updateName, const QString &deleteName,
                                               const QString &listName, RosBridgeClient *client, QObject *parent)
    : IRobotResourceInterface(parent)
    , m_client(client)
    , m_type(type)
    , m_getService(prefix + QLatin1Char('/') + getName)
    , m_setService(prefix + QLatin1Char('/') + setName)
    , m_updateService(prefix + QLatin1Char('/') + updateName)
    , m_deleteService(prefix + QLatin1Char('/') + deleteName)
    , m_listService(prefix + QLatin1Char('/') + listName)
{
}

RobotResourceInterface::~RobotResourceInterface() = default;

// The continuations below capture nothing of this object: a call may finish after the
// interface is gone.

QFuture<QJsonObject> RobotResourceInterface::getResourceCpp(const QUuid &uuid)
{
    return m_client
        ->callService<GetResourceResponse>(m_getService, GetResourceRequest{uuid}, m_client->serviceCallTimeoutMs())
        .then([](const GetResourceResponse &response) {
            checkResult(response.result);
            response.jsonState.check();
            return response.json;
        });
}

QFuture<QUuid> RobotResourceInterface::setResourceCpp(const QJsonObject &resource)
{
    return m_client
        ->callService<SetResourceResponse>(m_setService, SetResourceRequest{resource}, m_client->serviceCallTimeoutMs())
        .then([](const SetResourceResponse &response) {
            checkResult(response.result);
            return response.uuid;
        });
}

QFuture<void> RobotResourceInterface::removeResourceCpp(const QUuid &uuid)
{
    return m_client
        ->callService<DeleteResourceResponse>(m_deleteService, DeleteResourceRequest{uuid},
                                              m_client->serviceCallTimeoutMs())
        .then([](const DeleteResourceResponse &response) { checkResult(response.result); });
}

QFuture<QUuid> RobotResourceInterface::updateResourceCpp(const QJsonObject &resource)
{
    return m_client
        ->callService<UpdateResourceResponse>(m_updateService, UpdateResourceRequest{resource},
                                              m_client->serviceCallTimeoutMs())
        .then([](const UpdateResourceResponse &response) {
            checkResult(response.result);
            return response.uuid;
        });
}

QFuture<QList<RobotResourceInfo>> RobotResourceInterface::listResourcesCpp(const QUuid &group)
{
    return m_client
        ->callService<ListResourcesResponse>(m_listService, ListResourcesRequest{group},
                                             m_client->serviceCallTimeoutMs())
        .then([type = m_type](const ListResourcesResponse &response) {
            checkResult(response.result);
            response.jsonState.check();
            QList<RobotResourceInfo> resources;
            resources.reserve(response.resources.size());
            for (const ListResourcesEntry &entry : response.resources) {
                RobotResourceInfo info;
                info.uuid = entry.uuid;
                info.group = entry.group;
                info.name = entry.name;
                info.type = type;
                info.lastModified = entry.created_date;
                resources.append(info);
            }
            return resources;
        });
}
