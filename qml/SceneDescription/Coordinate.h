#pragma once

#include <QMetaType>
#include <QObject>

class QDataStream;
class QDebug;

// A point or vector of three doubles, in whatever frame its user gives it.
struct Coordinate
{
    Q_GADGET
    Q_PROPERTY(double x MEMBER x)
    Q_PROPERTY(double y MEMBER y)
    Q_PROPERTY(double z MEMBER z)

public:
    double x = 0;
    double y = 0;
    double z = 0;

    Q_INVOKABLE double distanceToPoint(const Coordinate &point) const;
    Q_INVOKABLE double length() const;
    Q_INVOKABLE double lengthSquared() const;
    // Scales to unit length; a vector of length (almost) 1 or (almost) 0 is left as it is.
    Q_INVOKABLE void normalize();
    // A unit-length copy; (almost) unit length gives an unchanged copy, (almost) zero
    // length gives (0, 0, 0).
    Q_INVOKABLE Coordinate normalized() const;
    Q_INVOKABLE Coordinate add(const Coordinate &other) const;
    Q_INVOKABLE Coordinate minus(const Coordinate &other) const;
    Q_INVOKABLE Coordinate times(double factor) const;

    friend bool operator==(const Coordinate &a, const Coordinate &b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
    friend bool operator!=(const Coordinate &a, const Coordinate &b) { return !(a == b); }
};

QDataStream &operator<<(QDataStream &stream, const Coordinate &coordinate);
QDataStream &operator>>(QDataStream &stream, Coordinate &coordinate);
QDebug operator<<(QDebug debug, const Coordinate &coordinate);

Q_DECLARE_METATYPE(Coordinate)
