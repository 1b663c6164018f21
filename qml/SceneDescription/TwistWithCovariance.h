#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QVector3D>

// Linear and angular velocity with their covariance, as a robot's odometry reports
// them. Unlike Twist, its properties are named in camel case.
struct TwistWithCovariance
{
    Q_GADGET
    Q_PROPERTY(QVector3D linearVelocity MEMBER linearVelocity)
    Q_PROPERTY(QVector3D angularVelocity MEMBER angularVelocity)
    Q_PROPERTY(QList<double> covariance MEMBER covariance)

public:
    QVector3D linearVelocity;
    QVector3D angularVelocity;
    QList<double> covariance;

    friend bool operator==(const TwistWithCovariance &a, const TwistWithCovariance &b)
    {
        return a.linearVelocity == b.linearVelocity && a.angularVelocity == b.angularVelocity
               && a.covariance == b.covariance;
    }
    friend bool operator!=(const TwistWithCovariance &a, const TwistWithCovariance &b) { return !(a == b); }
};

Q_DECLARE_METATYPE(TwistWithCovariance)
