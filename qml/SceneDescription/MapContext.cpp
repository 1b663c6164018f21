#include "MapContext.h"

#include "LocalRelativeCoordinateConverter.h"

#include <QDebug>
#include <QJSEngine>

#include <cmath>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double equatorialRadius = 6378137;
constexpr double polarRadius = 6356752; // as the map tiles are drawn, a whole number
constexpr double tilePixels = 256;
constexpr double pixelsPerRadian = tilePixels / (2 * pi);
constexpr double scenePerMetre = 10;

double radians(double degrees)
{
    return degrees * pi / 180;
}

double degrees(double radians)
{
    return radians * 180 / pi;
}

} // namespace

MapContext::MapContext(QObject *parent)
    : QObject(parent)
{
}

MapContext::~MapContext() = default;

Location::LocationType MapContext::locationType() const
{
    return m_location ? m_location->locationType() : Location::Unknown;
}

void MapContext::setLocation(std::shared_ptr<Location> location)
{
    if (location == m_location)
        return;
    if (m_location)
        disconnect(m_location.get(), nullptr, this, nullptr);
    m_location = std::move(location);
    if (m_location) {
        connect(m_location.get(), &Location::geoCoordinateChanged, this, [this] {
            updateWorldReferenceMercator();
            emit worldReferenceMercatorChanged();
        });
        connect(m_location.get(), &Location::locationTypeChanged, this, &MapContext::locationTypeChanged);
    }
    updateWorldReferenceMercator();
    // Each change of the context is followed at once by contextChanged, for every
    // listener, whenever it connected.
    emit locationChanged();
    emit contextChanged();
    emit worldReferenceMercatorChanged();
    emit locationTypeChanged();
}

void MapContext::setZoomLevel(int zoomLevel)
{
    if (zoomLevel == m_zoomLevel)
        return;
    if (zoomLevel < 0 || zoomLevel > maximumZoomLevel) {
        qWarning() << "Refusing map zoom level" << zoomLevel << "- levels go from 0 to" << maximumZoomLevel;
        return;
    }
    m_zoomLevel = zoomLevel;
    updateWorldReferenceMercator();
    emit zoomLevelChanged();
    emit contextChanged();
    emit worldReferenceMercatorChanged();
}

void MapContext::setTileSize(float tileSize)
{
    if (tileSize == m_tileSize)
        return;
    m_tileSize = tileSize;
    emit tileSizeChanged();
    emit contextChanged();
}

QmlSharedPointer *MapContext::locationForQml() const
{
    if (!m_location)
        return nullptr;
    return static_cast<QmlSharedPointer *>(QmlSharedPointer::create(qjsEngine(this), m_location));
}

void MapContext::setLocationFromQml(QmlSharedPointer *sharedPointer)
{
    std::shared_ptr<Location> location;
    if (sharedPointer)
        location = std::dynamic_pointer_cast<Location>(sharedPointer->sharedObject());
    setLocation(std::move(location));
}

double MapContext::tilesAcross() const
{
    return double(1 << m_zoomLevel);
}

double MapContext::tileWidthAtLatitude(double lat) const
{
    const double c = std::cos(radians(lat));
    const double s = std::sin(radians(lat));
    const double a2 = equatorialRadius * equatorialRadius;
    const double b2 = polarRadius * polarRadius;
    const double radius = std::sqrt((std::pow(a2 * c, 2) + std::pow(b2 * s, 2))
                                    / (std::pow(equatorialRadius * c, 2) + std::pow(polarRadius * s, 2)));
    return 2 * pi * radius * c / tilesAcross();
}

Coordinate MapContext::toWebMercatorCoordinate(const QGeoCoordinate &coordinate) const
{
    const double scale = tilesAcross() * pixelsPerRadian;
    const double phi = radians(coordinate.latitude());
    const double lambda = radians(coordinate.longitude());
    return {scale * (lambda + pi), scale * (pi - std::log(std::tan(phi / 2 + pi / 4))),
            coordinate.altitude() * tilePixels / tileWidthAtLatitude(coordinate.latitude())};
}

QGeoCoordinate MapContext::fromWebMercatorCoordinate(const Coordinate &coordinate) const
{
    const double worldPixels = tilePixels * tilesAcross();
    const double latitude = degrees(2 * std::atan(std::exp(pi - 2 * pi * coordinate.y / worldPixels)) - pi / 2);
    const double longitude = degrees(2 * pi * coordinate.x / worldPixels - pi);
    const double altitude = coordinate.z / (tilePixels / tileWidthAtLatitude(latitude));
    return QGeoCoordinate(latitude, longitude, altitude);
}

bool MapContext::isIndoor() const
{
    return m_location && m_location->locationType() == Location::Indoor;
}

QVector3D MapContext::toSceneCoordinate(const QGeoCoordinate &coordinate) const
{
    if (isIndoor()) {
        // A location whose map object has not arrived yet has no converter: its frame
        // is taken directly, as the converter would without its map.
        const LocalRelativeCoordinateConverter *local = m_location->localMapConverter();
        if (!local)
            qWarning() << "The indoor location's map is not available yet: placing" << coordinate << "directly";
        const Coordinate v = local ? local->convertFromGeo(coordinate)
                                   : LocalRelativeCoordinateConverter::directFromGeo(coordinate);
        return QVector3D(float(scenePerMetre * v.x), float(scenePerMetre * v.z), float(-scenePerMetre * v.y));
    }
    const Coordinate w = toWebMercatorCoordinate(coordinate);
    const Coordinate &r = m_worldReferenceMercator;
    const double k = m_tileSize / tilePixels;
    return QVector3D(float((w.x - r.x) * k), float((w.z - r.z) * k), float((w.y - r.y) * k));
}

QGeoCoordinate MapContext::fromSceneCoordinate(const QVector3D &sceneCoordinate) const
{
    const QVector3D &p = sceneCoordinate;
    if (isIndoor()) {
        const LocalRelativeCoordinateConverter *local = m_location->localMapConverter();
        if (!local)
            qWarning() << "The indoor location's map is not available yet: placing" << p << "directly";
        const Coordinate v{p.x() / scenePerMetre, -p.z() / scenePerMetre, p.y() / scenePerMetre};
        return local ? local->convertToGeo(v) : LocalRelativeCoordinateConverter::directToGeo(v);
    }
    const Coordinate &r = m_worldReferenceMercator;
    const double k = tilePixels / m_tileSize;
    return fromWebMercatorCoordinate({p.x() * k + r.x, p.z() * k + r.y, p.y() * k + r.z});
}

void MapContext::updateWorldReferenceMercator()
{
    if (!m_location || !m_location->geoCoordinate().isValid())
        m_worldReferenceMercator = Coordinate();
    else
        m_worldReferenceMercator = toWebMercatorCoordinate(m_location->geoCoordinate());
}
