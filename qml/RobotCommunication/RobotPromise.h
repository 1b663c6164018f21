#pragma once

#include "QmlFuture.h"

#include <QDebug>
#include <QFuture>
#include <QJSEngine>
#include <QJSValue>
#include <QObject>

// The promise of a robot operation's future, in the JavaScript engine that holds
// owner. An object that no engine holds (one never handed to QML) has no promise to
// give: the operation still runs, and the caller gets undefined.
template<class T>
QJSValue robotPromise(const QObject *owner, QFuture<T> future)
{
    QJSEngine *engine = qjsEngine(owner);
    if (!engine) {
        qWarning() << owner << "is not held by a JavaScript engine: no promise for its result";
        return QJSValue();
    }
    return QmlFuture<T>::toPromise(engine, std::move(future));
}
