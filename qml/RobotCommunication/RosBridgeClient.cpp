#include "RosBridgeClient.h"

#include "JsonException.h"
#include "WebSocketClient.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QThread>
#include <QTimer>

#include <utility>

Q_LOGGING_CATEGORY(lcRosBridgeClient, "RobotCommunication.RosBridgeClient", QtDebugMsg)

namespace {

const QLatin1String opKey("op");

// A future that has already failed with the exception.
template<class T>
QFuture<T> failedFuture(const QException &exception)
{
    QPromise<T> promise;
    promise.start();
    promise.setException(exception);
    promise.finish();
    return promise.future();
}

} // namespace

RosBridgeClient::PendingServiceCall::PendingServiceCall() = default;
RosBridgeClient::PendingServiceCall::PendingServiceCall(PendingServiceCall &&) noexcept = default;
RosBridgeClient::PendingServiceCall &
RosBridgeClient::PendingServiceCall::operator=(PendingServiceCall &&) noexcept = default;

RosBridgeClient::PendingServiceCall::~PendingServiceCall()
{
    // The timer may be the one whose timeout is running: it is stopped here and deleted
    // later. An unfinished promise is cancelled and finished by its own destructor.
    if (timer)
        timer->stop();
}

RosBridgeClient::RosBridgeClient(WebSocketClient *webSocket, QObject *parent)
    : QObject(parent)
    , m_webSocket(webSocket)
{
    // In this order: the client settles its calls before it passes the change on.
    QObject::connect(m_webSocket, &WebSocketClient::messageReceived, this, &RosBridgeClient::onWsMessageReceived);
    QObject::connect(m_webSocket, &WebSocketClient::statusChanged, this, &RosBridgeClient::onWsStatusChanged);
    QObject::connect(m_webSocket, &WebSocketClient::statusChanged, this, &RosBridgeClient::connectionStatusChanged);
}

RosBridgeClient::RosBridgeClient(QObject *parent)
    : RosBridgeClient(new WebSocketClient(nullptr), parent)
{
    m_webSocket->setParent(this);
}

RosBridgeClient::~RosBridgeClient()
{
    // A borrowed transport outlives us; an own one goes with the children, later.
    QObject::disconnect(m_webSocket, nullptr, this, nullptr);
    // Dropping the pending calls cancels their futures; whatever continues them may not
    // come back into this object any more.
    auto pending = std::exchange(m_pendingCalls, {});
    pending.clear();
}

QFuture<RosBridgeClient::ServiceCallResponse> RosBridgeClient::callService(const QString &service,
                                                                           const QJsonObject &args, int timeoutMs)
{
    if (!onTransportThread())
        qCWarning(lcRosBridgeClient) << "Service calls must be made from the same thread as the RosBridgeClient object";
    if (m_webSocket->status() != RobotConnectionStatus::Connected)
        return failedFuture<ServiceCallResponse>(RobotNotConnectedException());

    const QUuid id = QUuid::createUuid();
    QJsonObject frame;
    frame.insert(opKey, QStringLiteral("call_service"));
    frame.insert(QLatin1String("service"), service);
    frame.insert(QLatin1String("args"), args);
    frame.insert(QLatin1String("id"), id.toString(QUuid::WithBraces));
    qCDebug(lcRosBridgeClient) << "Calling service" << service << "with id" << id;

    PendingServiceCall &call = m_pendingCalls[id];
    call.timer.reset(new QTimer);
    call.timer->setSingleShot(true);
    QObject::connect(
        call.timer.get(), &QTimer::timeout, call.timer.get(), [this, id] { onServiceCallTimeout(id); },
        Qt::DirectConnection);
    call.promise.start();
    QFuture<ServiceCallResponse> future = call.promise.future();
    call.timer->start(timeoutMs);

    sendFrame(frame);
    return future;
}

RobotSubscription *RosBridgeClient::subscribe(const QString &topic, const QString &type, QObject *parent)
{
    if (!onTransportThread())
        qCWarning(lcRosBridgeClient) << "Cannot subscribe to a topic from a different thread";

    std::shared_ptr<RobotSubscription::Data> data = m_subscriptions.value(topic);
    if (!data) {
        data = std::make_shared<RobotSubscription::Data>(RobotSubscription::Data{topic, type});
        m_subscriptions.insert(topic, data);
        // Without a connection the frame would be lost: it goes out once one is up.
        if (m_webSocket->isConnected())
            sendSubscribe(*data);
    }

    auto *subscription = new RobotSubscription(data, parent);
    QObject::connect(this, &RosBridgeClient::messageReceived, subscription, &RobotSubscription::processMessage);
    QObject::connect(subscription, &QObject::destroyed, this, &RosBridgeClient::onSubscriptionDestroyed);
    return subscription;
}

void RosBridgeClient::unsubscribe(const QString &topic)
{
    if (!onTransportThread())
        qCWarning(lcRosBridgeClient) << "Cannot unsubscribe from a topic from a different thread";
    QJsonObject frame;
    frame.insert(opKey, QStringLiteral("unsubscribe"));
    frame.insert(QLatin1String("topic"), topic);
    qCDebug(lcRosBridgeClient) << "Unsubscribing from topic" << topic;
    sendFrame(frame);
}

QFuture<bool> RosBridgeClient::connect(const QString &host, quint16 port)
{
    return m_webSocket->connect(host, port);
}

void RosBridgeClient::disconnect()
{
    m_webSocket->disconnect();
}

RobotConnectionStatus::Status RosBridgeClient::connectionStatus() const
{
    return m_webSocket->status();
}

