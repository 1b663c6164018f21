#pragma once

#include "JsonContext.h"

#include <QJsonValue>
#include <QMetaType>
#include <QObject>
#include <QString>

namespace RobotMessages {

// The success flag and message with which the robot's services answer. A typed
// service call that reads this message (or one derived from it) fails when success is
// false.
struct GenericResponse
{
    Q_GADGET
    Q_PROPERTY(bool success MEMBER success)
    Q_PROPERTY(QString message MEMBER message)

public:
    bool success = false;
    QString message;

    // {"success": boolean, "message": string}; both keys must be there.
    static GenericResponse fromJson(JsonContext &context, const QJsonValue &value);

    friend bool operator==(const GenericResponse &a, const GenericResponse &b)
    {
        return a.success == b.success && a.message == b.message;
    }
    friend bool operator!=(const GenericResponse &a, const GenericResponse &b) { return !(a == b); }
};

} // namespace RobotMessages

Q_DECLARE_METATYPE(RobotMessages::GenericResponse)
