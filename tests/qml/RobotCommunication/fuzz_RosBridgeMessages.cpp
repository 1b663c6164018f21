// Feeds arbitrary text, line by line, as frames received from a robot into the rosbridge
// client's dispatch, while it has service calls pending (raw and typed) and topics
// subscribed (with raw and typed callbacks). The text "@ID@" stands for the id of the
// pending call, so responses can reach it. Then the connection closes. What must hold
// whatever arrives: nothing crashes, every call ends at the latest with the close, and
// an ended call holds a response or one of the robot stack's exceptions.

#include "GenericResponse.h"
#include "RosBridgeClient.h"
#include "WebSocketClient.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QVector3D>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// A transport without a socket: it keeps what the client sends, and its status is set
// by hand.
class RecordingTransport final : public WebSocketClient
{
public:
    QStringList sent;

    void sendTextMessage(const QString &message) override { sent << message; }
    void setSocketState(QAbstractSocket::SocketState state)
    {
        QMetaObject::invokeMethod(this, "websocketStatusChanged", Qt::DirectConnection,
                                  Q_ARG(QAbstractSocket::SocketState, state));
    }
};

QString idOfLastCall(const QStringList &sent)
{
    return QJsonDocument::fromJson(sent.last().toUtf8()).object().value(QLatin1String("id")).toString();
}

// A call ended with a response or with an exception of the robot stack (or was
// cancelled); nothing else may come out of it.
template<class T>
void requireSettled(QFuture<T> future)
{
    require(future.isFinished());
    try {
        future.waitForFinished();
    } catch (const QException &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    QLoggingCategory::setFilterRules(QStringLiteral("RobotCommunication.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    RecordingTransport transport;
    RosBridgeClient client(&transport);
    transport.setSocketState(QAbstractSocket::ConnectedState);
    require(client.connectionStatus() == RobotConnectionStatus::Connected);

    int rawMessages = 0;
    int typedMessages = 0;
    std::unique_ptr<RobotSubscription> subscription(client.subscribe(QStringLiteral("/t"), QStringLiteral("x/Y"),
                                                                     nullptr));
    subscription->onMessage([&](const QJsonObject &) { ++rawMessages; });
    subscription->onMessage<QVector3D>([&](const QVector3D &) { ++typedMessages; });

    QFuture<RosBridgeClient::ServiceCallResponse> raw = client.callService(QStringLiteral("/s"), QJsonObject(), 60000);
    const QString rawId = idOfLastCall(transport.sent);
    QFuture<RobotMessages::GenericResponse> typed =
        client.callService<RobotMessages::GenericResponse>(QStringLiteral("/s"), QJsonObject(), 60000);
    const QString typedId = idOfLastCall(transport.sent);

    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    int line = 0;
    for (QString frame : text.split(QLatin1Char('\n'))) {
        // Odd lines answer the raw call, even ones the typed call.
        frame.replace(QStringLiteral("@ID@"), (line++ % 2) ? rawId : typedId);
        emit transport.messageReceived(frame);
    }
    require(typedMessages <= rawMessages);

    transport.setSocketState(QAbstractSocket::UnconnectedState);
    requireSettled(raw);
    requireSettled(typed);
    return 0;
}
