#pragma once

#include "Coordinate.h"
#include "JsonContext.h"
#include "JsonException.h"

#include <QGeoCoordinate>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QUuid>

// The JSON forms of the coordinate converters, one object per converter:
//   {"type": 0, "local_relative": "{map uuid}"}
//   {"type": 1, "local_tangent_plane": {"latitude", "longitude", "altitude"}}
//   {"type": 2, "UTM": {"zone", "north", "x_offset", "y_offset", "z_offset"}}
// and the list form, an array of such objects. The readers ignore "type" (the caller
// already knows the kind) and throw the JSON exceptions for anything malformed.
namespace ConverterJsonForms {

QUuid readLocalRelative(JsonContext &context, const QJsonValue &json);
QJsonObject writeLocalRelative(const QUuid &mapId);

QGeoCoordinate readLocalTangentPlane(JsonContext &context, const QJsonValue &json);
QJsonObject writeLocalTangentPlane(const QGeoCoordinate &reference);

struct UtmForm
{
    Coordinate offset;
    int zone = 0;
    bool north = true;
};
UtmForm readUtm(JsonContext &context, const QJsonValue &json);
QJsonObject writeUtm(const UtmForm &form);

// Checks that json is an array (JsonUndefinedException or JsonInvalidTypeException).
QJsonArray requireArray(const QJsonValue &json);

// Reads every element with K::fromJson. When one fails, the converters made before it
// are deleted and the exception goes on to the caller.
template<class K>
QList<K *> readList(JsonContext &context, const QJsonValue &json, QObject *parent)
{
    const QJsonArray array = requireArray(json);
    QList<K *> converters;
    converters.reserve(array.size());
    try {
        for (const QJsonValue element : array)
            converters.append(K::fromJson(context, element, parent));
    } catch (...) {
        qDeleteAll(converters);
        throw;
    }
    return converters;
}

template<class K>
void writeList(JsonContext &context, QJsonValue &json, const QList<K *> &converters)
{
    QJsonArray array;
    for (const K *converter : converters) {
        QJsonValue element;
        K::toJson(context, element, *converter);
        array.append(element);
    }
    json = array;
}

} // namespace ConverterJsonForms
