#include "Coordinate.h"

#include <QDataStream>
#include <QDebug>

#include <cmath>

namespace {

// Lengths this close to 1 or to 0 are taken as exact: no scaling.
constexpr double lengthTolerance = 1e-12;

} // namespace

double Coordinate::distanceToPoint(const Coordinate &point) const
{
    return std::hypot(x - point.x, y - point.y, z - point.z);
}

double Coordinate::length() const
{
    return std::hypot(x, y, z);
}

double Coordinate::lengthSquared() const
{
    return x * x + y * y + z * z;
}

void Coordinate::normalize()
{
    const double l = length();
    if (std::abs(l - 1) <= lengthTolerance || std::abs(l) <= lengthTolerance)
        return;
    x /= l;
    y /= l;
    z /= l;
}

Coordinate Coordinate::normalized() const
{
    const double l = length();
    if (std::abs(l - 1) <= lengthTolerance)
        return *this;
    if (std::abs(l) <= lengthTolerance)
        return {};
    return {x / l, y / l, z / l};
}

Coordinate Coordinate::add(const Coordinate &other) const
{
    return {x + other.x, y + other.y, z + other.z};
}

Coordinate Coordinate::minus(const Coordinate &other) const
{
    return {x - other.x, y - other.y, z - other.z};
}

Coordinate Coordinate::times(double factor) const
{
    return {x * factor, y * factor, z * factor};
}

QDataStream &operator<<(QDataStream &stream, const Coordinate &coordinate)
{
    return stream << coordinate.x << coordinate.y << coordinate.z;
}

QDataStream &operator>>(QDataStream &stream, Coordinate &coordinate)
{
    return stream >> coordinate.x >> coordinate.y >> coordinate.z;
}

QDebug operator<<(QDebug debug, const Coordinate &coordinate)
{
    const QDebugStateSaver saver(debug);
    debug.nospace() << "Coordinate(" << coordinate.x << ", " << coordinate.y << ", " << coordinate.z << ")";
    return debug;
}
