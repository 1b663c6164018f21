#include "IRobotMapResourceInterface.h"

#include "RobotPromise.h"

IRobotMapResourceInterface::IRobotMapResourceInterface(QObject *parent)
    : IRobotResourceInterface(parent)
{
}

IRobotMapResourceInterface::~IRobotMapResourceInterface() = default;

QJSValue IRobotMapResourceInterface::getActiveId()
{
    return robotPromise(this, getActiveIdCpp());
}
