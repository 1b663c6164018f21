#include "RobotTelemetryInterface.h"

#include "CoordinateConverter.h"
#include "LocalRelativeCoordinateConverter.h"
#include "LocalTangentPlaneCoordinateConverter.h"
#include "RobotSubscription.h"
#include "RosBridgeClient.h"
#include "UTMCoordinateConverter.h"

#include <QGeoCoordinate>

#include <cstring>
#include <functional>

using namespace RobotMessages;

namespace {

// Position as doubles, orientation as floats; the covariances as bytes unless they
// share their storage.
bool poseDiffers(const PoseWithCovariance &a, const PoseWithCovariance &b)
{
    if (a.position.x != b.position.x || a.position.y != b.position.y || a.position.z != b.position.z)
        return true;
    if (a.orientation.scalar() != b.orientation.scalar() || a.orientation.x() != b.orientation.x()
        || a.orientation.y() != b.orientation.y() || a.orientation.z() != b.orientation.z())
        return true;
    if (a.covariance.size() != b.covariance.size())
        return true;
    if (a.covariance.isSharedWith(b.covariance) || a.covariance.isEmpty())
        return false;
    return std::memcmp(a.covariance.constData(), b.covariance.constData(), sizeof(double) * a.covariance.size()) != 0;
}

// Every component as a float, the covariances element by element (a NaN always
// differs).
bool twistDiffers(const TwistWithCovariance &a, const TwistWithCovariance &b)
{
    for (int i = 0; i < 3; ++i) {
        if (a.linearVelocity[i] != b.linearVelocity[i] || a.angularVelocity[i] != b.angularVelocity[i])
            return true;
    }
    if (a.covariance.size() != b.covariance.size())
        return true;
    for (qsizetype i = 0; i < a.covariance.size(); ++i) {
        if (a.covariance.at(i) != b.covariance.at(i))
            return true;
    }
    return false;
}

} // namespace

RobotTelemetryInterface::RobotTelemetryInterface(const QString &prefix, RosBridgeClient *client, QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_poseTopic(prefix + QStringLiteral("/estimated_pose"))
    , m_coordinateSystemTopic(prefix + QStringLiteral("/coordinate_system"))
    , m_systemStatusTopic(prefix + QStringLiteral("/interface/system_status"))
    , m_poseType(QStringLiteral("nav_msgs/msg/Odometry"))
    , m_coordinateSystemType(QStringLiteral("autonomy_msgs/msg/CoordinateSystemInfo"))
    , m_systemStatusType(QStringLiteral("autopilot_msgs/msg/SystemStatus"))
{
    QObject::connect(m_client, &RosBridgeClient::connectionStatusChanged, this,
                     &RobotTelemetryInterface::onConnectionStatusChanged);
}

RobotTelemetryInterface::~RobotTelemetryInterface()
{
    // The subscriptions call back into this object: they go first.
    delete m_poseSubscription.data();
    delete m_coordinateSystemSubscription.data();
    delete m_systemStatusSubscription.data();
}

CoordinateConverter *RobotTelemetryInterface::coordinateSystem() const
{
    return m_coordinateSystem.data();
}

void RobotTelemetryInterface::onConnectionStatusChanged()
{
    if (m_client->connectionStatus() != RobotConnectionStatus::Connected) {
        dropSubscriptions();
        return;
    }
    // Handles from an earlier connection would deliver every message twice.
    dropSubscriptions();
    m_poseSubscription = watch<Odometry>(m_poseTopic, m_poseType, &m_poseSubscription,
                                         &RobotTelemetryInterface::onOdometry);
    m_coordinateSystemSubscription = watch<OldCoordinateSystemInfo>(m_coordinateSystemTopic, m_coordinateSystemType,
                                                                    &m_coordinateSystemSubscription,
                                                                    &RobotTelemetryInterface::onCoordinateSystemInfo);
    m_systemStatusSubscription = watch<SystemStatus>(m_systemStatusTopic, m_systemStatusType,
                                                     &m_systemStatusSubscription,
                                                     &RobotTelemetryInterface::onSystemStatus);
}

template<class Message>
RobotSubscription *RobotTelemetryInterface::watch(const QString &topic, const QString &type,
                                                  QPointer<RobotSubscription> *held,
                                                  void (RobotTelemetryInterface::*handler)(const Message &))
{
    RobotSubscription *subscription = m_client->subscribe(topic, type, this);
    const QPointer<RobotSubscription> self(subscription);
    subscription->onMessage(std::function<void(const Message &)>([this, self, held, handler](const Message &message) {
        // Only the handle that is held speaks for the topic.
        if (self && self.data() == held->data())
            (this->*handler)(message);
    }));
    return subscription;
}

void RobotTelemetryInterface::dropSubscriptions()
{
    // Later, not now: this may run inside one of their deliveries. Once dropped, they
    // no longer pass anything on (see watch).
    for (QPointer<RobotSubscription> *held :
         {&m_poseSubscription, &m_coordinateSystemSubscription, &m_systemStatusSubscription}) {
        if (RobotSubscription *subscription = held->data())
            subscription->deleteLater();
        held->clear();
    }
}

void RobotTelemetryInterface::onOdometry(const Odometry &odometry)
{
    const bool poseChange = poseDiffers(odometry.pose, m_pose);
    const bool twistChange = twistDiffers(odometry.twist, m_twist);
    m_pose = odometry.pose;
    m_twist = odometry.twist;
    if (poseChange)
        emit poseChanged();
    if (twistChange)
        emit twistChanged();
}

void RobotTelemetryInterface::onCoordinateSystemInfo(const OldCoordinateSystemInfo &info)
{
    CoordinateConverter *converter = nullptr;
    switch (info.type) {
    case OldCoordinateSystemInfo::LocalRelative:
        converter = new LocalRelativeCoordinateConverter(QUuid(), this);
        break;
    case OldCoordinateSystemInfo::LocalTangentPlane:
        converter = new LocalTangentPlaneCoordinateConverter(
            QGeoCoordinate(info.latitude, info.longitude, info.altitude), this);
        break;
    case OldCoordinateSystemInfo::Utm:
        converter = new UTMCoordinateConverter(Coordinate{info.x_offset, info.y_offset, info.z_offset}, info.zone,
                                               info.north, this);
        break;
    default:
        break;
    }
    CoordinateConverter *previous = m_coordinateSystem.data();
    m_coordinateSystem = converter;
    // QML may still hold the one it read until it has seen the change.
    if (previous)
        previous->deleteLater();
    if (converter != previous)
        emit coordinateSystemChanged();
}

void RobotTelemetryInterface::onSystemStatus(const SystemStatus &status)
{
    const bool operationalChange = status.is_operational != m_operationalStatus;
    const bool behaviorChange = status.behavior_status != m_behaviorStatus;
    const bool accuracyChange = status.position_accuracy_status != m_positionAccuracy;
    m_operationalStatus = status.is_operational;
    m_behaviorStatus = status.behavior_status;
    m_positionAccuracy = status.position_accuracy_status;
    if (operationalChange)
        emit operationalStatusChanged();
    if (behaviorChange)
        emit behaviorStatusChanged();
    if (accuracyChange)
        emit positionAccuracyChanged();
}
