#include "TelemetryMessages.h"

#include "JsonException.h"
#include "JsonReaders.h"
#include "PathRecordingMessages.h"
#include "PositionAccuracy.h"
#include "UTMCoordinateConverter.h"

#include <QJsonObject>
#include <QMetaEnum>

namespace RobotMessages {

namespace {

// A number that must be there, as a whole number (0 when it is not whole).
qint64 readWholeNumber(const QJsonValue &value, bool keyedTypeError)
{
    if (value.isUndefined())
        throw JsonUndefinedException();
    if (!value.isDouble()) {
        if (keyedTypeError)
            throw JsonInvalidTypeException(value.type(), QJsonValue::Double);
        throw JsonInvalidTypeException();
    }
    return value.toInteger(0);
}

} // namespace

Odometry Odometry::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    const QJsonObject pose = object.value(QLatin1String("pose")).toObject();
    const QJsonObject twist = object.value(QLatin1String("twist")).toObject();

    Odometry odometry;
    odometry.pose.covariance = ::fromJson<QList<double>>(context, pose.value(QLatin1String("covariance")));
    static_cast<Pose &>(odometry.pose) = readPose(context, pose.value(QLatin1String("pose")));
    odometry.twist.covariance = ::fromJson<QList<double>>(context, twist.value(QLatin1String("covariance")));
    const QJsonObject velocities = twist.value(QLatin1String("twist")).toObject();
    odometry.twist.angularVelocity = ::fromJson<QVector3D>(context, velocities.value(QLatin1String("angular")));
    odometry.twist.linearVelocity = ::fromJson<QVector3D>(context, velocities.value(QLatin1String("linear")));
    return odometry;
}

OldCoordinateSystemInfo OldCoordinateSystemInfo::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    OldCoordinateSystemInfo info;
    info.type = int(readWholeNumber(object.value(QLatin1String("type")), true));
    info.map_name = ::fromJson<QString>(context, object.value(QLatin1String("map_name")));
    info.latitude = ::fromJson<double>(context, object.value(QLatin1String("latitude")));
    info.longitude = ::fromJson<double>(context, object.value(QLatin1String("longitude")));
    info.altitude = ::fromJson<double>(context, object.value(QLatin1String("altitude")));
    const qint64 zone = readWholeNumber(object.value(QLatin1String("zone")), false);
    if (zone < -128 || zone > 127)
        throw JsonInvalidTypeException(QJsonValue::Double, QJsonValue::Double);
    // A UTM system needs a real zone: the robot's word would otherwise reach the
    // projection as zone 0 (the polar one) or as a zone that does not exist.
    if (info.type == Utm && !UTMCoordinateConverter::isValidZone(int(zone)))
        throw JsonInvalidTypeException(QStringLiteral("UTM zone"));
    info.zone = qint8(zone);
    info.north = ::fromJson<bool>(context, object.value(QLatin1String("north")));
    info.x_offset = ::fromJson<double>(context, object.value(QLatin1String("x_offset")));
    info.y_offset = ::fromJson<double>(context, object.value(QLatin1String("y_offset")));
    info.z_offset = ::fromJson<double>(context, object.value(QLatin1String("z_offset")));
    return info;
}

SystemStatus SystemStatus::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    SystemStatus status;
    status.is_operational = ::fromJson<bool>(context, object.value(QLatin1String("is_operational")));
    status.behavior_status = ::fromJson<QString>(context, object.value(QLatin1String("behavior_status")));
    QString accuracy = ::fromJson<QString>(context, object.value(QLatin1String("position_accuracy_status")));
    if (accuracy.isEmpty()) {
        status.position_accuracy_status = -1;
        return status;
    }
    accuracy[0] = accuracy.at(0).toUpper();
    const QMetaEnum levels = QMetaEnum::fromType<PositionAccuracy::PositionAccuracyEnum>();
    const QByteArray key = accuracy.toLocal8Bit();
    // Only a bare key names a level; keyToValue would also take a scoped one.
    status.position_accuracy_status = key.contains(':') ? -1 : levels.keyToValue(key.constData());
    return status;
}

} // namespace RobotMessages
