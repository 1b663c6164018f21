#pragma once

#include "IRobotConnection.h"
#include "RosBridgeClient.h"

#include <QPointer>
#include <QtQml/qqmlregistration.h>

class RobotMapResourceInterface;
class RobotResourceInterface;

// One robot over the rosbridge protocol: a RosBridgeClient (borrowed, or made and
// owned) and the robot's service interfaces, all children of the connection, so they
// exist for its whole life whatever its status.
class RobotConnection : public IRobotConnection
{
    Q_OBJECT
    QML_ELEMENT

public:
    // The ROS names the service interfaces build their services and topics on.
    struct NamePrefixes
    {
        static const QString pathResources;
        static const QString areaResources;
        static const QString jobResources;
        static const QString artifactResources;
        static const QString scheduleResources;
        static const QString mapResources;
        static const QString jobActions;
        static const QString pathRecording;
        static const QString telemetry;
    };

    static constexpr quint16 defaultPort = 9090;

    // Uses the given client without taking it over; the interfaces use it too, so it
    // should outlive the connection.
    RobotConnection(RosBridgeClient *client, QObject *parent);
    // Makes a client (and its transport) of its own.
    explicit RobotConnection(QObject *parent = nullptr);
    ~RobotConnection() override;

    // Opens ws://<host>:<port> with the URL's host and port (9090 when it has none);
    // the URL's scheme and path are not used.
    QFuture<bool> connectCpp(const QUrl &url) override;
    void disconnect() override;
    RobotConnectionStatus::Status status() const override;
    QString name() const override;
    QString serial() const override;
    IRobotResourceInterface *pathResourceInterface() const override;
    IRobotResourceInterface *jobResourceInterface() const override;
    IRobotResourceInterface *areaResourceInterface() const override;
    IRobotResourceInterface *artifactResourceInterface() const override;
    IRobotResourceInterface *scheduleResourceInterface() const override;
    IRobotMapResourceInterface *mapResourceInterface() const override;
    IRobotResourceInterface *resourceInterface(RobotResourceType::ResourceType type) const override;
    RobotJobInterface *jobInterface() const override;
    RobotPathRecordingInterface *pathRecordingInterface() const override;
    RobotTelemetryInterface *telemetryInterface() const override;

    RosBridgeClient *client() const { return m_client; }

private:
    // A borrowed client may go first: the connection then reads as closed.
    QPointer<RosBridgeClient> m_client;
    RobotResourceInterface *m_pathResources;
    RobotResourceInterface *m_jobResources;
    RobotResourceInterface *m_areaResources;
    RobotResourceInterface *m_artifactResources;
    RobotResourceInterface *m_scheduleResources;
    RobotMapResourceInterface *m_mapResources;
    RobotJobInterface *m_jobs;
    RobotPathRecordingInterface *m_pathRecording;
    RobotTelemetryInterface *m_telemetry;
};
