#pragma once

#include "Coordinate.h"
#include "CoordinateConverter.h"
#include "Pose.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QSizeF>
#include <QUuid>
#include <QtQml/qqmlregistration.h>

// The description of an occupancy grid, the raster of cells a local map is made from:
// identity and metadata, the cells with their size in cells and in the world, the
// grid's reference point and its placement in a global frame with that frame's
// converter. Each property signals only when it changes.
class OccupancyGridInfo : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QUuid uuid READ uuid WRITE setUuid NOTIFY idChanged FINAL)
    Q_PROPERTY(QUuid group_id READ groupId WRITE setGroupId NOTIFY groupIdChanged FINAL)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged FINAL)
    Q_PROPERTY(QDateTime creation_date READ creationDate WRITE setCreationDate NOTIFY creationDateChanged FINAL)
    Q_PROPERTY(QList<qint8> mapData READ mapData NOTIFY mapDataChanged FINAL)
    Q_PROPERTY(QSizeF mapWorldSize READ mapWorldSize WRITE setMapWorldSize NOTIFY mapWorldSizeChanged FINAL)
    Q_PROPERTY(QSize mapSize READ mapSize NOTIFY mapSizeChanged FINAL)
    Q_PROPERTY(Coordinate origin READ origin WRITE setOrigin NOTIFY originChanged FINAL)
    Q_PROPERTY(Pose globalTransformation READ globalTransformation WRITE setGlobalTransformation NOTIFY
                   globalTransformationChanged FINAL)
    Q_PROPERTY(CoordinateConverter *globalReferenceFrame READ globalReferenceFrame WRITE setGlobalReferenceFrame NOTIFY
                   globalReferenceFrameChanged FINAL)

public:
    // For QML: an empty name, two fresh UUIDs and the current time.
    explicit OccupancyGridInfo(QObject *parent = nullptr);
    OccupancyGridInfo(const QString &name, const QUuid &uuid, const QUuid &groupId, const QDateTime &creationDate,
                      QObject *parent = nullptr);
    ~OccupancyGridInfo() override;

    QUuid uuid() const { return m_uuid; }
    QUuid groupId() const { return m_groupId; }
    QString name() const { return m_name; }
    QDateTime creationDate() const { return m_creationDate; }
    QList<qint8> mapData() const { return m_mapData; }
    QSizeF mapWorldSize() const { return m_mapWorldSize; }
    QSize mapSize() const { return m_mapSize; }
    Coordinate origin() const { return m_origin; }
    Pose globalTransformation() const { return m_globalTransformation; }
    // Not owned; reads null once its owner has deleted it.
    CoordinateConverter *globalReferenceFrame() const { return m_globalReferenceFrame; }

    void setUuid(const QUuid &uuid);
    void setGroupId(const QUuid &groupId);
    void setName(const QString &name);
    void setCreationDate(const QDateTime &creationDate);
    void setMapWorldSize(const QSizeF &mapWorldSize);
    void setOrigin(const Coordinate &origin);
    void setGlobalTransformation(const Pose &globalTransformation);
    void setGlobalReferenceFrame(CoordinateConverter *globalReferenceFrame);

signals:
    void idChanged();
    void groupIdChanged();
    void nameChanged();
    void creationDateChanged();
    void mapDataChanged();
    void mapWorldSizeChanged();
    void mapSizeChanged();
    void originChanged();
    void globalTransformationChanged();
    void globalReferenceFrameChanged();

private:
    QUuid m_uuid;
    QUuid m_groupId;
    QString m_name;
    QDateTime m_creationDate;
    QList<qint8> m_mapData;
    QSizeF m_mapWorldSize{0, 0};
    QSize m_mapSize{0, 0};
    Coordinate m_origin;
    Pose m_globalTransformation;
    QPointer<CoordinateConverter> m_globalReferenceFrame;
};
