#pragma once

#include "QObjectDeleter.h"

#include <QMetaType>

#include <memory>

Q_DECLARE_METATYPE(std::shared_ptr<QObject>)
Q_DECLARE_METATYPE(ostrel::unique_qptr<QObject>)
