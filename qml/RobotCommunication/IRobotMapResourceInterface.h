#pragma once

#include "IRobotResourceInterface.h"

// The store of a robot's maps, which knows besides which map is the active one.
class IRobotMapResourceInterface : public IRobotResourceInterface
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("IRobotMapResourceInterface must be accessed through IRobotConnection")

public:
    explicit IRobotMapResourceInterface(QObject *parent = nullptr);
    ~IRobotMapResourceInterface() override;

    virtual QFuture<QUuid> getActiveIdCpp() = 0;

    Q_INVOKABLE QJSValue getActiveId();
};
