#pragma once

#include "Pose.h"

#include <QList>
#include <QMetaType>

// A pose with its covariance, as a robot's odometry reports it; the list holds whatever
// the robot sent.
struct PoseWithCovariance : Pose
{
    Q_GADGET
    Q_PROPERTY(QList<double> covariance MEMBER covariance)

public:
    QList<double> covariance;

    friend bool operator==(const PoseWithCovariance &a, const PoseWithCovariance &b)
    {
        return static_cast<const Pose &>(a) == static_cast<const Pose &>(b) && a.covariance == b.covariance;
    }
    friend bool operator!=(const PoseWithCovariance &a, const PoseWithCovariance &b) { return !(a == b); }
};

Q_DECLARE_METATYPE(PoseWithCovariance)
