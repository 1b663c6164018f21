#include "RobotConnection.h"

#include "RobotMapResourceInterface.h"
#include "RobotResourceInterface.h"
#include "RosBridgeClient.h"

#include <QPromise>

const QString RobotConnection::NamePrefixes::pathResources =
    QStringLiteral("/autopilot/information_manager/resource/path");
const QString RobotConnection::NamePrefixes::areaResources =
    QStringLiteral("/autopilot/information_manager/resource/area");
const QString RobotConnection::NamePrefixes::jobResources =
    QStringLiteral("/autopilot/information_manager/resource/job");
const QString RobotConnection::NamePrefixes::artifactResources =
    QStringLiteral("/autopilot/information_manager/resource/artifact");
const QString RobotConnection::NamePrefixes::scheduleResources =
    QStringLiteral("/autopilot/information_manager/resource/schedule");
const QString RobotConnection::NamePrefixes::mapResources =
    QStringLiteral("/autopilot/information_manager/resource/map");
const QString RobotConnection::NamePrefixes::jobActions = QStringLiteral("/autopilot/information_manager/action/job");
const QString RobotConnection::NamePrefixes::pathRecording = QStringLiteral("/autopilot");
const QString RobotConnection::NamePrefixes::telemetry = QStringLiteral("/autopilot");

RobotConnection::RobotConnection(RosBridgeClient *client, QObject *parent)
    : IRobotConnection(parent)
    , m_client(client)
    , m_pathResources(new RobotResourceInterface(NamePrefixes::pathResources, RobotResourceType::Path, client, this))
    , m_jobResources(new RobotResourceInterface(NamePrefixes::jobResources, RobotResourceType::Job, client, this))
    , m_areaResources(new RobotResourceInterface(NamePrefixes::areaResources, RobotResourceType::Area, client, this))
    , m_artifactResources(new RobotResourceInterface(NamePrefixes::artifactResources, RobotResourceType::Artifact,
                                                     client, this))
    , m_scheduleResources(new RobotResourceInterface(NamePrefixes::scheduleResources, RobotResourceType::Schedule,
                                                     client, this))
    , m_mapResources(new RobotMapResourceInterface(NamePrefixes::mapResources, client, this))
    , m_jobs(new RobotJobInterface(NamePrefixes::jobActions, client, this))
    , m_pathRecording(new RobotPathRecordingInterface(NamePrefixes::pathRecording, client, this))
    , m_telemetry(new RobotTelemetryInterface(NamePrefixes::telemetry, client, this))
{
    QObject::connect(client, &RosBridgeClient::connectionStatusChanged, this,
                     &IRobotConnection::connectionStatusChanged);
}

RobotConnection::RobotConnection(QObject *parent)
    : RobotConnection(new RosBridgeClient(), parent)
{
    m_client->setParent(this);
}

RobotConnection::~RobotConnection() = default;

QFuture<bool> RobotConnection::connectCpp(const QUrl &url)
{
    if (!m_client) {
        QPromise<bool> failed;
        failed.start();
        failed.addResult(false);
        failed.finish();
        return failed.future();
    }
    return m_client->connect(url.host(QUrl::FullyDecoded), quint16(url.port(defaultPort)));
}

void RobotConnection::disconnect()
{
    if (m_client)
        m_client->disconnect();
}

RobotConnectionStatus::Status RobotConnection::status() const
{
    return m_client ? m_client->connectionStatus() : RobotConnectionStatus::Closed;
}

// This robot model reports neither its name nor its serial over rosbridge.
QString RobotConnection::name() const
{
    return QStringLiteral("Bexlin");
}

QString RobotConnection::serial() const
{
    return QStringLiteral("1");
}

IRobotResourceInterface *RobotConnection::pathResourceInterface() const
{
    return m_pathResources;
}

IRobotResourceInterface *RobotConnection::jobResourceInterface() const
{
    return m_jobResources;
}

IRobotResourceInterface *RobotConnection::areaResourceInterface() const
{
    return m_areaResources;
}

IRobotResourceInterface *RobotConnection::artifactResourceInterface() const
{
    return m_artifactResources;
}

IRobotResourceInterface *RobotConnection::scheduleResourceInterface() const
{
    return m_scheduleResources;
}

IRobotMapResourceInterface *RobotConnection::mapResourceInterface() const
{
    return m_mapResources;
}

IRobotResourceInterface *RobotConnection::resourceInterface(RobotResourceType::ResourceType type) const
{
    switch (type) {
    case RobotResourceType::Path:
        return m_pathResources;
    case RobotResourceType::Job:
        return m_jobResources;
    case RobotResourceType::Area:
        return m_areaResources;
    case RobotResourceType::Artifact:
        return m_artifactResources;
    case RobotResourceType::Schedule:
        return m_scheduleResources;
    case RobotResourceType::Map:
        return m_mapResources;
    case RobotResourceType::Unknown:
    case RobotResourceType::Location:
        break;
    }
    return nullptr;
}

RobotJobInterface *RobotConnection::jobInterface() const
{
    return m_jobs;
}

RobotPathRecordingInterface *RobotConnection::pathRecordingInterface() const
{
    return m_pathRecording;
}

RobotTelemetryInterface *RobotConnection::telemetryInterface() const
{
    return m_telemetry;
}
