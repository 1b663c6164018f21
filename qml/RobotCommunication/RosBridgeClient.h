#pragma once

#include "GenericResponse.h"
#include "JsonContext.h"
#include "JsonReaders.h"
#include "QObjectDeleter.h"
#include "RobotConnectionStatus.h"
#include "RobotServiceExceptions.h"
#include "RobotSubscription.h"

#include <QFuture>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QUuid>

#include <memory>
#include <type_traits>
#include <unordered_map>

class QTimer;
class WebSocketClient;

Q_DECLARE_LOGGING_CATEGORY(lcRosBridgeClient)

// Speaks the rosbridge JSON protocol to a robot over one WebSocketClient: calls
// services and matches their responses by id, gives each call a time limit, subscribes
// to topics and hands their messages to RobotSubscription handles, and fails every
// call still outstanding when the connection closes.
//
// Topics stay subscribed across connections: a topic subscribed while no connection is
// up is sent when one comes up, and every topic with a living handle is sent again on
// each new connection.
//
// Lives on the thread of its transport; everything, the continuations of its futures
// included, runs there.
class RosBridgeClient : public QObject
{
    Q_OBJECT

public:
    // What a service call answered: the "result" flag and the response values.
    struct ServiceCallResponse
    {
        bool result = false;
        QJsonArray values;
    };

    // One call that was sent and has not been answered, timed out or failed yet.
    struct PendingServiceCall
    {
        PendingServiceCall();
        PendingServiceCall(PendingServiceCall &&) noexcept;
        PendingServiceCall &operator=(PendingServiceCall &&) noexcept;
        ~PendingServiceCall();

        ostrel::unique_qptr<QTimer> timer;
        QPromise<ServiceCallResponse> promise;
    };

    // The time limit that the robot's service interfaces give every call.
    static constexpr int defaultServiceCallTimeoutMs = 10000;

    // Uses the given transport without taking it over.
    explicit RosBridgeClient(WebSocketClient *webSocket, QObject *parent = nullptr);
    // Makes a transport of its own.
    explicit RosBridgeClient(QObject *parent = nullptr);
    ~RosBridgeClient() override;

    // The raw call: finishes with the robot's response, or fails with
    // RobotNotConnectedException, ServiceCallTimeoutException, ServiceCallFailedException
    // or JsonInvalidTypeException.
    virtual QFuture<ServiceCallResponse> callService(const QString &service, const QJsonObject &args, int timeoutMs);

    // The typed call: sends the request (a message with toJson, or a QJsonObject) and
    // reads the single response value as a Response. A response that failed, carries
    // other than one value, does not read, or is a GenericResponse saying no success
    // fails the future.
    template<class Response, class Request>
    QFuture<Response> callService(const QString &service, const Request &request, int timeoutMs)
    {
        JsonContext context;
        QJsonObject args;
        if constexpr (std::is_same_v<Request, QJsonObject>)
            args = request;
        else
            args = request.toJson(context);
        return callService(service, args, timeoutMs).then([](const ServiceCallResponse &response) {
            return readResponse<Response>(response);
        });
    }

    // A new handle for the topic, owned by parent (or the caller when parent is null).
    // The type name goes into the subscribe frame when it is not empty.
    RobotSubscription *subscribe(const QString &topic, const QString &type, QObject *parent);
    void unsubscribe(const QString &topic);

    QFuture<bool> connect(const QString &host, quint16 port);
    void disconnect();
    RobotConnectionStatus::Status connectionStatus() const;
    WebSocketClient *webSocket() const { return m_webSocket; }

    // The time limit the robot's service interfaces pass with their calls; tests
    // shorten it.
    int serviceCallTimeoutMs() const { return m_serviceCallTimeoutMs; }
    void setServiceCallTimeoutMs(int timeoutMs) { m_serviceCallTimeoutMs = timeoutMs; }

    template<class Response>
    static Response readResponse(const ServiceCallResponse &response)
    {
        if (!response.result)
            throw ServiceCallFailedException(response.values);
        if (response.values.size() != 1)
            throw ServiceCallMoreThanOneResponseException(response.values);
        JsonContext context;
        Response message = fromJson<Response>(context, response.values.first());
        if constexpr (std::is_base_of_v<RobotMessages::GenericResponse, Response>) {
            if (!message.success)
                throw ServiceCallFailedException(message.message);
        }
        return message;
    }

signals:
    void connectionStatusChanged();
    void messageReceived(const QString &topic, const QJsonObject &message);

private slots:
    void onWsMessageReceived(const QString &message);
    void onWsStatusChanged();
    void onSubscriptionDestroyed(QObject *obj);

private:
    struct UuidHash
    {
        std::size_t operator()(const QUuid &id) const noexcept { return qHash(id); }
    };

    void handleServiceResponse(const QJsonObject &frame);
    void handleTopicMessage(const QJsonObject &frame);
    void onServiceCallTimeout(const QUuid &id);
    void sendSubscribe(const RobotSubscription::Data &data);
    void sendFrame(const QJsonObject &frame);
    bool onTransportThread() const;

    WebSocketClient *m_webSocket = nullptr;
    std::unordered_map<QUuid, PendingServiceCall, UuidHash> m_pendingCalls;
    QHash<QString, std::shared_ptr<RobotSubscription::Data>> m_subscriptions;
    int m_serviceCallTimeoutMs = defaultServiceCallTimeoutMs;
};
