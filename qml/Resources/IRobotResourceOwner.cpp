#include "IRobotResourceOwner.h"

IRobotResourceOwner::IRobotResourceOwner(QObject *parent)
    : QObject(parent)
{
    // resolveResource is also reached by name (queued connections, invokeMethod), where
    // its parameter type is spelled as the alias.
    static const int registered = qRegisterMetaType<std::shared_ptr<QObject>>("ostrel::shared_qptr<QObject>");
    Q_UNUSED(registered)
}

IRobotResourceOwner::~IRobotResourceOwner() = default;
