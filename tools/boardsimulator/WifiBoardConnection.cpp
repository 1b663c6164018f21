#include "WifiBoardConnection.h"

#include "BoardLink.h"
#include "BoardSimulator.h"
#include "WifiBoardTransport.h"

#include <QLoggingCategory>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

Q_LOGGING_CATEGORY(lcWifiBoardConnection, "BoardSimulator.WifiBoardConnection")

WifiBoardConnection::WifiBoardConnection(WifiBoardTransport *transport)
    : QObject(transport)
    , m_transport(transport)
    , m_writeTimer(new QTimer(this))
{
    const WifiBoardSettings &settings = transport->settings();
    if (settings.tls) {
        auto *socket = new QSslSocket(this);
        m_socket = socket;
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(settings.certificate);
        configuration.setPrivateKey(settings.privateKey);
        if (settings.clientCertificates.isEmpty()) {
            configuration.setPeerVerifyMode(QSslSocket::QueryPeer);
        } else {
            configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
            configuration.setCaCertificates(settings.clientCertificates);
        }
        socket->setSslConfiguration(configuration);
        connect(socket, &QSslSocket::encrypted, this, &WifiBoardConnection::startLink);
        connect(socket, &QSslSocket::sslErrors, this, [](const QList<QSslError> &errors) {
            qCDebug(lcWifiBoardConnection) << "Handshake errors:" << errors;
        });
    } else {
        m_socket = new QTcpSocket(this);
    }
    connect(m_socket, &QTcpSocket::readyRead, this, &WifiBoardConnection::readStream);
    connect(m_socket, &QTcpSocket::disconnected, this, &WifiBoardConnection::closed);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        qCDebug(lcWifiBoardConnection) << "Stream error" << error << m_socket->errorString();
    });
    connect(m_writeTimer, &QTimer::timeout, this, &WifiBoardConnection::writeQueued);
}

void WifiBoardConnection::start(qintptr socketDescriptor)
{
    const WifiBoardSettings &settings = m_transport->settings();
    if (!m_socket->setSocketDescriptor(socketDescriptor)) {
        qCWarning(lcWifiBoardConnection) << "Cannot take the connection:" << m_socket->errorString();
        QTimer::singleShot(0, this, &WifiBoardConnection::closed);
        return;
    }
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_datagramPeerAddress = m_socket->peerAddress();
    m_datagramPeerPort = settings.hostDatagramPort;
    if (!settings.tls)
        startLink();
    else if (!settings.stallHandshake)
        static_cast<QSslSocket *>(m_socket)->startServerEncryption();
}

WifiBoardConnection::~WifiBoardConnection()
{
    if (m_link && m_transport->board())
        m_transport->board()->detachLink(m_link);
}

BoardLink *WifiBoardConnection::link() const
{
    return m_link.data();
}

QHostAddress WifiBoardConnection::peerAddress() const
{
    return m_socket->peerAddress();
}

QSslCertificate WifiBoardConnection::peerCertificate() const
{
    const auto *socket = qobject_cast<const QSslSocket *>(m_socket);
    return socket ? socket->peerCertificate() : QSslCertificate();
}

void WifiBoardConnection::setDatagramPeer(const QHostAddress &address, quint16 port)
{
    m_datagramPeerAddress = address;
    m_datagramPeerPort = port;
}

void WifiBoardConnection::abort()
{
    m_socket->abort();
}

void WifiBoardConnection::startLink()
{
    if (m_link || !m_transport->board())
        return;
    m_link = m_transport->board()->attachLink(BoardLinkType::WiFi);
    connect(m_link, &BoardLink::sendToHost, this, &WifiBoardConnection::sendToHost);
    emit linkStarted();
    // Bytes that came with the end of the handshake.
    if (m_socket->bytesAvailable() > 0)
        readStream();
}

void WifiBoardConnection::readStream()
{
    const QByteArray bytes = m_socket->readAll();
    if (m_link)
        m_link->receiveStream(bytes);
}

void WifiBoardConnection::sendToHost(const QByteArray &bytes, bool reliable)
{
    if (reliable)
        queueStream(bytes);
    else
        m_transport->sendDatagram(this, bytes);
}

void WifiBoardConnection::queueStream(const QByteArray &bytes)
{
    const WifiBoardSettings &settings = m_transport->settings();
    if (settings.streamChunkSize <= 0 && !settings.mergeWrites && m_pending.isEmpty()) {
        m_socket->write(bytes);
        return;
    }
    m_pending += bytes;
    if (!m_writeTimer->isActive())
        m_writeTimer->start(0);
}

void WifiBoardConnection::writeQueued()
{
    const int chunk = m_transport->settings().streamChunkSize;
    const qsizetype count = chunk > 0 ? qMin<qsizetype>(chunk, m_pending.size()) : m_pending.size();
    m_socket->write(m_pending.left(count));
    m_socket->flush();
    m_pending.remove(0, count);
    if (m_pending.isEmpty())
        m_writeTimer->stop();
}
