#pragma once

#include "RobotConnectionStatus.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QDateTime>
#include <QFuture>
#include <QLoggingCategory>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QUrl>

#include <chrono>

class QTimer;
class QWebSocket;

Q_DECLARE_LOGGING_CATEGORY(lcWebSocketClient)

// The transport of a robot connection: one WebSocket to "ws://<host>:<port>" with its
// status, the connection attempt as a future (with progress texts), a keep-alive ping
// that also measures the latency, and text and binary frames in both directions.
//
// Lives on the thread that created it and does all its work there.
class WebSocketClient : public QObject
{
    Q_OBJECT
    Q_PROPERTY(RobotConnectionStatus::Status status READ status NOTIFY statusChanged FINAL)
    Q_PROPERTY(bool isConnected READ isConnected NOTIFY statusChanged FINAL)
    Q_PROPERTY(float connectionLatency READ connectionLatency NOTIFY connectionLatencyChanged FINAL)

public:
    static constexpr std::chrono::milliseconds defaultPingInterval{3000};
    static constexpr std::chrono::milliseconds defaultPingTimeout{15000};

    explicit WebSocketClient(QObject *parent = nullptr);
    ~WebSocketClient() override;

    // Opens a connection; the future yields true once it is established and false
    // when the attempt fails. A second call for the same address while the attempt
    // runs shares it; any other call first closes what is open or under way.
    virtual QFuture<bool> connect(const QString &host, quint16 port);
    // Stops the keep-alive and closes the connection normally (close code 1000).
    virtual void disconnect();
    virtual void sendTextMessage(const QString &message);
    virtual void sendBinaryMessage(const QByteArray &data);

    RobotConnectionStatus::Status status() const { return m_status; }
    bool isConnected() const { return m_status == RobotConnectionStatus::Connected; }
    // Seconds from the last ping to its pong; infinity while none was measured.
    float connectionLatency() const { return m_connectionLatency; }

    // The keep-alive pings every interval and gives up on a connection whose last pong
    // lies more than the time-out back. Tests shorten both; the defaults are the
    // robot's.
    void setKeepAlive(std::chrono::milliseconds pingInterval, std::chrono::milliseconds pingTimeout);

signals:
    void statusChanged();
    void connectionLatencyChanged();
    void messageReceived(const QString &message);
    void dataReceived(const QByteArray &data);

private slots:
    void websocketStatusChanged(QAbstractSocket::SocketState state);
    void onPong(qulonglong elapsedTime, const QByteArray &payload);
    void keepAliveTimer();

private:
    void driveAttempt(QAbstractSocket::SocketState state);
    void settleAttempt(int progress, const QString &text, bool connected);
    void forgetLiveness();
    void setConnectionLatency(float latency);

    QWebSocket *m_socket = nullptr;
    QUrl m_url;
    QPromise<bool> m_connectPromise;
    QTimer *m_pingTimer = nullptr;
    QDateTime m_lastPongTime;
    float m_connectionLatency;
    RobotConnectionStatus::Status m_status = RobotConnectionStatus::Closed;
    std::chrono::milliseconds m_pingInterval = defaultPingInterval;
    std::chrono::milliseconds m_pingTimeout = defaultPingTimeout;
};
