#include "UTMCoordinateConverter.h"

#include "ConverterJsonForms.h"
#include "MapContext.h"

#include <GeographicLib/UTMUPS.hpp>

#include <QDebug>

#include <cmath>

namespace {

// UTM's false northing of the southern hemisphere.
constexpr double southernFalseNorthing = 10'000'000.0;

} // namespace

UTMCoordinateConverter::UTMCoordinateConverter(const Coordinate &offset, int zone, bool north, QObject *parent)
    : CoordinateConverter(parent)
    , m_offset(offset)
    , m_zone(zone)
    , m_north(north)
{
}

UTMCoordinateConverter::~UTMCoordinateConverter() = default;

void UTMCoordinateConverter::setOffset(const Coordinate &offset)
{
    if (offset == m_offset)
        return;
    m_offset = offset;
    emit offsetChanged();
}

void UTMCoordinateConverter::setZone(int zone)
{
    if (zone == m_zone)
        return;
    m_zone = zone;
    emit zoneChanged();
}

void UTMCoordinateConverter::setNorth(bool north)
{
    if (north == m_north)
        return;
    m_north = north;
    emit northChanged();
}

CoordinateConverter *UTMCoordinateConverter::clone() const
{
    return new UTMCoordinateConverter(m_offset, m_zone, m_north);
}

QVector3D UTMCoordinateConverter::convertToScene(const Coordinate &coordinate, const MapContext *context) const
{
    if (!context) {
        qWarning() << "No map context to place" << coordinate << "of a UTM frame in the scene";
        return notANumberVector();
    }
    return context->toSceneCoordinate(convertToGeo(coordinate));
}

Coordinate UTMCoordinateConverter::convertFromScene(const QVector3D &sceneCoordinate, const MapContext *context) const
{
    if (!context) {
        qWarning() << "No map context to take" << sceneCoordinate << "from the scene into a UTM frame";
        return notANumberCoordinate();
    }
    return convertFromGeo(context->fromSceneCoordinate(sceneCoordinate));
}

QGeoCoordinate UTMCoordinateConverter::convertToGeo(const Coordinate &coordinate) const
{
    if (!isValidZone(m_zone)) {
        qWarning() << "UTM zone" << m_zone << "is not a zone from 1 to 60: cannot convert" << coordinate;
        return {};
    }
    const double easting = coordinate.x + m_offset.x;
    double northing = coordinate.y + m_offset.y;
    if (!std::isfinite(easting) || !std::isfinite(northing)) {
        qWarning() << "Cannot convert" << coordinate << "of UTM zone" << m_zone << "to geographic coordinates";
        return {};
    }
    // A northing that continues the zone's hemisphere across the equator belongs to the
    // other one.
    bool northernPoint = m_north;
    if (m_north && northing < 0) {
        northernPoint = false;
        northing += southernFalseNorthing;
    } else if (!m_north && northing >= southernFalseNorthing) {
        northernPoint = true;
        northing -= southernFalseNorthing;
    }
    try {
        double latitude = 0;
        double longitude = 0;
        GeographicLib::UTMUPS::Reverse(m_zone, northernPoint, easting, northing, latitude, longitude, false);
        return QGeoCoordinate(latitude, longitude, coordinate.z + m_offset.z);
    } catch (const GeographicLib::GeographicErr &error) {
        qWarning() << "Cannot convert" << coordinate << "of UTM zone" << m_zone << (m_north ? "north" : "south")
                   << "to geographic coordinates:" << error.what();
        return {};
    }
}

Coordinate UTMCoordinateConverter::convertFromGeo(const QGeoCoordinate &geoCoordinate) const
{
    if (!isValidZone(m_zone)) {
        qWarning() << "UTM zone" << m_zone << "is not a zone from 1 to 60: cannot convert" << geoCoordinate;
        return notANumberCoordinate();
    }
    try {
        int zone = 0;
        bool north = false;
        double easting = 0;
        double northing = 0;
        GeographicLib::UTMUPS::Forward(geoCoordinate.latitude(), geoCoordinate.longitude(), zone, north, easting,
                                       northing, m_zone, false);
        // The zone is forced, so the library gives it back; the point's own zone tells.
        zone = GeographicLib::UTMUPS::StandardZone(geoCoordinate.latitude(), geoCoordinate.longitude());
        if (zone != m_zone || north != m_north)
            qWarning().nospace() << "Coordinate " << geoCoordinate << " does not fall into the current UTM zone";
        if (north && !m_north)
            northing += southernFalseNorthing;
        else if (!north && m_north)
            northing -= southernFalseNorthing;
        return {easting - m_offset.x, northing - m_offset.y, geoCoordinate.altitude() - m_offset.z};
    } catch (const GeographicLib::GeographicErr &error) {
        qWarning() << "Cannot convert" << geoCoordinate << "to UTM zone" << m_zone << (m_north ? "north" : "south")
                   << ":" << error.what();
        return notANumberCoordinate();
    }
}

UTMCoordinateConverter *UTMCoordinateConverter::fromJson(JsonContext &context, const QJsonValue &json, QObject *parent)
{
    const ConverterJsonForms::UtmForm form = ConverterJsonForms::readUtm(context, json);
    return new UTMCoordinateConverter(form.offset, form.zone, form.north, parent);
}

void UTMCoordinateConverter::toJson(JsonContext &, QJsonValue &json, const UTMCoordinateConverter &converter)
{
    json = ConverterJsonForms::writeUtm({converter.m_offset, converter.m_zone, converter.m_north});
}

QList<UTMCoordinateConverter *> UTMCoordinateConverter::listFromJson(JsonContext &context, const QJsonValue &json,
                                                                     QObject *parent)
{
    return ConverterJsonForms::readList<UTMCoordinateConverter>(context, json, parent);
}

void UTMCoordinateConverter::listToJson(JsonContext &context, QJsonValue &json,
                                        const QList<UTMCoordinateConverter *> &list)
{
    ConverterJsonForms::writeList(context, json, list);
}
