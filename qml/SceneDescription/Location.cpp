#include "Location.h"

#include "JsonReaders.h"
#include "LocalMap.h"
#include "LocalRelativeCoordinateConverter.h"

#include <QFont>
#include <QJSEngine>
#include <QJsonArray>
#include <QPainter>

#include <optional>

namespace {

const QLatin1String worldLocationKey("world_location");
const QLatin1String centerKey("center");
const QLatin1String latitudeKey("latitude");
const QLatin1String longitudeKey("longitude");
const QLatin1String altitudeKey("altitude");
const QLatin1String localMapsKey("local_maps");

constexpr int previewSize = 512;

QImage renderPreview(const QString &caption, const QImage &picture)
{
    QImage preview(previewSize, previewSize, QImage::Format_ARGB32);
    preview.fill(QColor(255, 255, 255, 0));
    QPainter painter(&preview);
    if (!picture.isNull()) {
        const QImage scaled = picture.scaled(previewSize, previewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawImage((previewSize - scaled.width()) / 2, (previewSize - scaled.height()) / 2, scaled);
    }
    QFont font(QStringLiteral("Raleway"));
    font.setPointSize(24);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(QRect(0, 0, previewSize, previewSize), Qt::AlignCenter | Qt::TextWordWrap, caption);
    painter.end();
    return preview;
}

QString coordinateText(const QGeoCoordinate &coordinate)
{
    return coordinate.toString(QGeoCoordinate::DegreesMinutesSecondsWithHemisphere);
}

double numberOr0(const QJsonObject &object, QLatin1String key)
{
    return object.value(key).toDouble(0);
}

} // namespace

Location::Location(QObject *parent)
    : IRobotResource(RobotResourceType::Location, QStringLiteral("Location"), QUuid::createUuid(), QUuid::createUuid(),
                     QDateTime::currentDateTime(), parent)
{
}

Location::~Location() = default;

Location::LocationType Location::locationType() const
{
    const bool hasMap = hasLocalMap();
    const bool hasCentre = hasGeoCoordinate();
    if (hasMap)
        return hasCentre ? Twilight : Indoor;
    return hasCentre ? Outdoor : Unknown;
}

LocalRelativeCoordinateConverter *Location::localMapConverter() const
{
    return m_localMapConverter;
}

QUuid Location::localMapId() const
{
    return m_localMap ? m_localMap->uuid() : m_localMapId;
}

void Location::setGeoCoordinate(const QGeoCoordinate &geoCoordinate)
{
    if (geoCoordinate == m_geoCoordinate)
        return;
    const bool wasValid = m_geoCoordinate.isValid();
    m_geoCoordinate = geoCoordinate;
    emit geoCoordinateChanged();
    emit previewImageChanged();
    if (m_geoCoordinate.isValid() != wasValid)
        emit locationTypeChanged();
}

void Location::releaseLocalMap()
{
    if (m_localMap)
        disconnect(m_localMap.get(), nullptr, this, nullptr);
    m_localMap.reset();
    // The converter shares the map: it goes with the map, so a replaced map is freed.
    if (m_localMapConverter)
        m_localMapConverter->deleteLater();
    m_localMapConverter = nullptr;
}

void Location::setLocalMap(std::shared_ptr<LocalMap> map)
{
    const bool wasNull = localMapId().isNull();
    const QUuid newId = map ? map->uuid() : QUuid();
    const bool wasFullyResolved = fullyResolved();
    if (localMapId() == newId && wasFullyResolved)
        return;

    releaseLocalMap();
    m_localMapId = QUuid();
    if (map) {
        m_localMap = std::move(map);
        m_localMapConverter = new LocalRelativeCoordinateConverter(m_localMap, this);
        connect(m_localMap.get(), &IRobotResourceOwner::fullyResolvedChanged, this,
                &IRobotResourceOwner::fullyResolvedChanged);
    }
    emitMapChanged(wasNull, wasFullyResolved);
}

void Location::setLocalMapId(const QUuid &mapId)
{
    const bool wasNull = localMapId().isNull();
    const bool wasFullyResolved = fullyResolved();
    if (localMapId() == mapId)
        return;
    releaseLocalMap();
    m_localMapId = mapId;
    emitMapChanged(wasNull, wasFullyResolved);
}

void Location::emitMapChanged(bool wasNull, bool wasFullyResolved)
{
    emit localMapIdChanged();
    emit localMapChanged();
    emit previewImageChanged();
    if (fullyResolved() != wasFullyResolved)
        emit fullyResolvedChanged();
    if (localMapId().isNull() != wasNull)
        emit locationTypeChanged();
}

QmlSharedPointer *Location::localMapForQml() const
{
    if (!m_localMap)
        return nullptr;
    return static_cast<QmlSharedPointer *>(QmlSharedPointer::create(qjsEngine(this), m_localMap));
}

void Location::setLocalMapFromQml(QmlSharedPointer *sharedPointer)
{
    std::shared_ptr<LocalMap> map;
    if (sharedPointer)
        map = std::dynamic_pointer_cast<LocalMap>(sharedPointer->sharedObject());
    setLocalMap(std::move(map));
}

QImage Location::previewImage() const
{
    if (!hasLocalMap()) {
        if (hasGeoCoordinate())
            return renderPreview(QObject::tr("Outdoor location at %1").arg(coordinateText(m_geoCoordinate)), {});
        return renderPreview(QObject::tr("Unknown location"), {});
    }
    if (hasGeoCoordinate()) {
        return renderPreview(QObject::tr("Outdoor and indoor location at %1").arg(coordinateText(m_geoCoordinate)),
                             m_localMap ? m_localMap->map() : QImage());
    }
    if (m_localMap)
        return m_localMap->map();
    return renderPreview(QObject::tr("Indoor %1").arg(localMapId().toString()), {});
}

bool Location::fullyResolved() const
{
    if (localMapId().isNull())
        return true;
    return m_localMap && m_localMap->fullyResolved();
}

QList<RobotResourceId> Location::resources() const
{
    QList<RobotResourceId> ids{resourceId()};
    if (hasLocalMap())
        ids.append({RobotResourceType::Map, localMapId()});
    return ids;
}

QList<RobotResourceId> Location::unresolvedResources() const
{
    if (!hasLocalMap())
        return {};
    if (m_localMap)
        return m_localMap->unresolvedResources();
    return {{RobotResourceType::Map, m_localMapId}};
}

void Location::updateResourceId(const RobotResourceId &oldId, const RobotResourceId &newId)
{
    if (oldId.type == RobotResourceType::Map && oldId.uuid == localMapId())
        setLocalMapId(newId.uuid);
}

void Location::resolveResource(const RobotResourceId &resourceId, ostrel::shared_qptr<QObject> resource)
{
    if (resourceId.type != RobotResourceType::Map || resourceId.uuid != localMapId())
        return;
    // Only a local map resolves a map reference; anything else is ignored.
    if (auto map = std::dynamic_pointer_cast<LocalMap>(resource))
        setLocalMap(std::move(map));
}

void Location::fromJson(const JsonContext &context, const QJsonObject &json)
{
    JsonContext readerContext = context;
    std::optional<QGeoCoordinate> centre;
    const QJsonValue worldLocation = json.value(worldLocationKey);
    if (worldLocation.isObject()) {
        const QJsonObject centreObject = worldLocation.toObject().value(centerKey).toObject();
        centre = QGeoCoordinate(numberOr0(centreObject, latitudeKey), numberOr0(centreObject, longitudeKey),
                                numberOr0(centreObject, altitudeKey));
    }
    std::optional<QUuid> mapId;
    const QJsonArray localMaps = json.value(localMapsKey).toArray();
    if (!localMaps.isEmpty())
        mapId = ::fromJson<QUuid>(readerContext, localMaps.first());

    // The common keys are read whole before they are applied; after them nothing can
    // fail any more.
    IRobotResource::fromJson(context, json);
    if (centre)
        setGeoCoordinate(*centre);
    if (mapId)
        setLocalMapId(*mapId);
}

void Location::toJson(const JsonContext &context, QJsonObject &json) const
{
    IRobotResource::toJson(context, json);
    if (m_geoCoordinate.isValid()) {
        const double altitude = m_geoCoordinate.type() == QGeoCoordinate::Coordinate3D ? m_geoCoordinate.altitude()
                                                                                       : 0.0;
        json.insert(worldLocationKey, QJsonObject{{centerKey, QJsonObject{{latitudeKey, m_geoCoordinate.latitude()},
                                                                          {longitudeKey, m_geoCoordinate.longitude()},
                                                                          {altitudeKey, altitude}}}});
    }
    if (hasLocalMap())
        json.insert(localMapsKey, QJsonArray{localMapId().toString()});
}
