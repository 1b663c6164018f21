#include "ConverterJsonForms.h"

#include "CoordinateConverter.h"
#include "JsonReaders.h"

#include <QObject>

#include <limits>

namespace ConverterJsonForms {

namespace {

const QLatin1String typeKey("type");
const QLatin1String localRelativeKey("local_relative");
const QLatin1String localTangentPlaneKey("local_tangent_plane");
const QLatin1String utmKey("UTM");
const QLatin1String latitudeKey("latitude");
const QLatin1String longitudeKey("longitude");
const QLatin1String altitudeKey("altitude");
const QLatin1String zoneKey("zone");
const QLatin1String northKey("north");
const QLatin1String xOffsetKey("x_offset");
const QLatin1String yOffsetKey("y_offset");
const QLatin1String zOffsetKey("z_offset");

int readZone(const QJsonValue &value)
{
    if (value.isUndefined())
        throw JsonUndefinedException();
    if (!value.isDouble())
        throw JsonInvalidTypeException();
    const qint64 zone = value.toInteger(0);
    if (zone < std::numeric_limits<int>::min() || zone > std::numeric_limits<int>::max())
        throw JsonInvalidTypeException(QJsonValue::Double, QJsonValue::Double);
    // Only the zones 1 to 60 exist; a fraction reads as 0 and is refused with them.
    if (zone < 1 || zone > 60)
        throw JsonInvalidTypeException(QStringLiteral("UTM zone"));
    return int(zone);
}

} // namespace

QUuid readLocalRelative(JsonContext &context, const QJsonValue &json)
{
    return fromJson<QUuid>(context, json.toObject().value(localRelativeKey));
}

QJsonObject writeLocalRelative(const QUuid &mapId)
{
    return {{typeKey, CoordinateConverter::local_relative}, {localRelativeKey, mapId.toString()}};
}

QGeoCoordinate readLocalTangentPlane(JsonContext &context, const QJsonValue &json)
{
    const QJsonValue data = json.toObject().value(localTangentPlaneKey);
    if (!data.isObject())
        throw JsonInvalidTypeException(QObject::tr("Missing local tangent plane data"));
    const QJsonObject object = data.toObject();
    const double latitude = fromJson<double>(context, object.value(latitudeKey));
    const double longitude = fromJson<double>(context, object.value(longitudeKey));
    const double altitude = fromJson<double>(context, object.value(altitudeKey));
    // A reference off the globe would make every conversion meaningless.
    if (!(latitude >= -90 && latitude <= 90 && longitude >= -180 && longitude <= 180))
        throw JsonInvalidTypeException(QStringLiteral("geographic reference"));
    return QGeoCoordinate(latitude, longitude, altitude);
}

QJsonObject writeLocalTangentPlane(const QGeoCoordinate &reference)
{
    return {{typeKey, CoordinateConverter::local_tangent_plane},
            {localTangentPlaneKey, QJsonObject{{latitudeKey, reference.latitude()},
                                               {longitudeKey, reference.longitude()},
                                               {altitudeKey, reference.altitude()}}}};
}

UtmForm readUtm(JsonContext &context, const QJsonValue &json)
{
    const QJsonValue data = json.toObject().value(utmKey);
    if (!data.isObject())
        throw JsonInvalidTypeException(QObject::tr("Missing UTM data"));
    const QJsonObject object = data.toObject();
    UtmForm form;
    form.offset.x = fromJson<double>(context, object.value(xOffsetKey));
    form.offset.y = fromJson<double>(context, object.value(yOffsetKey));
    form.offset.z = fromJson<double>(context, object.value(zOffsetKey));
    form.zone = readZone(object.value(zoneKey));
    form.north = fromJson<bool>(context, object.value(northKey));
    return form;
}

QJsonObject writeUtm(const UtmForm &form)
{
    return {{typeKey, CoordinateConverter::utm},
            {utmKey, QJsonObject{{zoneKey, form.zone},
                                 {northKey, form.north},
                                 {xOffsetKey, form.offset.x},
                                 {yOffsetKey, form.offset.y},
                                 {zOffsetKey, form.offset.z}}}};
}

QJsonArray requireArray(const QJsonValue &json)
{
    if (json.isUndefined())
        throw JsonUndefinedException();
    if (!json.isArray())
        throw JsonInvalidTypeException(json.type(), QJsonValue::Array);
    return json.toArray();
}

} // namespace ConverterJsonForms
