#include "RosBridgePeer.h"

#include "RosBridgePeerConnection.h"

#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>

RosBridgePeer::RosBridgePeer(QObject *parent)
    : QObject(parent)
    , m_listener(new QTcpServer(this))
    , m_upgrader(new QWebSocketServer(QStringLiteral("halvora-rosbridge-peer"), QWebSocketServer::NonSecureMode, this))
{
    // The peer accepts the TCP streams itself and hands them to the WebSocket server for
    // the handshake only, so that it keeps hold of each stream (to freeze it).
    connect(m_listener, &QTcpServer::newConnection, this, &RosBridgePeer::acceptTcpConnections);
    connect(m_upgrader, &QWebSocketServer::newConnection, this, &RosBridgePeer::adoptWebSockets);
}

RosBridgePeer::~RosBridgePeer()
{
    for (RosBridgePeerConnection *connection : std::as_const(m_connections)) {
        disconnect(connection, nullptr, this, nullptr);
        delete connection;
    }
}

bool RosBridgePeer::listen(const QHostAddress &address, quint16 port)
{
    return m_listener->listen(address, port);
}

quint16 RosBridgePeer::port() const
{
    return m_listener->serverPort();
}

QHostAddress RosBridgePeer::address() const
{
    return m_listener->serverAddress();
}

QUrl RosBridgePeer::url() const
{
    QUrl url;
    url.setScheme(QStringLiteral("ws"));
    url.setHost(address().toString());
    url.setPort(port());
    return url;
}

QString RosBridgePeer::errorString() const
{
    return m_listener->errorString();
}

void RosBridgePeer::setServiceReply(const QString &service, const RosBridgePeerReply &reply)
{
    m_services.insert(service, [reply](const QJsonObject &) { return reply; });
}

void RosBridgePeer::setServiceHandler(const QString &service, ServiceHandler handler)
{
    m_services.insert(service, std::move(handler));
}

RosBridgePeerReply RosBridgePeer::replyFor(const QString &service, const QJsonObject &args) const
{
    const auto found = m_services.constFind(service);
    if (found == m_services.constEnd())
        return RosBridgePeerReply::failure(QStringLiteral("Service %1 does not exist").arg(service));
    return found.value()(args);
}

int RosBridgePeer::publish(const QString &topic, const QJsonObject &message)
{
    QJsonObject frame;
    frame.insert(QLatin1String("op"), QStringLiteral("publish"));
    frame.insert(QLatin1String("topic"), topic);
    frame.insert(QLatin1String("msg"), message);
    int sent = 0;
    for (RosBridgePeerConnection *connection : std::as_const(m_connections)) {
        if (connection->isSubscribed(topic)) {
            connection->sendFrame(frame);
            ++sent;
        }
    }
    return sent;
}

void RosBridgePeer::publishEvery(const QString &topic, const QJsonObject &message, std::chrono::milliseconds interval)
{
    delete m_feeds.take(topic);
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, topic, message] { publish(topic, message); });
    timer->start(interval);
    m_feeds.insert(topic, timer);
}

void RosBridgePeer::sendToAll(const QString &text)
{
    for (RosBridgePeerConnection *connection : std::as_const(m_connections))
        connection->sendText(text);
}

QList<QJsonObject> RosBridgePeer::receivedFrames(const QString &op) const
{
    QList<QJsonObject> frames;
    for (const ReceivedFrame &received : m_received) {
        const QJsonDocument document = QJsonDocument::fromJson(received.text.toUtf8());
        if (!document.isObject())
            continue;
        const QJsonObject frame = document.object();
        if (op.isEmpty() || frame.value(QLatin1String("op")).toString() == op)
            frames.append(frame);
    }
    return frames;
}

int RosBridgePeer::connectionCount() const
{
    return int(m_connections.size());
}

QStringList RosBridgePeer::subscribedTopics() const
{
    QStringList topics;
    for (const RosBridgePeerConnection *connection : m_connections) {
        for (const QString &topic : connection->topics()) {
            if (!topics.contains(topic))
                topics.append(topic);
        }
    }
    std::sort(topics.begin(), topics.end());
    return topics;
}

void RosBridgePeer::dropConnections()
{
    const QList<RosBridgePeerConnection *> connections = m_connections;
    for (RosBridgePeerConnection *connection : connections)
        connection->drop();
}

void RosBridgePeer::freezeConnections()
{
    for (RosBridgePeerConnection *connection : std::as_const(m_connections))
        connection->freeze();
}

void RosBridgePeer::acceptTcpConnections()
{
    while (QTcpSocket *stream = m_listener->nextPendingConnection()) {
        m_handshaking.append(stream);
        m_upgrader->handleConnection(stream);
    }
}

void RosBridgePeer::adoptWebSockets()
{
    while (QWebSocket *webSocket = m_upgrader->nextPendingConnection()) {
        // The stream under the WebSocket: the one whose far end is the same.
        QTcpSocket *stream = nullptr;
        m_handshaking.removeAll(nullptr);
        for (const QPointer<QTcpSocket> &candidate : std::as_const(m_handshaking)) {
            if (candidate->peerPort() == webSocket->peerPort() && candidate->peerAddress() == webSocket->peerAddress())
                stream = candidate;
        }
        m_handshaking.removeAll(stream);
        auto *connection = new RosBridgePeerConnection(m_connectionsMade++, webSocket, stream, this);
        m_connections.append(connection);
        connect(connection, &RosBridgePeerConnection::closed, this, [this, connection] {
            m_connections.removeOne(connection);
            connection->deleteLater();
            emit clientDisconnected();
        });
        emit clientConnected();
    }
}

void RosBridgePeer::record(RosBridgePeerConnection *connection, const QString &text)
{
    m_received.append({connection->index(), text});
    emit frameReceived(text);
}
