#include "Pose.h"

Pose Pose::interpolate(const Pose &other, double t) const
{
    Pose result;
    result.position = position.times(1 - t).add(other.position.times(t));
    result.orientation = QQuaternion::slerp(orientation, other.orientation, float(t));
    return result;
}
