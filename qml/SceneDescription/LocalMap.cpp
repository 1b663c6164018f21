#include "LocalMap.h"

#include "CoordinateConverter.h"

#include <QQuaternion>

#include <cmath>
#include <limits>

namespace {

struct Vector
{
    double x, y, z;
};

// The vector part of q * (0, v) * conjugate(q), in double precision. The quaternion is
// used as it is: one of length s scales by s squared.
Vector rotate(const Vector &v, const QQuaternion &q)
{
    const double w = q.scalar();
    const double qx = q.x();
    const double qy = q.y();
    const double qz = q.z();
    // t = q * (0, v)
    const double tw = -qx * v.x - qy * v.y - qz * v.z;
    const double tx = w * v.x + qy * v.z - qz * v.y;
    const double ty = w * v.y + qz * v.x - qx * v.z;
    const double tz = w * v.z + qx * v.y - qy * v.x;
    // t * conjugate(q), vector part
    return {-tw * qx + tx * w - ty * qz + tz * qy, -tw * qy + ty * w - tz * qx + tx * qz,
            -tw * qz + tz * w - tx * qy + ty * qx};
}

// Marks a map as visited while it lives.
class Visit
{
public:
    explicit Visit(bool &visiting)
        : m_visiting(visiting)
        , m_first(!visiting)
    {
        m_visiting = true;
    }
    ~Visit()
    {
        if (m_first)
            m_visiting = false;
    }
    Visit(const Visit &) = delete;
    Visit &operator=(const Visit &) = delete;
    // Whether the map was not being visited already.
    bool first() const { return m_first; }

private:
    bool &m_visiting;
    bool m_first;
};

} // namespace

LocalMap::LocalMap(QObject *parent)
    : IRobotResource(RobotResourceType::Map, QString(), QUuid::createUuid(), QUuid::createUuid(),
                     QDateTime::currentDateTime(), parent)
{
}

LocalMap::LocalMap(const QString &name, const QImage &map, const QSizeF &dimensions, const Coordinate &localOrigin,
                   CoordinateConverter *globalCoordinateInfo, const Pose &globalPose, const QUuid &uuid,
                   const QUuid &group, const QDateTime &creationDate, QObject *parent)
    : IRobotResource(RobotResourceType::Map, name, uuid, group, creationDate, parent)
    , m_map(map)
    , m_dimensions(dimensions)
    , m_localOrigin(localOrigin)
    , m_globalPose(globalPose)
    , m_field(map)
{
    updateCellSize();
    takeGlobalCoordinateInfo(globalCoordinateInfo);
}

LocalMap::~LocalMap() = default;

void LocalMap::setMap(const QImage &map)
{
    if (map == m_map)
        return;
    m_map = map;
    m_field = MapDistanceField(m_map);
    updateCellSize();
    emit mapChanged();
}

void LocalMap::setDimensions(const QSizeF &dimensions)
{
    if (dimensions == m_dimensions)
        return;
    m_dimensions = dimensions;
    // QML sets properties in no fixed order: the cell size follows whichever of picture
    // and dimensions comes last.
    updateCellSize();
    emit dimensionsChanged();
}

void LocalMap::updateCellSize()
{
    const QSize grid = m_field.gridSize();
    m_cellSize = QSizeF(m_dimensions.width() / grid.width(), m_dimensions.height() / grid.height());
}

void LocalMap::setLocalOrigin(const Coordinate &localOrigin)
{
    if (localOrigin == m_localOrigin)
        return;
    m_localOrigin = localOrigin;
    emit localOriginChanged();
}

void LocalMap::setGlobalCoordinateInfo(CoordinateConverter *converter)
{
    if (converter == m_globalCoordinateInfo)
        return;
    const bool wasFullyResolved = fullyResolved();
    // A replaced converter stays where it is (QML may still use it, or set it again);
    // the map only stops following it.
    if (m_globalCoordinateInfo)
        disconnect(m_globalCoordinateInfo, nullptr, this, nullptr);
    takeGlobalCoordinateInfo(converter);
    emit globalCoordinateInfoChanged();
    if (fullyResolved() != wasFullyResolved)
        emit fullyResolvedChanged();
}

void LocalMap::takeGlobalCoordinateInfo(CoordinateConverter *converter)
{
    m_globalCoordinateInfo = converter;
    if (!converter)
        return;
    if (!converter->parent())
        converter->setParent(this);
    connect(converter, &IRobotResourceOwner::fullyResolvedChanged, this, &IRobotResourceOwner::fullyResolvedChanged);
    // A converter deleted by its owner leaves the map without global reference.
    connect(converter, &QObject::destroyed, this, [this] {
        emit globalCoordinateInfoChanged();
        emit fullyResolvedChanged();
    });
}

