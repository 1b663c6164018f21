#include "LocalRelativeCoordinateConverter.h"

#include "ConverterJsonForms.h"
#include "LocalMap.h"
#include "Location.h"
#include "MapContext.h"

#include <QJSEngine>

Q_LOGGING_CATEGORY(lcLocalRelativeCoordinateConverter, "Wayvane.LocalRelativeCoordinateConverter")

namespace {

constexpr double scenePerMetre = 10.0;

// Maps whose global converter is again a local frame chain through each other; a chain
// this deep is taken for a cycle (a map placed in itself, directly or through others).
constexpr int deepestFrameChain = 16;
thread_local int frameChainDepth = 0;

struct FrameChainStep
{
    FrameChainStep() { ++frameChainDepth; }
    ~FrameChainStep() { --frameChainDepth; }
    FrameChainStep(const FrameChainStep &) = delete;
    FrameChainStep &operator=(const FrameChainStep &) = delete;
};

} // namespace

LocalRelativeCoordinateConverter::LocalRelativeCoordinateConverter(const QUuid &mapId, QObject *parent)
    : CoordinateConverter(parent)
    , m_mapId(mapId)
{
}

LocalRelativeCoordinateConverter::LocalRelativeCoordinateConverter(std::shared_ptr<LocalMap> map, QObject *parent)
    : CoordinateConverter(parent)
    , m_map(std::move(map))
{
}

LocalRelativeCoordinateConverter::~LocalRelativeCoordinateConverter() = default;

QUuid LocalRelativeCoordinateConverter::mapId() const
{
    return m_map ? m_map->uuid() : m_mapId;
}

void LocalRelativeCoordinateConverter::setMap(std::shared_ptr<LocalMap> map)
{
    if (map == m_map)
        return;
    m_map = std::move(map);
    m_mapId = QUuid();
    emitReferenceChanged();
}

void LocalRelativeCoordinateConverter::setMapId(const QUuid &mapId)
{
    if (mapId == this->mapId())
        return;
    m_map.reset();
    m_mapId = mapId;
    emitReferenceChanged();
}

void LocalRelativeCoordinateConverter::emitReferenceChanged()
{
    emit mapChanged();
    emit mapIdChanged();
    emit fullyResolvedChanged();
}

QmlSharedPointer *LocalRelativeCoordinateConverter::mapForQml() const
{
    if (!m_map)
        return nullptr;
    return static_cast<QmlSharedPointer *>(QmlSharedPointer::create(qjsEngine(this), m_map));
}

void LocalRelativeCoordinateConverter::setMapFromQml(QmlSharedPointer *sharedPointer)
{
    std::shared_ptr<LocalMap> map;
    if (sharedPointer)
        map = std::dynamic_pointer_cast<LocalMap>(sharedPointer->sharedObject());
    setMap(std::move(map));
}

CoordinateConverter *LocalRelativeCoordinateConverter::clone() const
{
    if (m_map)
        return new LocalRelativeCoordinateConverter(m_map);
    return new LocalRelativeCoordinateConverter(m_mapId);
}

const CoordinateConverter *LocalRelativeCoordinateConverter::sceneGlobalConverter(const MapContext *context,
                                                                                  const char *direction) const
{
    if (!m_map) {
        qCWarning(lcLocalRelativeCoordinateConverter).noquote()
            << QStringLiteral("Local map definition is either missing or incomplete (%1): scene coordinate is "
                              "assumed to be the same as local coordinate, in different axis orientation")
                   .arg(QLatin1String(direction));
    }
    const Location *location = context ? context->locationObject() : nullptr;
    if (location && location->locationType() == Location::Indoor)
        return nullptr;
    if (!m_map)
        return nullptr;
    const CoordinateConverter *global = m_map->globalCoordinateInfo();
    if (global && frameChainDepth >= deepestFrameChain) {
        qCWarning(lcLocalRelativeCoordinateConverter).noquote()
            << QStringLiteral("Local maps are placed in each other in a cycle (%1): converting directly")
                   .arg(QLatin1String(direction));
        return nullptr;
    }
    return global;
}

QVector3D LocalRelativeCoordinateConverter::convertToScene(const Coordinate &coordinate,
                                                           const MapContext *context) const
{
    if (const CoordinateConverter *global = sceneGlobalConverter(context, "convertToScene")) {
        const FrameChainStep step;
        return global->convertToScene(m_map->localToGlobal(coordinate), context);
    }
    return directToScene(coordinate);
}

Coordinate LocalRelativeCoordinateConverter::convertFromScene(const QVector3D &sceneCoordinate,
                                                              const MapContext *context) const
{
    if (const CoordinateConverter *global = sceneGlobalConverter(context, "convertFromScene")) {
        const FrameChainStep step;
        return m_map->globalToLocal(global->convertFromScene(sceneCoordinate, context));
    }
    return directFromScene(sceneCoordinate);
}

