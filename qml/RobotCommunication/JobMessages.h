#pragma once

#include "GenericResponse.h"
#include "JsonContext.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QMetaType>
#include <QObject>
#include <QUuid>

namespace RobotMessages {

// Starts the stored job with this UUID: {"uuid": braced lower-case text}.
struct StartJobRequest
{
    Q_GADGET
    Q_PROPERTY(QUuid uuid MEMBER uuid)

public:
    QUuid uuid;

    QJsonObject toJson(JsonContext &context) const;
};

// {"result": {"success", "message"}}; the stop service answers in this form as well.
struct StartJobResponse
{
    Q_GADGET
    Q_PROPERTY(RobotMessages::GenericResponse result MEMBER result)

public:
    GenericResponse result;

    static StartJobResponse fromJson(JsonContext &context, const QJsonValue &value);
};

} // namespace RobotMessages

Q_DECLARE_METATYPE(RobotMessages::StartJobRequest)
Q_DECLARE_METATYPE(RobotMessages::StartJobResponse)
