#include "PositionAccuracy.h"

namespace RobotMessages {

PositionAccuracy::PositionAccuracy(QObject *parent)
    : QObject(parent)
{
}

PositionAccuracy::~PositionAccuracy() = default;

} // namespace RobotMessages
