#include "RobotJobInterface.h"

#include "JobMessages.h"
#include "RobotPromise.h"
#include "RosBridgeClient.h"

using namespace RobotMessages;

namespace {

void checkStarted(const StartJobResponse &response)
{
    if (!response.result.success)
        throw ServiceCallFailedException(response.result.message);
}

} // namespace

RobotJobInterface::RobotJobInterface(const QString &prefix, RosBridgeClient *client, QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_startService(prefix + QStringLiteral("/start"))
    , m_stopService(prefix + QStringLiteral("/stop"))
{
}

RobotJobInterface::~RobotJobInterface() = default;

QFuture<void> RobotJobInterface::startJobCpp(const QUuid &uuid)
{
    return m_client
        ->callService<StartJobResponse>(m_startService, StartJobRequest{uuid}, m_client->serviceCallTimeoutMs())
        .then(checkStarted);
}

QJSValue RobotJobInterface::startJob(const QUuid &uuid)
{
    return robotPromise(this, startJobCpp(uuid));
}

QFuture<void> RobotJobInterface::stopJobCpp()
{
    return m_client->callService<StartJobResponse>(m_stopService, QJsonObject(), m_client->serviceCallTimeoutMs())
        .then(checkStarted);
}

QJSValue RobotJobInterface::stopJob()
{
    return robotPromise(this, stopJobCpp());
}
