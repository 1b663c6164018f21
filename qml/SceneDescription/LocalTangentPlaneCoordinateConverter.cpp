#include "LocalTangentPlaneCoordinateConverter.h"

#include "ConverterJsonForms.h"
#include "MapContext.h"

#include <GeographicLib/Geocentric.hpp>

#include <QDebug>

#include <cmath>

LocalTangentPlaneCoordinateConverter::LocalTangentPlaneCoordinateConverter(const QGeoCoordinate &reference,
                                                                           QObject *parent)
    : CoordinateConverter(parent)
    , m_plane(GeographicLib::Geocentric::WGS84())
{
    resetOrigin(withAltitude(reference));
}

LocalTangentPlaneCoordinateConverter::~LocalTangentPlaneCoordinateConverter() = default;

QGeoCoordinate LocalTangentPlaneCoordinateConverter::reference() const
{
    return QGeoCoordinate(m_plane.LatitudeOrigin(), m_plane.LongitudeOrigin(), m_plane.HeightOrigin());
}

void LocalTangentPlaneCoordinateConverter::setReference(const QGeoCoordinate &reference)
{
    // A reference without altitude is taken at altitude 0, as at construction; an
    // undefined origin height would make every conversion undefined.
    const QGeoCoordinate origin = withAltitude(reference);
    if (origin == this->reference())
        return;
    resetOrigin(origin);
    emit referenceChanged();
}

QGeoCoordinate LocalTangentPlaneCoordinateConverter::withAltitude(const QGeoCoordinate &reference)
{
    if (reference.type() == QGeoCoordinate::Coordinate3D)
        return reference;
    return QGeoCoordinate(reference.latitude(), reference.longitude(), 0);
}

void LocalTangentPlaneCoordinateConverter::resetOrigin(const QGeoCoordinate &reference)
{
    if (!reference.isValid())
        qWarning() << "The reference" << reference << "of a local tangent plane is not on the globe";
    try {
        m_plane.Reset(reference.latitude(), reference.longitude(), reference.altitude());
    } catch (const GeographicLib::GeographicErr &error) {
        qWarning() << "Cannot place a local tangent plane at" << reference << ":" << error.what();
    }
}

CoordinateConverter *LocalTangentPlaneCoordinateConverter::clone() const
{
    auto *copy = new LocalTangentPlaneCoordinateConverter(reference());
    copy->m_plane = m_plane;
    return copy;
}

QVector3D LocalTangentPlaneCoordinateConverter::convertToScene(const Coordinate &coordinate,
                                                               const MapContext *context) const
{
    if (!context) {
        qWarning() << "No map context to place" << coordinate << "of a local tangent plane in the scene";
        return notANumberVector();
    }
    return context->toSceneCoordinate(convertToGeo(coordinate));
}

Coordinate LocalTangentPlaneCoordinateConverter::convertFromScene(const QVector3D &sceneCoordinate,
                                                                  const MapContext *context) const
{
    if (!context) {
        qWarning() << "No map context to take" << sceneCoordinate << "from the scene into a local tangent plane";
        return notANumberCoordinate();
    }
    return convertFromGeo(context->fromSceneCoordinate(sceneCoordinate));
}

QGeoCoordinate LocalTangentPlaneCoordinateConverter::convertToGeo(const Coordinate &coordinate) const
{
    try {
        double latitude = 0;
        double longitude = 0;
        double height = 0;
        m_plane.Reverse(coordinate.x, coordinate.y, coordinate.z, latitude, longitude, height);
        return QGeoCoordinate(latitude, longitude, height);
    } catch (const GeographicLib::GeographicErr &error) {
        qWarning() << "Cannot convert" << coordinate
                   << "of a local tangent plane to geographic coordinates:" << error.what();
        return {};
    }
}

Coordinate LocalTangentPlaneCoordinateConverter::convertFromGeo(const QGeoCoordinate &geoCoordinate) const
{
    // A latitude beyond the poles has no place on the ellipsoid (the library would
    // give numbers for it).
    if (!(std::abs(geoCoordinate.latitude()) <= 90)) {
        qWarning() << "Cannot convert" << geoCoordinate << "to a local tangent plane: the latitude is out of range";
        return notANumberCoordinate();
    }
    try {
        Coordinate local;
        m_plane.Forward(geoCoordinate.latitude(), geoCoordinate.longitude(), geoCoordinate.altitude(), local.x, local.y,
                        local.z);
        return local;
    } catch (const GeographicLib::GeographicErr &error) {
        qWarning() << "Cannot convert" << geoCoordinate << "to a local tangent plane:" << error.what();
        return notANumberCoordinate();
    }
}

LocalTangentPlaneCoordinateConverter *
LocalTangentPlaneCoordinateConverter::fromJson(JsonContext &context, const QJsonValue &json, QObject *parent)
{
    return new LocalTangentPlaneCoordinateConverter(ConverterJsonForms::readLocalTangentPlane(context, json), parent);
}

void LocalTangentPlaneCoordinateConverter::toJson(JsonContext &, QJsonValue &json,
                                                  const LocalTangentPlaneCoordinateConverter &converter)
{
    json = ConverterJsonForms::writeLocalTangentPlane(converter.reference());
}

QList<LocalTangentPlaneCoordinateConverter *>
LocalTangentPlaneCoordinateConverter::listFromJson(JsonContext &context, const QJsonValue &json, QObject *parent)
{
    return ConverterJsonForms::readList<LocalTangentPlaneCoordinateConverter>(context, json, parent);
}

void LocalTangentPlaneCoordinateConverter::listToJson(JsonContext &context, QJsonValue &json,
                                                      const QList<LocalTangentPlaneCoordinateConverter *> &list)
{
    ConverterJsonForms::writeList(context, json, list);
}
