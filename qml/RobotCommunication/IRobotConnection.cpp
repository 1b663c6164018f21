#include "IRobotConnection.h"

#include "QmlFuture.h"

#include <QJSEngine>

QJSValue IRobotConnection::connect(const QUrl &url)
{
    QJSEngine *engine = qjsEngine(this);
    QFuture<bool> attempt = connectCpp(url);
    if (!engine)
        return {};
    return QmlFuture<bool>::toPromise(engine, std::move(attempt));
}
