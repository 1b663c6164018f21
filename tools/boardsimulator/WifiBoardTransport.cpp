#include "WifiBoardTransport.h"

#include "BoardCipher.h"
#include "BoardLink.h"
#include "BoardSimulator.h"
#include "WifiBoardConnection.h"

#include <QLoggingCategory>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QUdpSocket>

#include <functional>

Q_LOGGING_CATEGORY(lcWifiBoardTransport, "BoardSimulator.WifiBoardTransport")

namespace {

// Hands every accepted socket descriptor over, so that a connection can become TLS
// (or stall before it does).
class DescriptorServer : public QTcpServer
{
public:
    explicit DescriptorServer(std::function<void(qintptr)> accept)
        : m_accept(std::move(accept))
    {
    }

protected:
    void incomingConnection(qintptr socketDescriptor) override { m_accept(socketDescriptor); }

private:
    std::function<void(qintptr)> m_accept;
};

bool sameHost(const QHostAddress &a, const QHostAddress &b)
{
    return a.isEqual(b, QHostAddress::TolerantConversion);
}

} // namespace

WifiBoardTransport::WifiBoardTransport(BoardSimulator *board, const WifiBoardSettings &settings, QObject *parent)
    : QObject(parent)
    , m_board(board)
    , m_settings(settings)
    , m_server(std::make_unique<DescriptorServer>([this](qintptr descriptor) { acceptConnection(descriptor); }))
{
    // A restarting board drops its connections and is unreachable until it is back.
    connect(board, &BoardSimulator::restarting, this, [this] {
        closeConnections();
        stopListening();
        closeDatagramSocket();
    });
    connect(board, &BoardSimulator::restarted, this, [this] {
        QString error;
        if (!listen(&error) || !openDatagramSocket(&error))
            qCWarning(lcWifiBoardTransport) << "The board cannot come back after its restart:" << error;
    });
}

WifiBoardTransport::~WifiBoardTransport()
{
    // The connections detach their links while the board is still there.
    const QList<QPointer<WifiBoardConnection>> connections = std::exchange(m_connections, {});
    for (const QPointer<WifiBoardConnection> &connection : connections)
        delete connection.data();
}

BoardSimulator *WifiBoardTransport::board() const
{
    return m_board.data();
}

bool WifiBoardTransport::start(QString *error)
{
    return listen(error) && openDatagramSocket(error);
}

