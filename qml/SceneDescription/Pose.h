#pragma once

#include "Coordinate.h"

#include <QMetaType>
#include <QObject>
#include <QQuaternion>

// A position with an orientation (identity by default).
struct Pose
{
    Q_GADGET
    Q_PROPERTY(Coordinate position MEMBER position)
    Q_PROPERTY(QQuaternion orientation MEMBER orientation)

public:
    Coordinate position;
    QQuaternion orientation;

    virtual ~Pose() = default;

    // The pose a fraction t of the way to other: positions blended linearly,
    // orientations by spherical interpolation.
    virtual Pose interpolate(const Pose &other, double t) const;

    friend bool operator==(const Pose &a, const Pose &b)
    {
        return a.position == b.position && a.orientation.scalar() == b.orientation.scalar()
               && a.orientation.x() == b.orientation.x() && a.orientation.y() == b.orientation.y()
               && a.orientation.z() == b.orientation.z();
    }
    friend bool operator!=(const Pose &a, const Pose &b) { return !(a == b); }
};

Q_DECLARE_METATYPE(Pose)
