#include "PathRecordingMessages.h"

#include "JsonReaders.h"

#include <QJsonArray>
#include <QJsonObject>

namespace RobotMessages {

QJsonObject RecordPathRequest::toJson(JsonContext &) const
{
    return {{QLatin1String("override"), override}};
}

QJsonObject SavePathRequest::toJson(JsonContext &) const
{
    return {{QLatin1String("name"), name}};
}

SavePathResponse SavePathResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    SavePathResponse response;
    response.uuid = ::fromJson<QUuid>(context, value.toObject().value(QLatin1String("uuid")));
    static_cast<GenericResponse &>(response) = GenericResponse::fromJson(context, value);
    return response;
}

Pose readPose(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    Pose pose;
    pose.orientation = ::fromJson<QQuaternion>(context, object.value(QLatin1String("orientation")));
    // A position that is no object has no keys: it fails on "z" as absent.
    const QJsonObject position = object.value(QLatin1String("position")).toObject();
    pose.position.z = ::fromJson<double>(context, position.value(QLatin1String("z")));
    pose.position.y = ::fromJson<double>(context, position.value(QLatin1String("y")));
    pose.position.x = ::fromJson<double>(context, position.value(QLatin1String("x")));
    return pose;
}

NavPath NavPath::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonArray poses = value.toObject().value(QLatin1String("poses")).toArray();
    NavPath path;
    path.poses.reserve(poses.size());
    for (const QJsonValue stamped : poses)
        path.poses.append(readPose(context, stamped.toObject().value(QLatin1String("pose")).toObject()));
    return path;
}

} // namespace RobotMessages
