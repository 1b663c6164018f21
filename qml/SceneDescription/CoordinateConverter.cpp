#include "CoordinateConverter.h"

#include <QDebug>

#include <limits>

CoordinateConverter::CoordinateConverter(QObject *parent)
    : IRobotResourceOwner(parent)
{
}

CoordinateConverter::~CoordinateConverter() = default;

Coordinate CoordinateConverter::fromCoordinateFrame(const Coordinate &coordinate, const CoordinateConverter *srcFrame,
                                                    const MapContext *context) const
{
    if (!srcFrame) {
        qWarning() << "No source frame to convert" << coordinate << "from";
        return notANumberCoordinate();
    }
    return convertFromScene(srcFrame->convertToScene(coordinate, context), context);
}

Coordinate CoordinateConverter::notANumberCoordinate()
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan, nan};
}

QVector3D CoordinateConverter::notANumberVector()
{
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    return {nan, nan, nan};
}
