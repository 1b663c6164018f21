#include "GenericResponse.h"

#include "JsonReaders.h"

#include <QJsonObject>

namespace RobotMessages {

GenericResponse GenericResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    // A value that is no object has no keys: it fails on "success" as absent.
    const QJsonObject object = value.toObject();
    GenericResponse response;
    response.success = ::fromJson<bool>(context, object.value(QLatin1String("success")));
    response.message = ::fromJson<QString>(context, object.value(QLatin1String("message")));
    return response;
}

} // namespace RobotMessages
