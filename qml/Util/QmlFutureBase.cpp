#include "QmlFutureBase.h"

#include <QJSEngine>

QJSValue QmlFutureBase::promiseFor(QJSEngine *engine, const QJSValue &self)
{
    QJSValue bridge = engine->evaluate(QStringLiteral("(future) => new Promise((resolveFunc, rejectFunc) => {"
                                                      "    future.registerFutureCallback(resolveFunc, rejectFunc);"
                                                      "})"),
                                       QString(), 1);
    return bridge.call({self});
}
