#pragma once

#include <QJSValue>
#include <QObject>

// The object behind one JavaScript promise made from a future: the promise's
// executor hands it its resolve and reject functions.
class QmlFutureBase : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE virtual void registerFutureCallback(QJSValue resolveFunc, QJSValue rejectFunc) = 0;

protected:
    // The bridge from a future's wrapper to a new Promise; evaluated in the engine.
    static QJSValue promiseFor(QJSEngine *engine, const QJSValue &self);
};
