#pragma once

#include "RosBridgePeerReply.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

class QTcpSocket;
class QWebSocket;
class RosBridgePeer;

// One client of the peer: its WebSocket, the TCP stream under it (to freeze it) and the
// topics it subscribed to.
class RosBridgePeerConnection : public QObject
{
    Q_OBJECT

public:
    RosBridgePeerConnection(int index, QWebSocket *webSocket, QTcpSocket *stream, RosBridgePeer *peer);
    ~RosBridgePeerConnection() override;

    int index() const { return m_index; }
    bool isSubscribed(const QString &topic) const { return m_topics.contains(topic); }
    const QSet<QString> &topics() const { return m_topics; }

    void sendText(const QString &text);
    void sendFrame(const QJsonObject &frame);
    void drop();
    void freeze();

signals:
    void closed();

private:
    void onTextMessage(const QString &text);
    void callService(const QJsonObject &frame);
    void answer(const QJsonValue &id, const QString &service, const RosBridgePeerReply &reply);

    int m_index;
    QWebSocket *m_webSocket;
    QPointer<QTcpSocket> m_stream;
    RosBridgePeer *m_peer;
    QSet<QString> m_topics;
    bool m_frozen = false;
};
