#include "StoragePeer.h"

#include "StorageConnection.h"

#include <QSslSocket>

StoragePeer::StoragePeer(const QString &rootFolder, QObject *parent)
    : QTcpServer(parent)
    , m_root(rootFolder)
{
}

void StoragePeer::setTlsConfiguration(const QSslConfiguration &configuration)
{
    m_tls = configuration;
}

bool StoragePeer::start(const QHostAddress &address, quint16 port)
{
    return listen(address, port);
}

QUrl StoragePeer::baseUrl() const
{
    QUrl url;
    url.setScheme(isTls() ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(serverAddress().toString());
    url.setPort(serverPort());
    url.setPath(QStringLiteral("/"));
    return url;
}

QUrl StoragePeer::faultUrl(const QString &kind) const
{
    QUrl url = baseUrl();
    url.setPath(QStringLiteral("/fault/%1/").arg(kind));
    return url;
}

void StoragePeer::setSlowPace(qint64 pieceSize, std::chrono::milliseconds interval)
{
    m_slowPieceSize = qMax<qint64>(pieceSize, 1);
    m_slowInterval = interval;
}

void StoragePeer::recordRequest(const QString &path)
{
    m_requests.append(path);
    emit requestReceived(path);
}

void StoragePeer::incomingConnection(qintptr socketDescriptor)
{
    QTcpSocket *socket = nullptr;
    if (m_tls) {
        auto *tlsSocket = new QSslSocket();
        if (!tlsSocket->setSocketDescriptor(socketDescriptor)) {
            delete tlsSocket;
            return;
        }
        tlsSocket->setSslConfiguration(*m_tls);
        tlsSocket->startServerEncryption();
        socket = tlsSocket;
    } else {
        socket = new QTcpSocket();
        if (!socket->setSocketDescriptor(socketDescriptor)) {
            delete socket;
            return;
        }
    }
    // The connection takes the socket and belongs to the peer.
    new StorageConnection(socket, this);
}
