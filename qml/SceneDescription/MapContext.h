#pragma once

#include "Coordinate.h"
#include "Location.h"
#include "QmlSharedPointer.h"

#include <QGeoCoordinate>
#include <QObject>
#include <QVector3D>
#include <QtQml/qqmlregistration.h>

#include <memory>

// How geographic positions become positions of a map view's scene, which is laid over
// Web-Mercator tiles: the tile zoom level, the scene units one 256-pixel tile spans,
// and the location whose centre is the scene's origin. The scene's x points east, y up
// and z south. An indoor location (a map without centre) is placed through its own
// local-relative converter at 10 scene units per metre instead.
class MapContext : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QmlSharedPointer *location READ locationForQml WRITE setLocationFromQml NOTIFY locationChanged FINAL)
    Q_PROPERTY(Coordinate worldReferenceMercator READ worldReferenceMercator NOTIFY worldReferenceMercatorChanged FINAL)
    Q_PROPERTY(int zoomLevel READ zoomLevel WRITE setZoomLevel NOTIFY zoomLevelChanged FINAL)
    Q_PROPERTY(float tileSize READ tileSize WRITE setTileSize NOTIFY tileSizeChanged FINAL)
    Q_PROPERTY(bool detectChanges READ detectChanges NOTIFY contextChanged FINAL)
    Q_PROPERTY(Location::LocationType locationType READ locationType NOTIFY locationTypeChanged FINAL)

public:
    // Levels past the last one double the world beyond what 32 bits count.
    static constexpr int maximumZoomLevel = 30;

    explicit MapContext(QObject *parent = nullptr);
    ~MapContext() override;

    const std::shared_ptr<Location> &location() const { return m_location; }
    const Location *locationObject() const { return m_location.get(); }
    Coordinate worldReferenceMercator() const { return m_worldReferenceMercator; }
    int zoomLevel() const { return m_zoomLevel; }
    float tileSize() const { return m_tileSize; }
    // Always false; a binding that reads it runs again whenever the context changes.
    bool detectChanges() const { return false; }
    Location::LocationType locationType() const;

    void setLocation(std::shared_ptr<Location> location);
    // Levels outside 0 to 30 are refused with a warning.
    void setZoomLevel(int zoomLevel);
    void setTileSize(float tileSize);

    QmlSharedPointer *locationForQml() const;
    void setLocationFromQml(QmlSharedPointer *sharedPointer);

    Q_INVOKABLE QVector3D toSceneCoordinate(const QGeoCoordinate &coordinate) const;
    Q_INVOKABLE QGeoCoordinate fromSceneCoordinate(const QVector3D &sceneCoordinate) const;
    Q_INVOKABLE Coordinate toWebMercatorCoordinate(const QGeoCoordinate &coordinate) const;
    Q_INVOKABLE QGeoCoordinate fromWebMercatorCoordinate(const Coordinate &coordinate) const;
    // The ground width in metres of one tile at that latitude and the current zoom level.
    Q_INVOKABLE double tileWidthAtLatitude(double lat) const;

signals:
    void contextChanged();
    void zoomLevelChanged();
    void tileSizeChanged();
    void locationChanged();
    void worldReferenceMercatorChanged();
    void locationTypeChanged();

private:
    bool isIndoor() const;
    double tilesAcross() const;
    void updateWorldReferenceMercator();

    int m_zoomLevel = 1;
    float m_tileSize = 100.0f;
    Coordinate m_worldReferenceMercator;
    std::shared_ptr<Location> m_location;
};
