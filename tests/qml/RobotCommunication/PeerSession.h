#pragma once

#include "JsonException.h"
#include "RobotServiceExceptions.h"
#include "RosBridgeClient.h"
#include "RosBridgePeer.h"
#include "WebSocketClient.h"

#include <QFuture>
#include <QJsonDocument>
#include <QTest>

#include <functional>

// A rosbridge client connected to a peer on loopback, for the tests of the robot
// connection.
struct PeerSession
{
    RosBridgePeer peer;
    RosBridgeClient client;

    // Listens and connects; false when either fails.
    bool start() { return peer.listen() && reconnect(); }

    bool reconnect()
    {
        QFuture<bool> attempt = client.connect(QStringLiteral("127.0.0.1"), peer.port());
        return QTest::qWaitFor([&] { return attempt.isFinished(); }) && attempt.resultCount() == 1 && attempt.result()
               && QTest::qWaitFor([&] { return peer.connectionCount() == 1; });
    }

    // The id the client gave its most recent call, as sent.
    QString lastCallId() const
    {
        const QList<QJsonObject> calls = peer.receivedFrames(QStringLiteral("call_service"));
        return calls.isEmpty() ? QString() : calls.last().value(QLatin1String("id")).toString();
    }
};

// The name of an exception of the robot stack, for comparisons in tests.
inline QString exceptionName(const QException &exception)
{
    if (dynamic_cast<const JsonUndefinedException *>(&exception))
        return QStringLiteral("JsonUndefinedException");
    if (dynamic_cast<const JsonInvalidTypeException *>(&exception))
        return QStringLiteral("JsonInvalidTypeException");
    if (dynamic_cast<const JsonException *>(&exception))
        return QStringLiteral("JsonException");
    if (dynamic_cast<const RobotNotConnectedException *>(&exception))
        return QStringLiteral("RobotNotConnectedException");
    if (dynamic_cast<const ServiceCallTimeoutException *>(&exception))
        return QStringLiteral("ServiceCallTimeoutException");
    if (dynamic_cast<const ServiceCallFailedException *>(&exception))
        return QStringLiteral("ServiceCallFailedException");
    if (dynamic_cast<const ServiceCallMoreThanOneResponseException *>(&exception))
        return QStringLiteral("ServiceCallMoreThanOneResponseException");
    return QStringLiteral("QException");
}

// How a finished future ended: "ok <shown result>", "<ExceptionClass>: <what()>" or
// "cancelled".
template<class T>
QString outcomeOf(QFuture<T> future, const std::function<QString(const T &)> &show)
{
    if (!future.isFinished())
        return QStringLiteral("running");
    try {
        future.waitForFinished();
        if (future.isCanceled())
            return QStringLiteral("cancelled");
        return QStringLiteral("ok ") + show(future.result());
    } catch (const QException &exception) {
        return exceptionName(exception) + QStringLiteral(": ") + QString::fromUtf8(exception.what());
    }
}

inline QString showResponse(const RosBridgeClient::ServiceCallResponse &response)
{
    return QStringLiteral("%1 %2").arg(
        response.result ? QStringLiteral("true") : QStringLiteral("false"),
        QString::fromUtf8(QJsonDocument(response.values).toJson(QJsonDocument::Compact)));
}
