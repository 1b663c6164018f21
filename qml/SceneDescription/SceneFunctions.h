#pragma once

#include "Coordinate.h"
#include "Pose.h"
#include "PoseWithTwist.h"
#include "QmlSharedPointer.h"

#include <QGeoCoordinate>
#include <QImage>
#include <QObject>
#include <QQuaternion>
#include <QSizeF>
#include <QtQml/qqmlregistration.h>

class CoordinateConverter;
class LocalRelativeCoordinateConverter;
class LocalTangentPlaneCoordinateConverter;
Q_MOC_INCLUDE("CoordinateConverter.h")
Q_MOC_INCLUDE("LocalRelativeCoordinateConverter.h")
Q_MOC_INCLUDE("LocalTangentPlaneCoordinateConverter.h")

// What QML cannot construct itself: geometry values, converters and local maps.
class SceneFunctions : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(Scene)
    QML_SINGLETON

public:
    explicit SceneFunctions(QObject *parent = nullptr);
    ~SceneFunctions() override;

    // A new converter without parent: QML's collector owns it.
    Q_INVOKABLE LocalTangentPlaneCoordinateConverter *
    localTangentPlaneCoordinateConverter(const QGeoCoordinate &reference) const;
    // Resolved to the map the pointer holds; unresolved (null map id) for anything else.
    Q_INVOKABLE LocalRelativeCoordinateConverter *localRelativeCoordinateConverter(QmlSharedPointer *local_map) const;
    // Without orientation, a pose has none: the identity.
    Q_INVOKABLE PoseWithTwist createPoseWithTwistFromCoordinate(const Coordinate &coordinate,
                                                                const QQuaternion &orientation) const;
    Q_INVOKABLE PoseWithTwist createPoseWithTwistFromCoordinate(const Coordinate &coordinate) const;
    Q_INVOKABLE Pose createPoseFromCoordinate(const Coordinate &coordinate, const QQuaternion &orientation) const;
    Q_INVOKABLE Pose createPoseFromCoordinate(const Coordinate &coordinate) const;
    Q_INVOKABLE Coordinate coordinate(double x, double y, double z) const;
    // A map of the picture in filename (none when it cannot be read), held by a new
    // QmlSharedPointer.
    Q_INVOKABLE QmlSharedPointer *createEmptyLocalMap(const QSizeF &dimensions, const Coordinate &local_origin,
                                                      const QString &filename = QString(),
                                                      const QString &name = QString(),
                                                      CoordinateConverter *global_coordinate_info = nullptr,
                                                      const Pose &global_pose = Pose());
    Q_INVOKABLE QImage nullImage();
};