QGeoCoordinate LocalRelativeCoordinateConverter::convertToGeo(const Coordinate &coordinate) const
{
    const CoordinateConverter *global = m_map ? m_map->globalCoordinateInfo() : nullptr;
    if (global && global->type() != local_relative)
        return global->convertToGeo(m_map->localToGlobal(coordinate));
    qCWarning(lcLocalRelativeCoordinateConverter)
        << "Local map does not have global reference (or the reference is not available) (convertToGeo): no "
           "logical conversion possible, converting directly, taking into account different axes orientations";
    return directToGeo(coordinate);
}

Coordinate LocalRelativeCoordinateConverter::convertFromGeo(const QGeoCoordinate &geoCoordinate) const
{
    const CoordinateConverter *global = m_map ? m_map->globalCoordinateInfo() : nullptr;
    if (global && global->type() != local_relative)
        return m_map->globalToLocal(global->convertFromGeo(geoCoordinate));
    qCWarning(lcLocalRelativeCoordinateConverter)
        << "Local map does not have global reference (or the reference is not available) (convertFromGeo): no "
           "logical conversion possible, converting directly, taking into account different axes orientations";
    return directFromGeo(geoCoordinate);
}

QVector3D LocalRelativeCoordinateConverter::directToScene(const Coordinate &coordinate)
{
    return QVector3D(float(scenePerMetre * coordinate.x), float(scenePerMetre * coordinate.z),
                     float(-scenePerMetre * coordinate.y));
}

Coordinate LocalRelativeCoordinateConverter::directFromScene(const QVector3D &sceneCoordinate)
{
    return {double(sceneCoordinate.x()) / scenePerMetre, -double(sceneCoordinate.z()) / scenePerMetre,
            double(sceneCoordinate.y()) / scenePerMetre};
}

QGeoCoordinate LocalRelativeCoordinateConverter::directToGeo(const Coordinate &coordinate)
{
    return QGeoCoordinate(-coordinate.z, coordinate.x, coordinate.y);
}

Coordinate LocalRelativeCoordinateConverter::directFromGeo(const QGeoCoordinate &geoCoordinate)
{
    return {geoCoordinate.longitude(), geoCoordinate.altitude(), -geoCoordinate.latitude()};
}

bool LocalRelativeCoordinateConverter::fullyResolved() const
{
    return m_map && m_map->fullyResolved();
}

QList<RobotResourceId> LocalRelativeCoordinateConverter::resources() const
{
    return {RobotResourceId{RobotResourceType::Map, mapId()}};
}

QList<RobotResourceId> LocalRelativeCoordinateConverter::unresolvedResources() const
{
    if (m_map)
        return m_map->unresolvedResources();
    return {RobotResourceId{RobotResourceType::Map, m_mapId}};
}

void LocalRelativeCoordinateConverter::updateResourceId(const RobotResourceId &oldId, const RobotResourceId &newId)
{
    if (oldId.type != RobotResourceType::Map || oldId.uuid != mapId() || newId.uuid == oldId.uuid)
        return;
    m_map.reset();
    m_mapId = newId.uuid;
    emitReferenceChanged();
}

void LocalRelativeCoordinateConverter::resolveResource(const RobotResourceId &resourceId,
                                                       ostrel::shared_qptr<QObject> resource)
{
    if (m_map || resourceId.type != RobotResourceType::Map || resourceId.uuid != m_mapId)
        return;
    // Only a local map can resolve a map reference; anything else is ignored.
    if (auto map = std::dynamic_pointer_cast<LocalMap>(resource))
        setMap(std::move(map));
}

LocalRelativeCoordinateConverter *LocalRelativeCoordinateConverter::fromJson(JsonContext &context,
                                                                             const QJsonValue &json, QObject *parent)
{
    return new LocalRelativeCoordinateConverter(ConverterJsonForms::readLocalRelative(context, json), parent);
}

void LocalRelativeCoordinateConverter::toJson(JsonContext &, QJsonValue &json,
                                              const LocalRelativeCoordinateConverter &converter)
{
    json = ConverterJsonForms::writeLocalRelative(converter.mapId());
}

QList<LocalRelativeCoordinateConverter *>
LocalRelativeCoordinateConverter::listFromJson(JsonContext &context, const QJsonValue &json, QObject *parent)
{
    return ConverterJsonForms::readList<LocalRelativeCoordinateConverter>(context, json, parent);
}

void LocalRelativeCoordinateConverter::listToJson(JsonContext &context, QJsonValue &json,
                                                  const QList<LocalRelativeCoordinateConverter *> &list)
{
    ConverterJsonForms::writeList(context, json, list);
}
