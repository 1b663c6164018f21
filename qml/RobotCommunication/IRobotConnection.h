#pragma once

#include "RobotConnectionStatus.h"
#include "RobotResourceType.h"

#include <QFuture>
#include <QJSValue>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include "IRobotMapResourceInterface.h"
#include "IRobotResourceInterface.h"
#include "RobotJobInterface.h"
#include "RobotPathRecordingInterface.h"
#include "RobotTelemetryInterface.h"

// What QML and the robot manager hold of one robot: the connection's status, the
// robot's name and serial, connecting and disconnecting, and the service interfaces
// through which the robot's resources, jobs, path recording and telemetry are reached.
class IRobotConnection : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("IRobotConnection is an abstract base class")
    Q_PROPERTY(RobotConnectionStatus::Status status READ status NOTIFY connectionStatusChanged FINAL)
    Q_PROPERTY(QString name READ name NOTIFY robotNameChanged FINAL)
    Q_PROPERTY(QString serial READ serial NOTIFY robotSerialChanged FINAL)
    Q_PROPERTY(QString location READ location NOTIFY robotSerialChanged FINAL)
    Q_PROPERTY(IRobotResourceInterface *pathResourceInterface READ pathResourceInterface CONSTANT FINAL)
    Q_PROPERTY(IRobotResourceInterface *jobResourceInterface READ jobResourceInterface CONSTANT FINAL)
    Q_PROPERTY(IRobotResourceInterface *areaResourceInterface READ areaResourceInterface CONSTANT FINAL)
    Q_PROPERTY(IRobotResourceInterface *artifactResourceInterface READ artifactResourceInterface CONSTANT FINAL)
    Q_PROPERTY(IRobotResourceInterface *scheduleResourceInterface READ scheduleResourceInterface CONSTANT FINAL)
    Q_PROPERTY(IRobotMapResourceInterface *mapResourceInterface READ mapResourceInterface CONSTANT FINAL)
    Q_PROPERTY(RobotJobInterface *jobInterface READ jobInterface CONSTANT FINAL)
    Q_PROPERTY(RobotPathRecordingInterface *pathRecordingInterface READ pathRecordingInterface CONSTANT FINAL)
    Q_PROPERTY(RobotTelemetryInterface *telemetryInterface READ telemetryInterface CONSTANT FINAL)

public:
    using QObject::QObject;

    // The attempt as a promise: true once connected, false when the attempt fails.
    Q_INVOKABLE QJSValue connect(const QUrl &url);
    // Closes the connection; the status goes through Closing to Closed.
    Q_INVOKABLE virtual void disconnect() = 0;
    // The resource interface of a kind; null for a kind the robot keeps no service for.
    Q_INVOKABLE virtual IRobotResourceInterface *resourceInterface(RobotResourceType::ResourceType type) const = 0;

    // "robot/" and the serial: where the robot's own resources are located.
    QString location() const { return QStringLiteral("robot/") + serial(); }

    virtual QFuture<bool> connectCpp(const QUrl &url) = 0;
    virtual RobotConnectionStatus::Status status() const = 0;
    virtual QString name() const = 0;
    virtual QString serial() const = 0;
    virtual IRobotResourceInterface *pathResourceInterface() const = 0;
    virtual IRobotResourceInterface *jobResourceInterface() const = 0;
    virtual IRobotResourceInterface *areaResourceInterface() const = 0;
    virtual IRobotResourceInterface *artifactResourceInterface() const = 0;
    virtual IRobotResourceInterface *scheduleResourceInterface() const = 0;
    virtual IRobotMapResourceInterface *mapResourceInterface() const = 0;
    virtual RobotJobInterface *jobInterface() const = 0;
    virtual RobotPathRecordingInterface *pathRecordingInterface() const = 0;
    virtual RobotTelemetryInterface *telemetryInterface() const = 0;

signals:
    void connectionStatusChanged();
    void robotNameChanged();
    void robotSerialChanged();
};
