#include "OccupancyGridInfo.h"

#include "CoordinateConverter.h"

namespace {

// Stores value and tells whether it differed.
template<class T>
bool assign(T &member, const T &value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}

} // namespace

OccupancyGridInfo::OccupancyGridInfo(QObject *parent)
    : OccupancyGridInfo(QString(), QUuid::createUuid(), QUuid::createUuid(), QDateTime::currentDateTime(), parent)
{
}

OccupancyGridInfo::OccupancyGridInfo(const QString &name, const QUuid &uuid, const QUuid &groupId,
                                     const QDateTime &creationDate, QObject *parent)
    : QObject(parent)
    , m_uuid(uuid)
    , m_groupId(groupId)
    , m_name(name)
    , m_creationDate(creationDate)
{
}

OccupancyGridInfo::~OccupancyGridInfo() = default;

void OccupancyGridInfo::setUuid(const QUuid &uuid)
{
    if (assign(m_uuid, uuid))
        emit idChanged();
}

void OccupancyGridInfo::setGroupId(const QUuid &groupId)
{
    if (assign(m_groupId, groupId))
        emit groupIdChanged();
}

void OccupancyGridInfo::setName(const QString &name)
{
    if (assign(m_name, name))
        emit nameChanged();
}

void OccupancyGridInfo::setCreationDate(const QDateTime &creationDate)
{
    if (assign(m_creationDate, creationDate))
        emit creationDateChanged();
}

void OccupancyGridInfo::setMapWorldSize(const QSizeF &mapWorldSize)
{
    if (assign(m_mapWorldSize, mapWorldSize))
        emit mapWorldSizeChanged();
}

void OccupancyGridInfo::setOrigin(const Coordinate &origin)
{
    if (assign(m_origin, origin))
        emit originChanged();
}

void OccupancyGridInfo::setGlobalTransformation(const Pose &globalTransformation)
{
    if (assign(m_globalTransformation, globalTransformation))
        emit globalTransformationChanged();
}

void OccupancyGridInfo::setGlobalReferenceFrame(CoordinateConverter *globalReferenceFrame)
{
    if (globalReferenceFrame == m_globalReferenceFrame)
        return;
    if (m_globalReferenceFrame)
        disconnect(m_globalReferenceFrame, &QObject::destroyed, this, nullptr);
    m_globalReferenceFrame = globalReferenceFrame;
    // The frame is not owned: when its owner deletes it, the property reads null.
    if (globalReferenceFrame)
        connect(globalReferenceFrame, &QObject::destroyed, this, &OccupancyGridInfo::globalReferenceFrameChanged);
    emit globalReferenceFrameChanged();
}
