#pragma once

#include "RosBridgePeerReply.h"

#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>

class QTcpServer;
class QTcpSocket;
class QTimer;
class QWebSocketServer;
class RosBridgePeerConnection;

// A robot's rosbridge server (protocol version 2, JSON on a WebSocket), for tests and
// for development without a robot. It answers "call_service" from a script per service
// (an answer, a delay, no answer, a wrong id, two answers, a frame that is no JSON, an
// unknown op), keeps each client's "subscribe" and "unsubscribe", publishes topic
// messages to the subscribers on demand or at a steady rate, and records every frame
// it receives. It can drop its connections abruptly, or freeze them as a robot that
// hangs: nothing is read any more, so pings go unanswered.
//
// A service without a script is answered as not offered (result false with a message).
class RosBridgePeer : public QObject
{
    Q_OBJECT

public:
    using ServiceHandler = std::function<RosBridgePeerReply(const QJsonObject &args)>;

    // One frame a client sent: its text and the connection it came on (0 for the first).
    struct ReceivedFrame
    {
        int connection = 0;
        QString text;
    };

    static constexpr quint16 defaultPort = 9090;

    explicit RosBridgePeer(QObject *parent = nullptr);
    ~RosBridgePeer() override;

    // Port 0 picks a free one. Loopback by default.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const;
    QHostAddress address() const;
    QUrl url() const;
    QString errorString() const;

    void setServiceReply(const QString &service, const RosBridgePeerReply &reply);
    void setServiceHandler(const QString &service, ServiceHandler handler);
    // The reply a call of service with args gets.
    RosBridgePeerReply replyFor(const QString &service, const QJsonObject &args) const;

    // Sends the message to every client subscribed to the topic; returns how many.
    int publish(const QString &topic, const QJsonObject &message);
    // Publishes the message every interval, to whoever is subscribed then.
    void publishEvery(const QString &topic, const QJsonObject &message, std::chrono::milliseconds interval);
    // Sends a text frame as it is to every client.
    void sendToAll(const QString &text);

    // Every frame received, in order of arrival.
    QList<ReceivedFrame> receivedFrames() const { return m_received; }
    // The received frames that are JSON objects with this op (all of them when op is empty).
    QList<QJsonObject> receivedFrames(const QString &op) const;
    void clearReceivedFrames() { m_received.clear(); }

    int connectionCount() const;
    // Topics any open connection is subscribed to, sorted.
    QStringList subscribedTopics() const;

    // Closes every connection's TCP stream without a closing handshake.
    void dropConnections();
    // Stops reading every open connection, as a robot that hangs: no pongs, no answers.
    void freezeConnections();

signals:
    void clientConnected();
    void clientDisconnected();
    void frameReceived(const QString &text);

private:
    friend class RosBridgePeerConnection;

    void acceptTcpConnections();
    void adoptWebSockets();
    void record(RosBridgePeerConnection *connection, const QString &text);

    QTcpServer *m_listener = nullptr;
    QWebSocketServer *m_upgrader = nullptr;
    QList<QPointer<QTcpSocket>> m_handshaking; // streams whose WebSocket handshake runs
    QList<RosBridgePeerConnection *> m_connections;
    int m_connectionsMade = 0;
    QHash<QString, ServiceHandler> m_services;
    QHash<QString, QTimer *> m_feeds;
    QList<ReceivedFrame> m_received;
};
