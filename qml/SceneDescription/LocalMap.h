#pragma once

#include "Coordinate.h"
#include "CoordinateConverter.h"
#include "IRobotResource.h"
#include "MapDistanceField.h"
#include "Pose.h"

#include <QImage>
#include <QPointer>
#include <QSizeF>
#include <QtQml/qqmlregistration.h>

class OccupancyGridInfo;
Q_MOC_INCLUDE("OccupancyGridInfo.h")

// A picture of an area with its size in metres, placed in a global frame by a pose
// and tied to the globe by an optional converter (a robot resource of kind Map). It
// answers whether a position lies on the map (on an opaque pixel), how far the map is
// and which point of it is closest, from a distance field built when the picture is
// set.
//
// The map frame: local_origin is the picture's bottom-left corner, x to the right and
// y up the picture, in metres; z plays no part in the map queries.
class LocalMap : public IRobotResource
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QImage map READ map WRITE setMap NOTIFY mapChanged FINAL)
    Q_PROPERTY(QSizeF dimensions READ dimensions WRITE setDimensions NOTIFY dimensionsChanged FINAL)
    Q_PROPERTY(Coordinate local_origin READ localOrigin WRITE setLocalOrigin NOTIFY localOriginChanged FINAL)
    Q_PROPERTY(CoordinateConverter *global_coordinate_info READ globalCoordinateInfo WRITE setGlobalCoordinateInfo
                   NOTIFY globalCoordinateInfoChanged FINAL)
    Q_PROPERTY(Pose global_pose READ globalPose WRITE setGlobalPose NOTIFY globalPoseChanged FINAL)
    Q_PROPERTY(OccupancyGridInfo *source READ source NOTIFY sourceChanged FINAL)

public:
    explicit LocalMap(QObject *parent = nullptr);
    LocalMap(const QString &name, const QImage &map, const QSizeF &dimensions, const Coordinate &localOrigin,
             CoordinateConverter *globalCoordinateInfo, const Pose &globalPose, const QUuid &uuid, const QUuid &group,
             const QDateTime &creationDate, QObject *parent = nullptr);
    ~LocalMap() override;

    QImage map() const { return m_map; }
    QSizeF dimensions() const { return m_dimensions; }
    Coordinate localOrigin() const { return m_localOrigin; }
    CoordinateConverter *globalCoordinateInfo() const { return m_globalCoordinateInfo; }
    Pose globalPose() const { return m_globalPose; }
    OccupancyGridInfo *source() const { return nullptr; }
    // Metres per pixel, across and up the picture.
    QSizeF cellSize() const { return m_cellSize; }
    const MapDistanceField &distanceField() const { return m_field; }

    void setMap(const QImage &map);
    void setDimensions(const QSizeF &dimensions);
    void setLocalOrigin(const Coordinate &localOrigin);
    // A converter without parent becomes the map's child; the map follows its
    // destruction, so it never points at a converter that is gone.
    void setGlobalCoordinateInfo(CoordinateConverter *converter);
    void setGlobalPose(const Pose &pose);

    // A position of an empty map or one that is not a number is never on the map, is
    // infinitely far from it and has no closest point (not a number).
    Q_INVOKABLE bool isInsideMap(const Coordinate &position) const;
    Q_INVOKABLE float getDistanceToMap(const Coordinate &position) const;
    Q_INVOKABLE Coordinate getClosestPointOnMap(const Coordinate &position) const;
    Q_INVOKABLE Coordinate globalToLocal(const Coordinate &coordinate) const;
    Q_INVOKABLE Coordinate localToGlobal(const Coordinate &coordinate) const;

    bool fullyResolved() const override;
    QList<RobotResourceId> resources() const override;
    QList<RobotResourceId> unresolvedResources() const override;
    void updateResourceId(const RobotResourceId &oldId, const RobotResourceId &newId) override;
    void resolveResource(const RobotResourceId &resourceId, ostrel::shared_qptr<QObject> resource) override;

signals:
    void mapChanged();
    void dimensionsChanged();
    void localOriginChanged();
    void globalCoordinateInfoChanged();
    void globalPoseChanged();
    void sourceChanged();

private:
    struct GridPosition
    {
        double x;
        double y;
    };
    GridPosition gridPosition(const Coordinate &position) const;
    void updateCellSize();
    void takeGlobalCoordinateInfo(CoordinateConverter *converter);

    QImage m_map;
    QSizeF m_dimensions{0, 0};
    Coordinate m_localOrigin;
    QPointer<CoordinateConverter> m_globalCoordinateInfo;
    Pose m_globalPose;
    QSizeF m_cellSize{1, 1};
    // Set while an owner operation passes through the global converter: maps placed in
    // each other in a cycle meet themselves again.
    mutable bool m_visiting = false;
    MapDistanceField m_field;
};
