#pragma once

#include "Coordinate.h"
#include "IRobotResourceOwner.h"

#include <QGeoCoordinate>
#include <QVector3D>
#include <QtQml/qqmlregistration.h>

class MapContext;
Q_MOC_INCLUDE("MapContext.h")

// How a robot's Cartesian frame relates to the globe and to the scene of a map view.
// Every kind converts between three forms of a point:
// - its own frame: a Coordinate in metres;
// - the globe: a QGeoCoordinate;
// - the scene of a MapContext: a QVector3D, x east, y up, z south.
// A conversion that cannot be made (a point outside what the frame covers, a missing
// context) logs a warning and gives a result that is not a number (an invalid
// QGeoCoordinate), so a bad input from a robot or a file never ends the program.
class CoordinateConverter : public IRobotResourceOwner
{
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(Type type READ type CONSTANT FINAL)

public:
    enum Type {
        local_relative = 0,
        local_tangent_plane = 1,
        utm = 2,
        unknown = 3,
    };
    Q_ENUM(Type)

    explicit CoordinateConverter(QObject *parent = nullptr);
    ~CoordinateConverter() override;

    // A new converter of the same kind and state, without parent.
    Q_INVOKABLE virtual CoordinateConverter *clone() const = 0;
    virtual Type type() const = 0;
    Q_INVOKABLE virtual QVector3D convertToScene(const Coordinate &coordinate, const MapContext *context) const = 0;
    Q_INVOKABLE virtual Coordinate convertFromScene(const QVector3D &sceneCoordinate,
                                                    const MapContext *context) const = 0;
    virtual QGeoCoordinate convertToGeo(const Coordinate &coordinate) const = 0;
    virtual Coordinate convertFromGeo(const QGeoCoordinate &geoCoordinate) const = 0;

    // The point coordinate of srcFrame's frame in this converter's frame, passing
    // through the (single-precision) scene of context.
    Q_INVOKABLE Coordinate fromCoordinateFrame(const Coordinate &coordinate, const CoordinateConverter *srcFrame,
                                               const MapContext *context) const;

    static Coordinate notANumberCoordinate();
    static QVector3D notANumberVector();
};

Q_DECLARE_METATYPE(CoordinateConverter *)
