#include "WebSocketClient.h"

#include <QTimer>
#include <QWebSocket>

#include <limits>

Q_LOGGING_CATEGORY(lcWebSocketClient, "RobotCommunication.WebSocketClient", QtDebugMsg)

namespace {

constexpr float noLatency = std::numeric_limits<float>::infinity();

RobotConnectionStatus::Status statusFor(QAbstractSocket::SocketState state)
{
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        return RobotConnectionStatus::Closed;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        return RobotConnectionStatus::Connecting;
    case QAbstractSocket::ConnectedState:
        return RobotConnectionStatus::Connected;
    case QAbstractSocket::ClosingState:
        return RobotConnectionStatus::Closing;
    default:
        return RobotConnectionStatus::Unknown;
    }
}

} // namespace

WebSocketClient::WebSocketClient(QObject *parent)
    : QObject(parent)
    , m_socket(new QWebSocket(QString(), QWebSocketProtocol::Version13, this))
    , m_pingTimer(new QTimer(this))
    , m_connectionLatency(noLatency)
{
    // Direct, so that the status and the attempt are settled inside the socket's own
    // state change, before anyone who waits on them runs.
    QObject::connect(m_socket, &QWebSocket::stateChanged, this, &WebSocketClient::websocketStatusChanged,
                     Qt::DirectConnection);
    QObject::connect(m_socket, &QWebSocket::textMessageReceived, this, &WebSocketClient::messageReceived);
    QObject::connect(m_socket, &QWebSocket::binaryMessageReceived, this, &WebSocketClient::dataReceived);
    QObject::connect(m_socket, &QWebSocket::pong, this, &WebSocketClient::onPong);
    QObject::connect(m_pingTimer, &QTimer::timeout, this, &WebSocketClient::keepAliveTimer);
    m_status = statusFor(m_socket->state());
}

WebSocketClient::~WebSocketClient()
{
    // The socket goes with the children, after this object's members: what it reports
    // while it closes must not reach a half-destroyed client. The attempt's promise, if
    // it still runs, is cancelled and finished by its own destructor.
    QObject::disconnect(m_socket, nullptr, this, nullptr);
    m_pingTimer->stop();
}

QFuture<bool> WebSocketClient::connect(const QString &host, quint16 port)
{
    QUrl url;
    url.setPort(port);
    url.setScheme(QStringLiteral("ws"));
    url.setHost(host, QUrl::DecodedMode);

    if (m_status == RobotConnectionStatus::Connected) {
        disconnect();
    } else if (m_connectPromise.future().isRunning()) {
        if (url == m_url)
            return m_connectPromise.future();
        disconnect();
    }

    // Dropping the previous promise cancels and finishes it if it still ran.
    m_connectPromise = QPromise<bool>();
    m_connectPromise.start();
    m_connectPromise.setProgressRange(0, 100);
    m_url = url;
    m_socket->open(url);
    return m_connectPromise.future();
}

void WebSocketClient::disconnect()
{
    m_pingTimer->stop();
    // Before the handshake is through there is no WebSocket to close: the stream is
    // given up instead.
    if (m_socket->state() == QAbstractSocket::ConnectingState)
        m_socket->abort();
    else
        m_socket->close(QWebSocketProtocol::CloseCodeNormal, QString());
    forgetLiveness();
}

void WebSocketClient::sendTextMessage(const QString &message)
{
    const qint64 sent = m_socket->sendTextMessage(message);
    if (sent != message.toUtf8().size())
        qCWarning(lcWebSocketClient) << "Not all data was transmitted";
}

void WebSocketClient::sendBinaryMessage(const QByteArray &data)
{
    const qint64 sent = m_socket->sendBinaryMessage(data);
    if (sent != data.size())
        qCWarning(lcWebSocketClient) << "Not all data was transmitted";
}

void WebSocketClient::setKeepAlive(std::chrono::milliseconds pingInterval, std::chrono::milliseconds pingTimeout)
{
    m_pingInterval = pingInterval;
    m_pingTimeout = pingTimeout;
    if (m_pingTimer->isActive())
        m_pingTimer->setInterval(m_pingInterval);
}

void WebSocketClient::websocketStatusChanged(QAbstractSocket::SocketState state)
{
    const RobotConnectionStatus::Status previous = m_status;
    const RobotConnectionStatus::Status next = statusFor(state);
    if (next != m_status) {
        m_status = next;
        emit statusChanged();
    }

    if (previous == RobotConnectionStatus::Connecting) {
        driveAttempt(state);
    } else if (state == QAbstractSocket::UnconnectedState) {
        qCDebug(lcWebSocketClient) << "Disconnected from" << m_url.toString();
        // An attempt that was closed while its handshake ran passed through Closing
        // without a result: it ends here, so that no later connect shares it.
        if (m_connectPromise.future().isRunning()) {
            m_url.clear();
            settleAttempt(100, tr("Disconnected"), false);
        }
        m_pingTimer->stop();
        forgetLiveness();
    }
}

void WebSocketClient::driveAttempt(QAbstractSocket::SocketState state)
{
    const QString url = m_url.toString();
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        qCInfo(lcWebSocketClient) << "Failed to connect to" << url;
        m_url.clear();
        settleAttempt(100, tr("Disconnected"), false);
        break;
    case QAbstractSocket::HostLookupState:
        qCDebug(lcWebSocketClient) << "Looking up host" << url << "...";
        m_connectPromise.setProgressValueAndText(0, tr("Looking up host"));
        break;
    case QAbstractSocket::ConnectingState:
        qCDebug(lcWebSocketClient) << "Connecting to" << url << "...";
        m_connectPromise.setProgressValueAndText(50, tr("Connecting"));
        break;
    case QAbstractSocket::ConnectedState:
        qCInfo(lcWebSocketClient) << "Connected to" << url << "!";
        settleAttempt(100, tr("Connected"), true);
        m_pingTimer->start(m_pingInterval);
        break;
    case QAbstractSocket::ClosingState:
        qCDebug(lcWebSocketClient) << "Closing connection to" << url << "...";
        m_connectPromise.setProgressValueAndText(100, tr("Closing"));
        break;
    default:
        qCWarning(lcWebSocketClient) << "Unknown state";
        settleAttempt(100, tr("Disconnected"), false);
        break;
    }
}

void WebSocketClient::settleAttempt(int progress, const QString &text, bool connected)
{
    m_connectPromise.setProgressValueAndText(progress, text);
    m_connectPromise.addResult(connected);
    m_connectPromise.finish();
}

void WebSocketClient::onPong(qulonglong elapsedTime, const QByteArray &)
{
    m_lastPongTime = QDateTime::currentDateTimeUtc();
    setConnectionLatency(float(elapsedTime) / 1000.0f);
}

void WebSocketClient::keepAliveTimer()
{
    if (m_status != RobotConnectionStatus::Connected) {
        m_pingTimer->stop();
        return;
    }
    // Before the first pong nothing is known about the peer: it is not timed out.
    if (m_lastPongTime.isValid() && m_lastPongTime.msecsTo(QDateTime::currentDateTimeUtc()) > m_pingTimeout.count()) {
        qCWarning(lcWebSocketClient) << "Ping timeout";
        disconnect();
        return;
    }
    m_socket->ping(QByteArray());
}

void WebSocketClient::forgetLiveness()
{
    m_lastPongTime = QDateTime();
    setConnectionLatency(noLatency);
}

void WebSocketClient::setConnectionLatency(float latency)
{
    if (latency == m_connectionLatency)
        return;
    m_connectionLatency = latency;
    emit connectionLatencyChanged();
}
