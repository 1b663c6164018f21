#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace RobotMessages {

// Carries the robot's position accuracy levels to QML.
class PositionAccuracy : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Wrapper for PositionAccuracy enum to expose it to QML")

public:
    enum PositionAccuracyEnum {
        Unknown = 0,
        Inaccurate = 1,
        Position_ok = 2,
        Orientation_ok = 3,
    };
    Q_ENUM(PositionAccuracyEnum)

    explicit PositionAccuracy(QObject *parent = nullptr);
    ~PositionAccuracy() override;
};

} // namespace RobotMessages
