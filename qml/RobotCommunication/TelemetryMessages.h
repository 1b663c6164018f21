#pragma once

#include "JsonContext.h"
#include "PoseWithCovariance.h"
#include "TwistWithCovariance.h"

#include <QJsonValue>
#include <QMetaType>
#include <QObject>
#include <QString>

namespace RobotMessages {

// A robot's estimated pose with its velocities, in the form of a ROS odometry message:
// {"pose": {"pose": Pose, "covariance": [...]}, "twist": {"twist": {"linear",
// "angular"}, "covariance": [...]}}. The covariances may be of any length.
struct Odometry
{
    Q_GADGET
    Q_PROPERTY(PoseWithCovariance pose MEMBER pose)
    Q_PROPERTY(TwistWithCovariance twist MEMBER twist)

public:
    PoseWithCovariance pose;
    TwistWithCovariance twist;

    static Odometry fromJson(JsonContext &context, const QJsonValue &value);
};

// The coordinate system a robot reports its positions in, with flat keys: "type",
// "map_name", "latitude", "longitude", "altitude", "zone", "north", "x_offset",
// "y_offset", "z_offset".
struct OldCoordinateSystemInfo
{
    Q_GADGET
    Q_PROPERTY(int type MEMBER type)
    Q_PROPERTY(QString map_name MEMBER map_name)
    Q_PROPERTY(double latitude MEMBER latitude)
    Q_PROPERTY(double longitude MEMBER longitude)
    Q_PROPERTY(double altitude MEMBER altitude)
    Q_PROPERTY(qint8 zone MEMBER zone)
    Q_PROPERTY(bool north MEMBER north)
    Q_PROPERTY(double x_offset MEMBER x_offset)
    Q_PROPERTY(double y_offset MEMBER y_offset)
    Q_PROPERTY(double z_offset MEMBER z_offset)

public:
    enum Type { LocalRelative = 0, LocalTangentPlane = 1, Utm = 2, Unknown = 3 };
    Q_ENUM(Type)

    int type = Unknown;
    QString map_name;
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
    qint8 zone = 0;
    bool north = true;
    double x_offset = 0;
    double y_offset = 0;
    double z_offset = 0;

    static OldCoordinateSystemInfo fromJson(JsonContext &context, const QJsonValue &value);
};

// {"is_operational", "behavior_status", "position_accuracy_status"}; the accuracy text
// names a PositionAccuracy level ("position_ok"), -1 when it names none.
struct SystemStatus
{
    Q_GADGET
    Q_PROPERTY(bool is_operational MEMBER is_operational)
    Q_PROPERTY(QString behavior_status MEMBER behavior_status)
    Q_PROPERTY(int position_accuracy_status MEMBER position_accuracy_status)

public:
    bool is_operational = false;
    QString behavior_status;
    int position_accuracy_status = 0;

    static SystemStatus fromJson(JsonContext &context, const QJsonValue &value);
};

} // namespace RobotMessages

Q_DECLARE_METATYPE(RobotMessages::Odometry)
Q_DECLARE_METATYPE(RobotMessages::OldCoordinateSystemInfo)
Q_DECLARE_METATYPE(RobotMessages::SystemStatus)
