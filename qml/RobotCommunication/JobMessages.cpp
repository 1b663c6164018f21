#include "JobMessages.h"

#include <QJsonObject>

namespace RobotMessages {

QJsonObject StartJobRequest::toJson(JsonContext &) const
{
    return {{QLatin1String("uuid"), uuid.toString(QUuid::WithBraces)}};
}

StartJobResponse StartJobResponse::fromJson(JsonContext &context, const QJsonValue &value)
{
    StartJobResponse response;
    response.result = GenericResponse::fromJson(context, value.toObject().value(QLatin1String("result")));
    return response;
}

} // namespace RobotMessages
