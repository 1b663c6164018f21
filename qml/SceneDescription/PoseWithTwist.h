#pragma once

#include "Pose.h"

#include <QMetaType>
#include <QVector3D>

// A pose with the velocities the robot moves with there.
struct PoseWithTwist : Pose
{
    Q_GADGET
    Q_PROPERTY(QVector3D linear_velocity MEMBER linear_velocity)
    Q_PROPERTY(QVector3D angular_velocity MEMBER angular_velocity)

public:
    QVector3D linear_velocity;
    QVector3D angular_velocity;

    friend bool operator==(const PoseWithTwist &a, const PoseWithTwist &b)
    {
        return static_cast<const Pose &>(a) == static_cast<const Pose &>(b) && a.linear_velocity == b.linear_velocity
               && a.angular_velocity == b.angular_velocity;
    }
    friend bool operator!=(const PoseWithTwist &a, const PoseWithTwist &b) { return !(a == b); }
};

Q_DECLARE_METATYPE(PoseWithTwist)
