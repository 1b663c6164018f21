#pragma once

#include "IRobotResource.h"
#include "QmlSharedPointer.h"

#include <QGeoCoordinate>
#include <QImage>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <memory>

class LocalMap;
class LocalRelativeCoordinateConverter;

// A site on the globe (a geographic centre), in a local map, or both (a robot resource
// of kind Location). The map is named by UUID until its object is supplied; for a held
// map the location keeps a local-relative converter, through which a map context
// places an indoor location.
//
// JSON, besides the common keys:
//   "world_location": {"center": {"latitude", "longitude", "altitude"}} when the centre is valid
//   "local_maps": ["{map uuid}"] when there is a map
class Location : public IRobotResource
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LocationType locationType READ locationType NOTIFY locationTypeChanged FINAL)
    Q_PROPERTY(QGeoCoordinate geoCoordinate READ geoCoordinate WRITE setGeoCoordinate NOTIFY geoCoordinateChanged FINAL)
    Q_PROPERTY(QmlSharedPointer *localMap READ localMapForQml WRITE setLocalMapFromQml NOTIFY localMapChanged FINAL)
    Q_PROPERTY(QUuid localMapId READ localMapId WRITE setLocalMapId NOTIFY localMapIdChanged FINAL)
    Q_PROPERTY(QImage previewImage READ previewImage NOTIFY previewImageChanged FINAL)

public:
    enum LocationType {
        Indoor = 0,   // map, no centre
        Outdoor = 1,  // centre, no map
        Twilight = 2, // both
        Unknown = 3,  // neither
    };
    Q_ENUM(LocationType)

    explicit Location(QObject *parent = nullptr);
    ~Location() override;

    LocationType locationType() const;
    QGeoCoordinate geoCoordinate() const { return m_geoCoordinate; }
    QUuid localMapId() const;
    const std::shared_ptr<LocalMap> &localMap() const { return m_localMap; }
    // The converter of the held map's frame; null while no map object is held.
    LocalRelativeCoordinateConverter *localMapConverter() const;
    QImage previewImage() const;

    void setGeoCoordinate(const QGeoCoordinate &geoCoordinate);
    void setLocalMap(std::shared_ptr<LocalMap> map);
    void setLocalMapId(const QUuid &mapId);

    // For QML: a new QmlSharedPointer sharing the held map, or null.
    QmlSharedPointer *localMapForQml() const;
    // Takes the map a QmlSharedPointer holds; anything else clears the map.
    void setLocalMapFromQml(QmlSharedPointer *sharedPointer);

    Q_INVOKABLE bool hasLocalMap() const { return !localMapId().isNull(); }
    Q_INVOKABLE bool hasGeoCoordinate() const { return m_geoCoordinate.isValid(); }
    Q_INVOKABLE bool isLocalMapResolved() const { return m_localMap != nullptr; }

    bool fullyResolved() const override;
    QList<RobotResourceId> resources() const override;
    QList<RobotResourceId> unresolvedResources() const override;
    void updateResourceId(const RobotResourceId &oldId, const RobotResourceId &newId) override;
    void resolveResource(const RobotResourceId &resourceId, ostrel::shared_qptr<QObject> resource) override;

    // Reads every key before it changes anything: malformed JSON leaves the location as
    // it was.
    void fromJson(const JsonContext &context, const QJsonObject &json) override;
    void toJson(const JsonContext &context, QJsonObject &json) const override;

signals:
    void locationTypeChanged();
    void geoCoordinateChanged();
    void localMapChanged();
    void localMapIdChanged();
    void previewImageChanged();

private:
    void releaseLocalMap();
    void emitMapChanged(bool wasNull, bool wasFullyResolved);

    QGeoCoordinate m_geoCoordinate;
    std::shared_ptr<LocalMap> m_localMap;
    QUuid m_localMapId; // while no map object is held
    QPointer<LocalRelativeCoordinateConverter> m_localMapConverter;
};
