#include "RosBridgePeerConnection.h"

#include "RosBridgePeer.h"

#include <QJsonDocument>
#include <QTcpSocket>
#include <QTimer>
#include <QUuid>
#include <QWebSocket>

RosBridgePeerConnection::RosBridgePeerConnection(int index, QWebSocket *webSocket, QTcpSocket *stream,
                                                 RosBridgePeer *peer)
    : QObject(peer)
    , m_index(index)
    , m_webSocket(webSocket)
    , m_stream(stream)
    , m_peer(peer)
{
    m_webSocket->setParent(this);
    connect(m_webSocket, &QWebSocket::textMessageReceived, this, &RosBridgePeerConnection::onTextMessage);
    connect(m_webSocket, &QWebSocket::disconnected, this, &RosBridgePeerConnection::closed);
}

RosBridgePeerConnection::~RosBridgePeerConnection()
{
    disconnect(m_webSocket, nullptr, this, nullptr);
}

void RosBridgePeerConnection::sendText(const QString &text)
{
    if (!m_frozen)
        m_webSocket->sendTextMessage(text);
}

void RosBridgePeerConnection::sendFrame(const QJsonObject &frame)
{
    sendText(QString::fromUtf8(QJsonDocument(frame).toJson(QJsonDocument::Compact)));
}

void RosBridgePeerConnection::drop()
{
    // A frozen stream reports nothing any more, so the end is told here, once.
    disconnect(m_webSocket, nullptr, this, nullptr);
    if (m_stream)
        m_stream->blockSignals(false);
    m_webSocket->abort();
    emit closed();
}

void RosBridgePeerConnection::freeze()
{
    m_frozen = true;
    // Data that is not read is not answered: the WebSocket under the stream never sees
    // the pings, so no pongs go back.
    if (m_stream)
        m_stream->blockSignals(true);
}

void RosBridgePeerConnection::onTextMessage(const QString &text)
{
    if (m_frozen)
        return;
    m_peer->record(this, text);
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return;
    const QJsonObject frame = document.object();
    const QString op = frame.value(QLatin1String("op")).toString();
    const QString topic = frame.value(QLatin1String("topic")).toString();
    if (op == QLatin1String("call_service"))
        callService(frame);
    else if (op == QLatin1String("subscribe"))
        m_topics.insert(topic);
    else if (op == QLatin1String("unsubscribe"))
        m_topics.remove(topic);
}

void RosBridgePeerConnection::callService(const QJsonObject &frame)
{
    const QJsonValue id = frame.value(QLatin1String("id"));
    const QString service = frame.value(QLatin1String("service")).toString();
    const RosBridgePeerReply reply = m_peer->replyFor(service, frame.value(QLatin1String("args")).toObject());
    using Behaviour = RosBridgePeerReply::Behaviour;
    switch (reply.behaviour) {
    case Behaviour::Answer:
        answer(id, service, reply);
        break;
    case Behaviour::Delay:
        QTimer::singleShot(reply.delay, this, [this, id, service, reply] { answer(id, service, reply); });
        break;
    case Behaviour::Silence:
        break;
    case Behaviour::WrongId:
        answer(QUuid::createUuid().toString(QUuid::WithBraces), service, reply);
        break;
    case Behaviour::Twice:
        answer(id, service, reply);
        answer(id, service, reply);
        break;
    case Behaviour::NonJson:
        sendText(QStringLiteral("service_response for %1, but not as JSON {").arg(service));
        break;
    case Behaviour::UnknownOp: {
        QJsonObject unknown;
        unknown.insert(QLatin1String("op"), QStringLiteral("no_such_op"));
        unknown.insert(QLatin1String("service"), service);
        if (!id.isUndefined())
            unknown.insert(QLatin1String("id"), id);
        sendFrame(unknown);
        break;
    }
    }
}

void RosBridgePeerConnection::answer(const QJsonValue &id, const QString &service, const RosBridgePeerReply &reply)
{
    QJsonObject response;
    response.insert(QLatin1String("op"), QStringLiteral("service_response"));
    response.insert(QLatin1String("service"), service);
    response.insert(QLatin1String("result"), reply.result);
    if (!id.isUndefined())
        response.insert(QLatin1String("id"), id);
    if (!reply.values.isUndefined())
        response.insert(QLatin1String("values"), reply.values);
    sendFrame(response);
}
