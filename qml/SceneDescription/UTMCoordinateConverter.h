#pragma once

#include "CoordinateConverter.h"

class QJsonValue;
struct JsonContext;

// A fixed UTM zone (1 to 60) and hemisphere; the converter's frame is UTM easting,
// northing and altitude less an offset. Northings always count in the converter's own
// hemisphere: a point just across the equator continues it (negative in the north,
// beyond 10000 km in the south), as the zone's projection defines it.
class UTMCoordinateConverter : public CoordinateConverter
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("UTMCoordinateConverter cannot be created from QML")
    Q_PROPERTY(Coordinate offset READ offset WRITE setOffset NOTIFY offsetChanged FINAL)
    Q_PROPERTY(int zone READ zone WRITE setZone NOTIFY zoneChanged FINAL)
    Q_PROPERTY(bool north READ north WRITE setNorth NOTIFY northChanged FINAL)

public:
    UTMCoordinateConverter(const Coordinate &offset, int zone, bool north, QObject *parent = nullptr);
    ~UTMCoordinateConverter() override;

    Coordinate offset() const { return m_offset; }
    int zone() const { return m_zone; }
    bool north() const { return m_north; }
    void setOffset(const Coordinate &offset);
    void setZone(int zone);
    void setNorth(bool north);

    static bool isValidZone(int zone) { return zone >= 1 && zone <= 60; }

    CoordinateConverter *clone() const override;
    Type type() const override { return utm; }
    QVector3D convertToScene(const Coordinate &coordinate, const MapContext *context) const override;
    Coordinate convertFromScene(const QVector3D &sceneCoordinate, const MapContext *context) const override;
    QGeoCoordinate convertToGeo(const Coordinate &coordinate) const override;
    Coordinate convertFromGeo(const QGeoCoordinate &geoCoordinate) const override;

    bool fullyResolved() const override { return true; }
    QList<RobotResourceId> resources() const override { return {}; }
    QList<RobotResourceId> unresolvedResources() const override { return {}; }
    void updateResourceId(const RobotResourceId &, const RobotResourceId &) override {}
    void resolveResource(const RobotResourceId &, ostrel::shared_qptr<QObject>) override {}

    // {"type": 2, "UTM": {"zone": 1..60, "north": bool, "x_offset", "y_offset", "z_offset"}}
    static UTMCoordinateConverter *fromJson(JsonContext &context, const QJsonValue &json, QObject *parent);
    static void toJson(JsonContext &context, QJsonValue &json, const UTMCoordinateConverter &converter);
    static QList<UTMCoordinateConverter *> listFromJson(JsonContext &context, const QJsonValue &json, QObject *parent);
    static void listToJson(JsonContext &context, QJsonValue &json, const QList<UTMCoordinateConverter *> &list);

signals:
    void offsetChanged();
    void zoneChanged();
    void northChanged();

private:
    Coordinate m_offset;
    int m_zone;
    bool m_north;
};
