#pragma once

#include "CoordinateConverter.h"
#include "PositionAccuracy.h"
#include "PoseWithCovariance.h"
#include "TelemetryMessages.h"
#include "TwistWithCovariance.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

class RobotSubscription;
class RosBridgeClient;

// The robot's telemetry while the connection is up: its estimated pose and velocities,
// a converter for the coordinate system it reports positions in, whether it is
// operational, its behaviour and its position accuracy. The values stay as they are
// while the connection is down; the robot's next messages after a reconnect update
// them.
class RobotTelemetryInterface : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("RobotTelemetryInterface must be accessed through RobotConnection")
    Q_PROPERTY(PoseWithCovariance pose READ pose NOTIFY poseChanged)
    Q_PROPERTY(TwistWithCovariance twist READ twist NOTIFY twistChanged)
    Q_PROPERTY(CoordinateConverter *coordinateSystem READ coordinateSystem NOTIFY coordinateSystemChanged)
    Q_PROPERTY(bool operationalStatus READ operationalStatus NOTIFY operationalStatusChanged)
    Q_PROPERTY(QString behaviorStatus READ behaviorStatus NOTIFY behaviorStatusChanged)
    Q_PROPERTY(RobotMessages::PositionAccuracy::PositionAccuracyEnum positionAccuracy READ positionAccuracy NOTIFY
                   positionAccuracyChanged)

public:
    RobotTelemetryInterface(const QString &prefix, RosBridgeClient *client, QObject *parent = nullptr);
    ~RobotTelemetryInterface() override;

    PoseWithCovariance pose() const { return m_pose; }
    TwistWithCovariance twist() const { return m_twist; }
    CoordinateConverter *coordinateSystem() const;
    bool operationalStatus() const { return m_operationalStatus; }
    QString behaviorStatus() const { return m_behaviorStatus; }
    RobotMessages::PositionAccuracy::PositionAccuracyEnum positionAccuracy() const
    {
        return RobotMessages::PositionAccuracy::PositionAccuracyEnum(m_positionAccuracy);
    }

    void onConnectionStatusChanged();
    void onOdometry(const RobotMessages::Odometry &odometry);
    void onCoordinateSystemInfo(const RobotMessages::OldCoordinateSystemInfo &info);
    void onSystemStatus(const RobotMessages::SystemStatus &status);

signals:
    void poseChanged();
    void twistChanged();
    void coordinateSystemChanged();
    void operationalStatusChanged();
    void behaviorStatusChanged();
    void positionAccuracyChanged();

private:
    // A child subscription to topic whose messages, read as Message, go to handler while
    // *held is that subscription.
    template<class Message>
    RobotSubscription *watch(const QString &topic, const QString &type, QPointer<RobotSubscription> *held,
                             void (RobotTelemetryInterface::*handler)(const Message &));
    void dropSubscriptions();

    RosBridgeClient *m_client;
    PoseWithCovariance m_pose;
    TwistWithCovariance m_twist;
    QPointer<CoordinateConverter> m_coordinateSystem; // a child
    bool m_operationalStatus = false;
    QString m_behaviorStatus;
    int m_positionAccuracy = RobotMessages::PositionAccuracy::Unknown;
    QPointer<RobotSubscription> m_poseSubscription; // children while held
    QPointer<RobotSubscription> m_coordinateSystemSubscription;
    QPointer<RobotSubscription> m_systemStatusSubscription;
    QString m_poseTopic;
    QString m_coordinateSystemTopic;
    QString m_systemStatusTopic;
    QString m_poseType;
    QString m_coordinateSystemType;
    QString m_systemStatusType;
};
