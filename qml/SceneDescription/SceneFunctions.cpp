#include "SceneFunctions.h"

#include "LocalMap.h"
#include "LocalRelativeCoordinateConverter.h"
#include "LocalTangentPlaneCoordinateConverter.h"

#include <QJSEngine>

SceneFunctions::SceneFunctions(QObject *parent)
    : QObject(parent)
{
}

SceneFunctions::~SceneFunctions() = default;

LocalTangentPlaneCoordinateConverter *
SceneFunctions::localTangentPlaneCoordinateConverter(const QGeoCoordinate &reference) const
{
    return new LocalTangentPlaneCoordinateConverter(reference);
}

LocalRelativeCoordinateConverter *SceneFunctions::localRelativeCoordinateConverter(QmlSharedPointer *local_map) const
{
    std::shared_ptr<LocalMap> map;
    if (local_map)
        map = std::dynamic_pointer_cast<LocalMap>(local_map->sharedObject());
    if (map)
        return new LocalRelativeCoordinateConverter(std::move(map));
    return new LocalRelativeCoordinateConverter(QUuid());
}

PoseWithTwist SceneFunctions::createPoseWithTwistFromCoordinate(const Coordinate &coordinate,
                                                                const QQuaternion &orientation) const
{
    PoseWithTwist pose;
    pose.position = coordinate;
    pose.orientation = orientation;
    return pose;
}

PoseWithTwist SceneFunctions::createPoseWithTwistFromCoordinate(const Coordinate &coordinate) const
{
    return createPoseWithTwistFromCoordinate(coordinate, QQuaternion());
}

Pose SceneFunctions::createPoseFromCoordinate(const Coordinate &coordinate, const QQuaternion &orientation) const
{
    Pose pose;
    pose.position = coordinate;
    pose.orientation = orientation;
    return pose;
}

Pose SceneFunctions::createPoseFromCoordinate(const Coordinate &coordinate) const
{
    return createPoseFromCoordinate(coordinate, QQuaternion());
}

Coordinate SceneFunctions::coordinate(double x, double y, double z) const
{
    return {x, y, z};
}

QmlSharedPointer *SceneFunctions::createEmptyLocalMap(const QSizeF &dimensions, const Coordinate &local_origin,
                                                      const QString &filename, const QString &name,
                                                      CoordinateConverter *global_coordinate_info,
                                                      const Pose &global_pose)
{
    const QImage picture = filename.isEmpty() ? QImage() : QImage(filename);
    auto *map = new LocalMap(name, picture, dimensions, local_origin, global_coordinate_info, global_pose,
                             QUuid::createUuid(), QUuid::createUuid(), QDateTime::currentDateTime());
    std::shared_ptr<QObject> shared(map, ostrel::QObjectDeleter());
    QJSEngine *engine = qjsEngine(this);
    // The last share deletes the map, never the collector.
    if (engine)
        QJSEngine::setObjectOwnership(map, QJSEngine::CppOwnership);
    return static_cast<QmlSharedPointer *>(QmlSharedPointer::create(engine, std::move(shared)));
}

QImage SceneFunctions::nullImage()
{
    return QImage();
}
