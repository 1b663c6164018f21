#pragma once

#include "PeerSession.h"
#include "RosBridgeRobot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

// A rosbridge client connected to a peer on loopback that serves a robot: its resource
// stores, jobs, path recording and telemetry. Calls time out after 3 s instead of 10.
struct RobotSession : PeerSession
{
    RosBridgeRobot robot{peer};

    RobotSession() { client.setServiceCallTimeoutMs(3000); }
};

// A JSON value from its text (any value, not only documents).
inline QJsonValue jsonValue(const char *text)
{
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().first();
}

inline QString outcomeOf(QFuture<void> future)
{
    if (!future.isFinished())
        return QStringLiteral("running");
    try {
        future.waitForFinished();
        return future.isCanceled() ? QStringLiteral("cancelled") : QStringLiteral("ok");
    } catch (const QException &exception) {
        return exceptionName(exception) + QStringLiteral(": ") + QString::fromUtf8(exception.what());
    }
}

inline QString showUuid(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithBraces);
}

// Waits for the future and tells how it ended (see outcomeOf).
template<class T>
QString settle(QFuture<T> future, const std::function<QString(const T &)> &show)
{
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 10000))
        return QStringLiteral("running");
    return outcomeOf<T>(future, show);
}

inline QString settle(QFuture<void> future)
{
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 10000))
        return QStringLiteral("running");
    return outcomeOf(future);
}

// The args of the last call of service that the peer received.
inline QJsonObject lastArgsOf(const RosBridgePeer &peer, const QString &service)
{
    const QList<QJsonObject> calls = peer.receivedFrames(QStringLiteral("call_service"));
    for (auto it = calls.crbegin(); it != calls.crend(); ++it) {
        if (it->value(QLatin1String("service")).toString() == service)
            return it->value(QLatin1String("args")).toObject();
    }
    return {{QStringLiteral("not called"), true}};
}
