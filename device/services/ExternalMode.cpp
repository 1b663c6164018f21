#include "ExternalMode.h"

#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>

Q_LOGGING_CATEGORY(lcExternalMode, "Device.ExternalMode")

ExternalMode::ExternalMode(QObject *parent, DatalinkManager *manager)
    : AbstractService(parent, Channel, true, manager)
{
}

ExternalMode::~ExternalMode()
{
    if (!m_started)
        return;
    const int port = serverPort();
    dropClient();
    closeServers();
    m_started = false;
    emit extModServerStatusChanged(port, false, false);
}

int ExternalMode::serverPort() const
{
    return m_servers.isEmpty() ? m_port : int(m_servers.first()->serverPort());
}

QList<QString> ExternalMode::listenAddresses() const
{
    QList<QString> addresses;
    for (const QTcpServer *server : m_servers)
        addresses.append(server->serverAddress().toString());
    return addresses;
}

QTcpServer *ExternalMode::makeServer()
{
    auto *server = new QTcpServer(this);
    connect(server, &QTcpServer::newConnection, this, &ExternalMode::clientConnected);
    m_servers.append(server);
    return server;
}

int ExternalMode::startServer()
{
    if (m_started)
        return AlreadyStarted;
    if (m_port < 0 || m_port > 0xFFFF)
        return NoPort;

    QTcpServer *first = makeServer();
    const QHostAddress firstAddress = m_allInterfaces ? QHostAddress(QHostAddress::Any)
                                                      : QHostAddress(QHostAddress::LocalHost);
    if (!first->listen(firstAddress, quint16(m_port))) {
        qCWarning(lcExternalMode) << "External mode server cannot listen on port" << m_port << ":"
                                  << first->errorString();
        closeServers();
        return ListenFailed;
    }
    if (!m_allInterfaces) {
        // IPv6 loopback on the same port, where the system has it: clients that look
        // up "localhost" may try it first.
        QTcpServer *second = makeServer();
        if (!second->listen(QHostAddress::LocalHostIPv6, first->serverPort())) {
            qCDebug(lcExternalMode) << "External mode server not on ::1:" << second->errorString();
            m_servers.removeOne(second);
            second->deleteLater();
        }
    }
    m_started = true;
    const int port = serverPort();
    emit extModServerStatusChanged(port, true, false);
    return port;
}

void ExternalMode::stopServer()
{
    if (!m_started)
        return;
    const int port = serverPort();
    dropClient();
    closeServers();
    m_started = false;
    m_clientConnected = false;
    emit extModServerStatusChanged(port, false, false);
}

void ExternalMode::closeServers()
{
    // Deferred: this may run inside a signal of a socket that the server owns.
    for (QTcpServer *server : std::as_const(m_servers)) {
        disconnect(server, nullptr, this, nullptr);
        server->close();
        server->deleteLater();
    }
    m_servers.clear();
}

void ExternalMode::dropClient()
{
    if (!m_client)
        return;
    QTcpSocket *client = m_client;
    m_client = nullptr;
    disconnect(client, nullptr, this, nullptr);
    client->close();
    client->deleteLater();
}

void ExternalMode::clientConnected()
{
    auto *server = qobject_cast<QTcpServer *>(sender());
    if (!server)
        return;
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        if (m_client)
            qCDebug(lcExternalMode) << "External mode server: a new client takes the place of the connected one";
        // The earlier client is closed, so that no stale connection keeps sending
        // bytes nobody reads or reports a disconnection that is not the current one.
        dropClient();
        m_client = socket;
        m_clientConnected = true;
        connect(socket, &QTcpSocket::disconnected, this, &ExternalMode::clientDisconnected);
        connect(socket, &QTcpSocket::readyRead, this, &ExternalMode::tcpDataReady);
        emit extModServerStatusChanged(serverPort(), m_started, true);
    }
}

void ExternalMode::clientDisconnected()
{
    if (sender() != m_client)
        return;
    m_clientConnected = false;
    emit extModServerStatusChanged(serverPort(), m_started, false);
}

void ExternalMode::tcpDataReady()
{
    if (!m_client) {
        qCDebug(lcExternalMode) << "External mode server: _socket is nullptr inside tcpDataReady, stopping server";
        if (m_started)
            stopServer();
        return;
    }
    if (sender() != m_client)
        return;
    char buffer[ReadSize];
    // A write may end in stopServer, which lets go of the client.
    while (m_client) {
        const qint64 read = m_client->read(buffer, ReadSize);
        if (read <= 0)
            break;
        sendPacket(QByteArray(buffer, read));
    }
}

void ExternalMode::sendPacket(QByteArray payload)
{
    sendPayload(payload);
}

void ExternalMode::dataReady(QByteArray packet)
{
    if (!m_client)
        return;
    const bool connected = m_client->state() == QAbstractSocket::ConnectedState;
    if (!connected || m_client->write(packet) < packet.size()) {
        qCDebug(lcExternalMode)
            << "Exernal mode server: error writing data to socket in dataReady function, stopping server";
        stopServer();
    }
}
