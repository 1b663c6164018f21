#pragma once

#include "CoordinateConverter.h"

#include <GeographicLib/LocalCartesian.hpp>

class QJsonValue;
struct JsonContext;

// A local tangent plane around a geographic reference point on the WGS84 ellipsoid:
// x east, y north, z up, in metres from the reference. A reference without altitude
// lies at altitude 0.
class LocalTangentPlaneCoordinateConverter : public CoordinateConverter
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("LocalTangentPlaneCoordinateConverter cannot be created from QML")
    Q_PROPERTY(QGeoCoordinate reference READ reference WRITE setReference NOTIFY referenceChanged FINAL)

public:
    explicit LocalTangentPlaneCoordinateConverter(const QGeoCoordinate &reference, QObject *parent = nullptr);
    ~LocalTangentPlaneCoordinateConverter() override;

    // The origin as the plane holds it: always with an altitude.
    QGeoCoordinate reference() const;
    void setReference(const QGeoCoordinate &reference);

    CoordinateConverter *clone() const override;
    Type type() const override { return local_tangent_plane; }
    QVector3D convertToScene(const Coordinate &coordinate, const MapContext *context) const override;
    Coordinate convertFromScene(const QVector3D &sceneCoordinate, const MapContext *context) const override;
    QGeoCoordinate convertToGeo(const Coordinate &coordinate) const override;
    Coordinate convertFromGeo(const QGeoCoordinate &geoCoordinate) const override;

    bool fullyResolved() const override { return true; }
    QList<RobotResourceId> resources() const override { return {}; }
    QList<RobotResourceId> unresolvedResources() const override { return {}; }
    void updateResourceId(const RobotResourceId &, const RobotResourceId &) override {}
    void resolveResource(const RobotResourceId &, ostrel::shared_qptr<QObject>) override {}

    // {"type": 1, "local_tangent_plane": {"latitude", "longitude", "altitude"}}
    static LocalTangentPlaneCoordinateConverter *fromJson(JsonContext &context, const QJsonValue &json,
                                                          QObject *parent);
    static void toJson(JsonContext &context, QJsonValue &json, const LocalTangentPlaneCoordinateConverter &converter);
    static QList<LocalTangentPlaneCoordinateConverter *> listFromJson(JsonContext &context, const QJsonValue &json,
                                                                      QObject *parent);
    static void listToJson(JsonContext &context, QJsonValue &json,
                           const QList<LocalTangentPlaneCoordinateConverter *> &list);

signals:
    void referenceChanged();

private:
    static QGeoCoordinate withAltitude(const QGeoCoordinate &reference);
    void resetOrigin(const QGeoCoordinate &reference);

    GeographicLib::LocalCartesian m_plane;
};
