#include "MapMessages.h"

#include "JsonReaders.h"
#include "RobotServiceExceptions.h"

#include <QJsonObject>

namespace RobotMessages {

getActiveMapIdResponse getActiveMapIdResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    getActiveMapIdResponse response;
    response.success = ::fromJson<bool>(context, object.value(QLatin1String("success")));
    response.message = ::fromJson<QString>(context, object.value(QLatin1String("message")));
    response.uuid = ::fromJson<QUuid>(context, object.value(QLatin1String("uuid")));
    if (!response.success)
        throw ServiceCallFailedException(response.message);
    return response;
}

} // namespace RobotMessages
