#include "IRobotResourceInterface.h"

#include "RobotPromise.h"

IRobotResourceInterface::IRobotResourceInterface(QObject *parent)
    : QObject(parent)
{
}

IRobotResourceInterface::~IRobotResourceInterface() = default;

QJSValue IRobotResourceInterface::getResource(const QUuid &uuid)
{
    return robotPromise(this, getResourceCpp(uuid));
}

QJSValue IRobotResourceInterface::setResource(const QJsonObject &resource)
{
    return robotPromise(this, setResourceCpp(resource));
}

QJSValue IRobotResourceInterface::removeResource(const QUuid &uuid)
{
    return robotPromise(this, removeResourceCpp(uuid));
}

QJSValue IRobotResourceInterface::updateResource(const QJsonObject &resource)
{
    return robotPromise(this, updateResourceCpp(resource));
}

QJSValue IRobotResourceInterface::listResources(const QUuid &group)
{
    return robotPromise(this, listResourcesCpp(group));
}

QJSValue IRobotResourceInterface::listResources()
{
    return robotPromise(this, listResourcesCpp(QUuid()));
}