void RosBridgeClient::onWsMessageReceived(const QString &message)
{
    try {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(message.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            throw JsonException(QStringLiteral("Received message is not a valid JSON object"));
        const QJsonObject frame = document.object();
        JsonContext context;
        const QString op = fromJson<QString>(context, frame.value(opKey));
        if (op == QLatin1String("publish"))
            handleTopicMessage(frame);
        else if (op == QLatin1String("service_response"))
            handleServiceResponse(frame);
        else
            qCWarning(lcRosBridgeClient) << "Received unknown message type" << op;
    } catch (const JsonException &exception) {
        qCWarning(lcRosBridgeClient) << "Failed to parse received message:" << exception.what();
    }
}

void RosBridgeClient::handleServiceResponse(const QJsonObject &frame)
{
    JsonContext context;
    QUuid id;
    bool result = false;
    QString service;
    try {
        id = fromJson<QUuid>(context, frame.value(QLatin1String("id")));
        result = fromJson<bool>(context, frame.value(QLatin1String("result")));
        service = fromJson<QString>(context, frame.value(QLatin1String("service")));
    } catch (const JsonException &exception) {
        // The call is left alone: its time limit ends it.
        qCWarning(lcRosBridgeClient) << "Failed to parse service response:" << exception.what();
        return;
    }

    const auto found = m_pendingCalls.find(id);
    if (found == m_pendingCalls.end()) {
        qCWarning(lcRosBridgeClient) << "Received service response for unknown service call" << id << "for service"
                                     << service;
        return;
    }
    // Taken out of the table before its promise finishes: a continuation that calls
    // again or closes the connection must find the table in order.
    PendingServiceCall call = std::move(m_pendingCalls.extract(found).mapped());

    try {
        const QJsonValue values = frame.value(QLatin1String("values"));
        ServiceCallResponse response;
        response.result = result;
        if (values.isObject()) {
            response.values.append(values);
        } else if (values.isArray()) {
            response.values = values.toArray();
        } else if (values.isString() && !result) {
            throw ServiceCallFailedException(tr("Service call failed: %1").arg(values.toString()));
        } else if (!values.isUndefined()) {
            throw JsonInvalidTypeException(QStringLiteral("values"), values.type(), QJsonValue::Array);
        }
        qCDebug(lcRosBridgeClient) << "Received service response for service" << service << "with id" << id
                                   << "with result" << result;
        call.promise.addResult(response);
    } catch (const QException &exception) {
        call.promise.setException(exception);
    }
    call.promise.finish();
}

void RosBridgeClient::handleTopicMessage(const QJsonObject &frame)
{
    try {
        JsonContext context;
        const QString topic = fromJson<QString>(context, frame.value(QLatin1String("topic")));
        const QJsonValue message = frame.value(QLatin1String("msg"));
        if (!message.isObject())
            throw JsonInvalidTypeException(QStringLiteral("msg"), message.type(), QJsonValue::Object);
        qCDebug(lcRosBridgeClient) << "Received topic message for topic" << topic;
        emit messageReceived(topic, message.toObject());
    } catch (const JsonException &exception) {
        qCWarning(lcRosBridgeClient) << "Failed to parse topic message:" << exception.what();
    }
}

void RosBridgeClient::onServiceCallTimeout(const QUuid &id)
{
    qCWarning(lcRosBridgeClient) << "Service call" << id << "timed out";
    const auto found = m_pendingCalls.find(id);
    if (found == m_pendingCalls.end())
        return;
    // The entry's destructor stops this very timer and deletes it later, which is safe
    // from inside its own timeout.
    PendingServiceCall call = std::move(m_pendingCalls.extract(found).mapped());
    call.promise.setException(ServiceCallTimeoutException());
    call.promise.finish();
}

void RosBridgeClient::onWsStatusChanged()
{
    const RobotConnectionStatus::Status status = m_webSocket->status();
    if (status == RobotConnectionStatus::Connected) {
        // A new connection knows none of our topics yet.
        for (const auto &data : std::as_const(m_subscriptions))
            sendSubscribe(*data);
        return;
    }
    if (status != RobotConnectionStatus::Closed)
        return;

    // Taken out first: the continuations run while the calls fail, and may call again.
    auto pending = std::exchange(m_pendingCalls, {});
    for (auto &[id, call] : pending) {
        call.promise.setException(RobotNotConnectedException());
        call.promise.finish();
    }
}

void RosBridgeClient::onSubscriptionDestroyed(QObject *)
{
    for (auto it = m_subscriptions.begin(); it != m_subscriptions.end();) {
        if (it.value().use_count() == 1) {
            // A closed connection has nothing to unsubscribe; the next one will not be
            // asked for the topic.
            if (m_webSocket->isConnected())
                unsubscribe(it.key());
            it = m_subscriptions.erase(it);
        } else {
            ++it;
        }
    }
}

void RosBridgeClient::sendSubscribe(const RobotSubscription::Data &data)
{
    QJsonObject frame;
    frame.insert(opKey, QStringLiteral("subscribe"));
    frame.insert(QLatin1String("topic"), data.topic);
    if (!data.type.isEmpty())
        frame.insert(QLatin1String("type"), data.type);
    qCDebug(lcRosBridgeClient) << "Subscribing to topic" << data.topic;
    sendFrame(frame);
}

void RosBridgeClient::sendFrame(const QJsonObject &frame)
{
    m_webSocket->sendTextMessage(QString::fromUtf8(QJsonDocument(frame).toJson(QJsonDocument::Compact)));
}

bool RosBridgeClient::onTransportThread() const
{
    return QThread::currentThread() == m_webSocket->thread();
}
