#pragma once

#include "GenericResponse.h"
#include "JsonContext.h"
#include "Pose.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

namespace RobotMessages {

// {"override": boolean}: whether a recording that runs is replaced.
struct RecordPathRequest
{
    Q_GADGET
    Q_PROPERTY(bool override MEMBER override)

public:
    bool override = false;

    QJsonObject toJson(JsonContext &context) const;
};

// {"name": string}: the name the recorded path is saved under.
struct SavePathRequest
{
    Q_GADGET
    Q_PROPERTY(QString name MEMBER name)

public:
    QString name;

    QJsonObject toJson(JsonContext &context) const;
};

// {"uuid", "success", "message"}, all at the top level; the uuid is that of the saved
// path.
struct SavePathResponse : GenericResponse
{
    Q_GADGET
    Q_PROPERTY(QUuid uuid MEMBER uuid)

public:
    QUuid uuid;

    static SavePathResponse fromJson(JsonContext &context, const QJsonValue &value);
};

// A ROS path message: {"poses": [{"pose": Pose}, ...]}; headers are not read.
struct NavPath
{
    Q_GADGET
    Q_PROPERTY(QList<Pose> poses MEMBER poses)

public:
    QList<Pose> poses;

    static NavPath fromJson(JsonContext &context, const QJsonValue &value);
};

// {"orientation": quaternion, "position": {"x", "y", "z"}}, read in that order.
Pose readPose(JsonContext &context, const QJsonValue &value);

} // namespace RobotMessages

Q_DECLARE_METATYPE(RobotMessages::RecordPathRequest)
Q_DECLARE_METATYPE(RobotMessages::SavePathRequest)
Q_DECLARE_METATYPE(RobotMessages::SavePathResponse)
Q_DECLARE_METATYPE(RobotMessages::NavPath)