bool WifiBoardTransport::openDatagramSocket(QString *error)
{
    if (m_datagramSocket && m_datagramSocket->state() == QAbstractSocket::BoundState)
        return true;
    delete m_datagramSocket;
    m_datagramSocket = new QUdpSocket(this);
    // The host binds the same port on every address of its own. After a pause the
    // board comes back on the port it had.
    const quint16 port = m_settings.datagramPort ? m_settings.datagramPort : m_boundDatagramPort;
    if (!m_datagramSocket->bind(m_settings.address, port,
                                QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        if (error)
            *error = QStringLiteral("cannot bind %1:%2 for datagrams: %3")
                         .arg(m_settings.address.toString())
                         .arg(port)
                         .arg(m_datagramSocket->errorString());
        return false;
    }
    m_boundDatagramPort = m_datagramSocket->localPort();
    connect(m_datagramSocket, &QUdpSocket::readyRead, this, &WifiBoardTransport::readDatagrams);
    return true;
}

bool WifiBoardTransport::listen(QString *error)
{
    if (m_server->isListening())
        return true;
    // After a pause the board comes back on the port it had.
    const quint16 port = m_settings.streamPort ? m_settings.streamPort : m_server->serverPort();
    if (m_server->listen(m_settings.address, port)) {
        m_settings.streamPort = m_server->serverPort();
        return true;
    }
    if (error)
        *error = QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(m_settings.address.toString())
                     .arg(port)
                     .arg(m_server->errorString());
    return false;
}

void WifiBoardTransport::stopListening()
{
    m_server->close();
}

void WifiBoardTransport::closeConnections()
{
    for (const QPointer<WifiBoardConnection> &connection : std::as_const(m_connections))
        if (connection)
            connection->abort();
}

void WifiBoardTransport::closeDatagramSocket()
{
    if (m_datagramSocket)
        m_datagramSocket->close();
}

quint16 WifiBoardTransport::streamPort() const
{
    return m_server->isListening() ? m_server->serverPort() : m_settings.streamPort;
}

quint16 WifiBoardTransport::datagramPort() const
{
    return m_boundDatagramPort ? m_boundDatagramPort : m_settings.datagramPort;
}

QList<WifiBoardConnection *> WifiBoardTransport::connections() const
{
    QList<WifiBoardConnection *> list;
    for (const QPointer<WifiBoardConnection> &connection : m_connections)
        if (connection)
            list << connection.data();
    return list;
}

void WifiBoardTransport::acceptConnection(qintptr socketDescriptor)
{
    auto *connection = new WifiBoardConnection(this);
    m_connections.append(connection);
    connect(connection, &WifiBoardConnection::linkStarted, this,
            [this, connection] { emit linkStarted(connection->peerCertificate()); });
    connect(connection, &WifiBoardConnection::closed, this, [this, connection] {
        m_connections.removeAll(connection);
        connection->deleteLater();
        emit connectionClosed();
    });
    emit connectionAccepted();
    connection->start(socketDescriptor);
}

WifiBoardConnection *WifiBoardTransport::connectionFor(const QHostAddress &address) const
{
    // The newest connection with a running link from that host; else the newest one.
    WifiBoardConnection *fallback = nullptr;
    for (auto it = m_connections.crbegin(); it != m_connections.crend(); ++it) {
        WifiBoardConnection *connection = it->data();
        if (!connection || !connection->link())
            continue;
        if (sameHost(connection->peerAddress(), address))
            return connection;
        if (!fallback)
            fallback = connection;
    }
    return fallback;
}

void WifiBoardTransport::readDatagrams()
{
    while (m_board && m_datagramSocket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_datagramSocket->receiveDatagram();
        if (!datagram.isValid())
            return;
        QByteArray frames = datagram.data();
        if (m_settings.encryptDatagrams) {
            const std::optional<QByteArray> plain =
                BoardCipher::decryptFromHost(frames, m_board->settings().datagramKey, m_board->settings().datagramIv);
            if (!plain) {
                qCDebug(lcWifiBoardTransport) << "Rejected a datagram of" << frames.size() << "bytes";
                emit datagramRejected(QStringLiteral("a datagram of %1 bytes does not decrypt").arg(frames.size()));
                continue;
            }
            frames = *plain;
        }
        emit datagramReceived(frames);
        WifiBoardConnection *connection = connectionFor(datagram.senderAddress());
        if (!connection) {
            emit datagramRejected(QStringLiteral("a datagram without a connection"));
            continue;
        }
        connection->setDatagramPeer(datagram.senderAddress(), quint16(datagram.senderPort()));
        connection->link()->receiveDatagram(frames);
    }
}

void WifiBoardTransport::sendDatagram(WifiBoardConnection *connection, const QByteArray &frames)
{
    const QByteArray datagram = m_settings.encryptDatagrams
                                    ? BoardCipher::encryptForHost(frames, m_board->settings().datagramKey,
                                                                  m_board->settings().datagramIv)
                                    : frames;
    if (!m_datagramSocket || m_datagramSocket->state() != QAbstractSocket::BoundState || datagram.isEmpty())
        return;
    m_datagramSocket->writeDatagram(datagram, connection->datagramPeerAddress(), connection->datagramPeerPort());
}

bool WifiBoardTransport::sendRawDatagram(const QByteArray &bytes)
{
    WifiBoardConnection *newest = nullptr;
    for (const QPointer<WifiBoardConnection> &connection : std::as_const(m_connections))
        if (connection)
            newest = connection.data();
    if (!newest || !m_datagramSocket || m_datagramSocket->state() != QAbstractSocket::BoundState)
        return false;
    return m_datagramSocket->writeDatagram(bytes, newest->datagramPeerAddress(), newest->datagramPeerPort())
           == bytes.size();
}
