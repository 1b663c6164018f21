#pragma once

#include "CoordinateConverter.h"
#include "QmlSharedPointer.h"

#include <QLoggingCategory>
#include <QUuid>

#include <memory>

class LocalMap;
class QJsonValue;
struct JsonContext;

Q_DECLARE_LOGGING_CATEGORY(lcLocalRelativeCoordinateConverter)

// The frame of a local map: positions relative to the map, placed in the world through
// the map's pose and global converter. It refers to its map by UUID until the map
// object is supplied (resolved); a resolved map is shared with its other holders.
// Without what it needs (no map, no global converter) it converts directly, with only
// the axes swapped.
class LocalRelativeCoordinateConverter : public CoordinateConverter
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("LocalRelativeCoordinateConverter cannot be created from QML")
    Q_PROPERTY(QmlSharedPointer *map READ mapForQml WRITE setMapFromQml NOTIFY mapChanged FINAL)
    Q_PROPERTY(QUuid mapId READ mapId WRITE setMapId NOTIFY mapIdChanged FINAL)

public:
    explicit LocalRelativeCoordinateConverter(const QUuid &mapId, QObject *parent = nullptr);
    explicit LocalRelativeCoordinateConverter(std::shared_ptr<LocalMap> map, QObject *parent = nullptr);
    ~LocalRelativeCoordinateConverter() override;

    // The held map, or none while unresolved.
    const std::shared_ptr<LocalMap> &map() const { return m_map; }
    QUuid mapId() const;
    void setMap(std::shared_ptr<LocalMap> map);
    void setMapId(const QUuid &mapId);

    // For QML: a new QmlSharedPointer holding a share of the map, or null.
    QmlSharedPointer *mapForQml() const;
    // Takes the map from a QmlSharedPointer; anything else clears the map.
    void setMapFromQml(QmlSharedPointer *sharedPointer);

    CoordinateConverter *clone() const override;
    Type type() const override { return local_relative; }
    QVector3D convertToScene(const Coordinate &coordinate, const MapContext *context) const override;
    Coordinate convertFromScene(const QVector3D &sceneCoordinate, const MapContext *context) const override;
    QGeoCoordinate convertToGeo(const Coordinate &coordinate) const override;
    Coordinate convertFromGeo(const QGeoCoordinate &geoCoordinate) const override;

    bool fullyResolved() const override;
    QList<RobotResourceId> resources() const override;
    QList<RobotResourceId> unresolvedResources() const override;
    void updateResourceId(const RobotResourceId &oldId, const RobotResourceId &newId) override;
    void resolveResource(const RobotResourceId &resourceId, ostrel::shared_qptr<QObject> resource) override;

    // The direct forms, used when the map cannot place the point: 10 scene units per
    // metre, the map's y pointing north (negative scene z) and its z up.
    static QVector3D directToScene(const Coordinate &coordinate);
    static Coordinate directFromScene(const QVector3D &sceneCoordinate);
    static QGeoCoordinate directToGeo(const Coordinate &coordinate);
    static Coordinate directFromGeo(const QGeoCoordinate &geoCoordinate);

    // {"type": 0, "local_relative": "{map uuid}"}; a converter read is unresolved.
    static LocalRelativeCoordinateConverter *fromJson(JsonContext &context, const QJsonValue &json, QObject *parent);
    static void toJson(JsonContext &context, QJsonValue &json, const LocalRelativeCoordinateConverter &converter);
    static QList<LocalRelativeCoordinateConverter *> listFromJson(JsonContext &context, const QJsonValue &json,
                                                                  QObject *parent);
    static void listToJson(JsonContext &context, QJsonValue &json,
                           const QList<LocalRelativeCoordinateConverter *> &list);

signals:
    void mapChanged();
    void mapIdChanged();

private:
    // The map's global converter when the scene may be reached through it.
    const CoordinateConverter *sceneGlobalConverter(const MapContext *context, const char *direction) const;
    void emitReferenceChanged();

    std::shared_ptr<LocalMap> m_map;
    QUuid m_mapId; // while unresolved
};
