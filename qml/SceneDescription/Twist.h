#pragma once

#include <QMetaType>
#include <QObject>
#include <QVector3D>

// Linear and angular velocity.
struct Twist
{
    Q_GADGET
    Q_PROPERTY(QVector3D linear_velocity MEMBER linear_velocity)
    Q_PROPERTY(QVector3D angular_velocity MEMBER angular_velocity)

public:
    QVector3D linear_velocity;
    QVector3D angular_velocity;

    friend bool operator==(const Twist &a, const Twist &b)
    {
        return a.linear_velocity == b.linear_velocity && a.angular_velocity == b.angular_velocity;
    }
    friend bool operator!=(const Twist &a, const Twist &b) { return !(a == b); }
};

Q_DECLARE_METATYPE(Twist)
