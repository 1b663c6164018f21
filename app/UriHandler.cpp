#include "UriHandler.h"

#include <QDataStream>
#include <QDebug>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {
constexpr char kServerIdentifier[] = "892f3674-0274-4f50-9301-e14a7001ba90";
} // namespace

UriHandler::UriHandler(const QString &scheme, QObject *parent)
    : QObject(parent)
    , m_scheme(scheme)
{
    setupLocalServer();
}

UriHandler::~UriHandler()
{
    // The open connections go with the server; none may call back into a handler
    // that is half gone.
    if (m_server) {
        for (QLocalSocket *socket : m_server->findChildren<QLocalSocket *>())
            socket->disconnect(this);
        delete m_server;
    }
}

QString UriHandler::serverName(const QString &scheme)
{
    const QString name = QStringLiteral("%1:%2").arg(QLatin1String(kServerIdentifier), scheme);
    // The runtime folder is the user's own (mode 0700); without one, the shared
    // temporary folder with the user's id in the name.
    const QString runtimeFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtimeFolder.isEmpty())
        return runtimeFolder + QLatin1Char('/') + name;
    return name + QLatin1Char('-') + QString::number(::getuid());
}

void UriHandler::setupLocalServer()
{
    const QString name = serverName(m_scheme);
    {
        QLocalSocket probe;
        probe.connectToServer(name, QIODevice::ReadWrite);
        if (probe.waitForConnected(kTimeoutMs))
            return; // another instance owns the server
    }

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        qWarning().noquote()
            << QStringLiteral("This instance cannot take links from others: %1").arg(m_server->errorString());
        m_server->deleteLater();
        m_server = nullptr;
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &UriHandler::onNewConnection);
}

bool UriHandler::handleUriArgument(const QString &text)
{
    return handleUri(QUrl::fromUserInput(text, QString(), QUrl::DefaultResolution));
}

bool UriHandler::handleUri(const QUrl &url)
{
    if (!url.isValid() || url.scheme() != m_scheme) {
        qWarning().noquote() << QStringLiteral("Invalid URL: ") + url.toString();
        return false;
    }
    if (m_server)
        emit appCalled(url);
    else if (!forward(url))
        return false;
    qDebug().noquote() << QStringLiteral("Handled Uri call ") + url.toString();
    return true;
}

void UriHandler::deliverPendingUri()
{
    if (m_pendingUri)
        emit appCalled(*m_pendingUri);
}

bool UriHandler::forward(const QUrl &url) const
{
    QLocalSocket socket;
    socket.connectToServer(serverName(m_scheme), QIODevice::ReadWrite);
    if (!socket.waitForConnected(kTimeoutMs)) {
        qWarning() << "Could not connect to other application";
        return false;
    }
    QDataStream stream(&socket);
    stream << url;
    // Counts as handed over only when every byte went out.
    const QDeadlineTimer deadline(kTimeoutMs);
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    if (socket.bytesToWrite() > 0 || stream.status() != QDataStream::Ok) {
        qWarning().noquote()
            << QStringLiteral("Could not hand the URL to the other application: %1").arg(socket.errorString());
        socket.abort(); // a part of a URL is worth nothing to the other side
        return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kTimeoutMs);
    return true;
}

void UriHandler::onNewConnection()
{
    while (m_server->hasPendingConnections()) {
        QLocalSocket *socket = m_server->nextPendingConnection();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readForwardedUris(socket); });
        // What came with the last bytes is read before the connection goes.
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            readForwardedUris(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readForwardedUris(socket);
        if (socket->state() == QLocalSocket::UnconnectedState)
            socket->deleteLater();
    }
}

// Each whole URL that has arrived; a URL still in pieces waits for its next piece.
void UriHandler::readForwardedUris(QLocalSocket *socket)
{
    if (socket->bytesAvailable() > kMaxMessageBytes) {
        qWarning() << "Cut a local connection that sent" << socket->bytesAvailable() << "bytes instead of a URL";
        socket->abort();
        return;
    }
    QDataStream stream(socket);
    while (socket->bytesAvailable() > 0) {
        stream.startTransaction();
        QUrl url;
        stream >> url;
        if (!stream.commitTransaction())
            return;
        qDebug().noquote() << QStringLiteral("Handled Uri call ") + url.toString();
        emit appCalled(url);
    }
}