void LocalMap::setGlobalPose(const Pose &pose)
{
    if (pose == m_globalPose)
        return;
    m_globalPose = pose;
    emit globalPoseChanged();
}

LocalMap::GridPosition LocalMap::gridPosition(const Coordinate &position) const
{
    const float u = float(position.x - m_localOrigin.x);
    const float v = float(position.y - m_localOrigin.y);
    return {u / m_cellSize.width(), m_field.gridSize().height() - v / m_cellSize.height()};
}

bool LocalMap::isInsideMap(const Coordinate &position) const
{
    const GridPosition grid = gridPosition(position);
    const QSize size = m_field.gridSize();
    // Comparisons with NaN are false, so a position that is no number is outside.
    if (!(grid.x >= 0 && grid.x < size.width() && grid.y >= 0 && grid.y < size.height()))
        return false;
    return m_field.distance(int(grid.x), int(grid.y)) == 0;
}

float LocalMap::getDistanceToMap(const Coordinate &position) const
{
    const GridPosition grid = gridPosition(position);
    const std::optional<QPointF> offset = m_field.closestCellOffset(grid.x, grid.y);
    if (!offset)
        return std::numeric_limits<float>::infinity();
    const double dx = m_cellSize.width() * offset->x();
    const double dy = m_cellSize.height() * offset->y();
    return float(std::sqrt(dx * dx + dy * dy));
}

Coordinate LocalMap::getClosestPointOnMap(const Coordinate &position) const
{
    const GridPosition grid = gridPosition(position);
    const std::optional<QPointF> offset = m_field.closestCellOffset(grid.x, grid.y);
    if (!offset) {
        constexpr double nan = std::numeric_limits<double>::quiet_NaN();
        return {nan, nan, position.z};
    }
    const double rx = m_cellSize.width();
    const double ry = m_cellSize.height();
    const float x = float(rx * (grid.x + offset->x()));
    const float y = float(ry * m_field.gridSize().height() - ry * (grid.y + offset->y()));
    return {double(x) + m_localOrigin.x, double(y) + m_localOrigin.y, position.z};
}

Coordinate LocalMap::localToGlobal(const Coordinate &coordinate) const
{
    const Vector rotated = rotate({coordinate.x, coordinate.y, coordinate.z}, m_globalPose.orientation);
    const Coordinate &p = m_globalPose.position;
    return {rotated.x + p.x, rotated.y + p.y, rotated.z + p.z};
}

Coordinate LocalMap::globalToLocal(const Coordinate &coordinate) const
{
    const Coordinate &p = m_globalPose.position;
    const Vector local = rotate({coordinate.x - p.x, coordinate.y - p.y, coordinate.z - p.z},
                                m_globalPose.orientation.conjugated());
    return {local.x, local.y, local.z};
}

bool LocalMap::fullyResolved() const
{
    const Visit visit(m_visiting);
    if (!visit.first())
        return true;
    return resolved() && (!m_globalCoordinateInfo || m_globalCoordinateInfo->fullyResolved());
}

QList<RobotResourceId> LocalMap::resources() const
{
    const Visit visit(m_visiting);
    if (!visit.first())
        return {};
    QList<RobotResourceId> ids{resourceId()};
    if (m_globalCoordinateInfo)
        ids += m_globalCoordinateInfo->resources();
    return ids;
}

QList<RobotResourceId> LocalMap::unresolvedResources() const
{
    const Visit visit(m_visiting);
    if (!visit.first())
        return {};
    QList<RobotResourceId> ids = IRobotResource::unresolvedResources();
    if (m_globalCoordinateInfo)
        ids += m_globalCoordinateInfo->unresolvedResources();
    return ids;
}

void LocalMap::updateResourceId(const RobotResourceId &oldId, const RobotResourceId &newId)
{
    const Visit visit(m_visiting);
    if (visit.first() && m_globalCoordinateInfo)
        m_globalCoordinateInfo->updateResourceId(oldId, newId);
}

void LocalMap::resolveResource(const RobotResourceId &resourceId, ostrel::shared_qptr<QObject> resource)
{
    const Visit visit(m_visiting);
    if (visit.first() && m_globalCoordinateInfo)
        m_globalCoordinateInfo->resolveResource(resourceId, std::move(resource));
}
