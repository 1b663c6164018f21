#pragma once

#include "JsonContext.h"

#include <QJsonValue>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

namespace RobotMessages {

// The answer of the active-map service: {"success", "message", "uuid"}, all at the top
// level. Reading it fails with the robot's message when success is false.
struct getActiveMapIdResponse
{
    Q_GADGET
    Q_PROPERTY(QUuid uuid MEMBER uuid)

public:
    bool success = false;
    QString message;
    QUuid uuid;

    static getActiveMapIdResponse fromJson(JsonContext &context, const QJsonValue &value);
};

} // namespace RobotMessages

Q_DECLARE_METATYPE(RobotMessages::getActiveMapIdResponse)
