#include "WifiDatalink.h"

#include "DatalinkCommChannel.h"
#include "OstPacketRecombiner.h"
#include "PacketFrame.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

Q_LOGGING_CATEGORY(lcWifiDatalink, "Device.WifiDatalink")

namespace {

// What a stream socket error does to the link.
enum class ErrorAction { None, Reconnect, Invalidate };

struct StreamErrorRule
{
    const char *logged; // nullptr: nothing is logged
    ErrorAction action;
};

StreamErrorRule streamErrorRule(QAbstractSocket::SocketError error)
{
    using E = QAbstractSocket;
    switch (error) {
    case E::UnknownSocketError:
        return {"No implementation for socket error", ErrorAction::Invalidate};
    case E::ConnectionRefusedError:
        return {"ConnectionRefusedError", ErrorAction::Reconnect};
    case E::RemoteHostClosedError:
        return {"RemoteHostClosedError", ErrorAction::Invalidate};
    case E::HostNotFoundError:
        return {"HostNotFoundError", ErrorAction::Invalidate};
    case E::SocketAccessError:
        return {"SocketAccessError", ErrorAction::Invalidate};
    case E::SocketResourceError:
        return {"SocketResourceError", ErrorAction::Invalidate};
    case E::SocketTimeoutError:
        return {"SocketTimeoutError", ErrorAction::Invalidate};
    case E::DatagramTooLargeError:
        return {nullptr, ErrorAction::None};
    case E::NetworkError:
        return {"NetworkError", ErrorAction::Invalidate};
    case E::AddressInUseError:
        return {"AddressInUseError", ErrorAction::Invalidate};
    case E::SocketAddressNotAvailableError:
        return {"SocketAddressNotAvailableError", ErrorAction::Invalidate};
    case E::UnsupportedSocketOperationError:
        return {"UnsupportedSocketOperationError", ErrorAction::Invalidate};
    case E::UnfinishedSocketOperationError:
        return {"UnfinishedSocketOperationError", ErrorAction::None};
    case E::ProxyAuthenticationRequiredError:
    case E::ProxyConnectionRefusedError:
    case E::ProxyConnectionClosedError:
    case E::ProxyConnectionTimeoutError:
    case E::ProxyNotFoundError:
    case E::ProxyProtocolError:
        return {"Proxy Error", ErrorAction::None};
    case E::SslHandshakeFailedError:
        return {"SslHandshakeFailedError", ErrorAction::Reconnect};
    case E::OperationError:
        return {"OperationError", ErrorAction::None};
    case E::SslInternalError:
        return {"SslInternalError", ErrorAction::Invalidate};
    case E::SslInvalidUserDataError:
        return {"SslInvalidUserDataError", ErrorAction::Invalidate};
    case E::TemporaryError:
        return {"TemporaryError", ErrorAction::None};
    }
    return {"No implementation for socket error", ErrorAction::None};
}

} // namespace

WifiDatalink::WifiDatalink(QObject *parent, const QHostAddress &address, bool useTls, bool encryptDatagrams,
                           const WifiLinkSettings &settings)
    : AbstractDataLink(WiFi, parent)
    , m_address(address)
    , m_useTls(useTls)
    , m_encryptDatagrams(encryptDatagrams)
    , m_settings(settings)
    , m_streamRecombiner(new OstPacketRecombiner(this))
    , m_datagramRecombiner(new OstPacketRecombiner(this))
    , m_selfTimeoutTimer(new QTimer(this))
    , m_selfTimeoutInterval(int(settings.selfTimeout.count()))
{
    connect(m_selfTimeoutTimer, &QTimer::timeout, this, &WifiDatalink::onSelfTimeout);
    // One recombiner for each direction of reception; they take bytes before any
    // socket exists (see receiveStreamBytes).
    for (OstPacketRecombiner *recombiner : {m_streamRecombiner, m_datagramRecombiner})
        connect(recombiner, &OstPacketRecombiner::packetReady, this, &AbstractDataLink::packetReceived,
                Qt::QueuedConnection);
    qRegisterMetaType<QAbstractSocket::SocketState>();
    qRegisterMetaType<QAbstractSocket::SocketError>();
    qRegisterMetaType<QList<QSslError>>();
}

WifiDatalink::~WifiDatalink()
{
    qCDebug(lcWifiDatalink) << "Destruct  Wi-Fi datalink";
    if (m_streamSocket) {
        // What was written last, such as a board object's goodbye, goes out before the
        // connection closes; the socket would drop it with itself.
        // A link that is going away reports nothing more of its socket.
        m_streamSocket->disconnect(this);
        QDeadlineTimer deadline(m_settings.closingFlushLimit);
        flushStream(deadline);
        m_streamSocket->disconnectFromHost();
        // The closing socket still writes what it holds; it must not go with it.
        if (m_streamSocket->state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired())
            m_streamSocket->waitForDisconnected(int(deadline.remainingTime()));
    }
    if (m_datagramSocket)
        m_datagramSocket->disconnectFromHost();
    qCDebug(lcWifiDatalink) << "Wi-Fi datalink destructed";
}

// Bytes still to go: on TLS, the plain text not yet encrypted and the encrypted bytes
// not yet handed to the network.
static qint64 unsentBytes(const QAbstractSocket *socket)
{
    qint64 unsent = socket->bytesToWrite();
    if (const auto *tls = qobject_cast<const QSslSocket *>(socket))
        unsent += tls->encryptedBytesToWrite();
    return unsent;
}

void WifiDatalink::flushStream(const QDeadlineTimer &deadline)
{
    // A handshake that has not ended carries nothing of ours yet.
    if (const auto *tls = qobject_cast<const QSslSocket *>(m_streamSocket); tls && !tls->isEncrypted())
        return;
    while (m_streamSocket->state() == QAbstractSocket::ConnectedState && unsentBytes(m_streamSocket) > 0
           && !deadline.hasExpired()) {
        if (!m_streamSocket->waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
}

bool WifiDatalink::mayReach(const QHostAddress &address)
{
    if (!qEnvironmentVariableIsSet("HALVORA_LOOPBACK_ONLY"))
        return true;
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4); // also reads IPv4-mapped IPv6 addresses
    return address.isNull() || address.isLoopback() || (isV4 && (v4 >> 24) == 127);
}

bool WifiDatalink::isProbing() const
{
    return m_probeTimer && m_probeTimer->isActive();
}

void WifiDatalink::initialise()
{
    if (!mayReach(m_address))
        qFatal("Refusing to reach the board address %s: this run may reach loopback addresses only",
               qPrintable(m_address.toString()));

    if (m_useTls)
        createTlsSocket();
    else
        createTcpSocket();
    createDatagramSocket();
}

QByteArray WifiDatalink::readFile(const char *relativePath) const
{
    const QDir folder(m_settings.certificateFolder.isEmpty() ? QDir::currentPath() : m_settings.certificateFolder);
    QFile file(folder.filePath(QString::fromLatin1(relativePath)));
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcWifiDatalink) << "No TLS file" << file.fileName();
        return {};
    }
    return file.readAll();
}

void WifiDatalink::createTlsSocket()
{
    if (!QSslSocket::supportsSsl()) {
        qCDebug(lcWifiDatalink) << "OpenSSL is not available on this system";
        return;
    }
    auto *socket = new QSslSocket(this);
    m_streamSocket = socket;
    connect(socket, &QSslSocket::readyRead, this, &WifiDatalink::readDataTCP);
    connect(socket, &QSslSocket::connected, this, &WifiDatalink::sslConnected);
    connect(socket, &QSslSocket::encrypted, this, &WifiDatalink::connected);
    connect(socket, &QSslSocket::encrypted, this, &WifiDatalink::connectionSuccesful);
    connect(socket, &QSslSocket::disconnected, this, &WifiDatalink::disconnected);
    connect(socket, &QSslSocket::hostFound, this, &WifiDatalink::hostFound);
    connect(socket, &QSslSocket::stateChanged, this, &WifiDatalink::stateChanged);
    connect(socket, &QSslSocket::errorOccurred, this, &WifiDatalink::errorOccurred);
    connect(socket, &QSslSocket::sslErrors, this, &WifiDatalink::sslErrorOccurred);

    // The key's algorithm is not fixed: RSA first, then elliptic curves.
    if (const QByteArray keyPem = readFile(WifiLinkSettings::PrivateKeyFile); !keyPem.isEmpty()) {
        QSslKey key(keyPem, QSsl::Rsa, QSsl::Pem);
        if (key.isNull())
            key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
        if (key.isNull())
            qCWarning(lcWifiDatalink) << "The TLS private key cannot be read";
        else
            socket->setPrivateKey(key);
    }
    if (const QByteArray certificatePem = readFile(WifiLinkSettings::CertificateFile); !certificatePem.isEmpty()) {
        const QList<QSslCertificate> certificates = QSslCertificate::fromData(certificatePem, QSsl::Pem);
        if (certificates.isEmpty())
            qCWarning(lcWifiDatalink) << "The TLS certificate cannot be read";
        else
            socket->setLocalCertificate(certificates.first());
    }
    // Boards present certificates of their own making, which no authority vouches
    // for: the stream is encrypted, the board is not verified.
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    connectStream();
}

void WifiDatalink::createTcpSocket()
{
    auto *socket = new QTcpSocket(this);
    m_streamSocket = socket;
    connect(socket, &QTcpSocket::readyRead, this, &WifiDatalink::readDataTCP);
    connect(socket, &QTcpSocket::connected, this, &WifiDatalink::connected);
    connect(socket, &QTcpSocket::disconnected, this, &WifiDatalink::disconnected);
    connect(socket, &QTcpSocket::hostFound, this, &WifiDatalink::hostFound);
    connect(socket, &QTcpSocket::errorOccurred, this, &WifiDatalink::errorOccurred);
    connect(socket, &QTcpSocket::stateChanged, this, &WifiDatalink::stateChanged);
    connectStream();
}

void WifiDatalink::connectStream()
{
    // A connection attempt that hangs is timed out like a handshake that does.
    m_selfTimeoutTimer->start(2 * m_selfTimeoutInterval);
    m_streamSocket->connectToHost(m_address, m_settings.streamPort, QIODevice::ReadWrite);
}

void WifiDatalink::createDatagramSocket()
{
    m_datagramBuffer.resize(MaxDatagramSize);
    m_datagramSocket = new QUdpSocket(this);
    // Shared, so that the datalinks of several boards (each connected to its own
    // board) and a board on this machine itself can all use the port.
    if (!m_datagramSocket->bind(QHostAddress::Any, m_settings.localDatagramPort,
                                QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint))
        qCWarning(lcWifiDatalink) << "Cannot bind the datagram port" << m_settings.localDatagramPort << ":"
                                  << m_datagramSocket->errorString();
    m_datagramSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_datagramSocket->connectToHost(m_address, m_settings.datagramPort, QIODevice::ReadWrite);
    if (m_encryptDatagrams)
        connect(m_datagramSocket, &QUdpSocket::readyRead, this, &WifiDatalink::readDecryptDataUDP);
    else
        connect(m_datagramSocket, &QUdpSocket::readyRead, this, &WifiDatalink::readDataUDP);
    // Datagrams are best effort: their errors never act on the stream or the state.
    connect(m_datagramSocket, &QUdpSocket::errorOccurred, this, &WifiDatalink::datagramErrorOccurred);
    connect(m_datagramSocket, &QUdpSocket::stateChanged, this, &WifiDatalink::stateChanged);
    if (!m_encryptDatagrams)
        startProbe();
}

void WifiDatalink::startProbe()
{
    if (!m_probeTimer) {
        m_probeTimer = new QTimer(this);
        connect(m_probeTimer, &QTimer::timeout, this, &WifiDatalink::sendProbe);
    }
    m_probeTimer->start(m_settings.probeInterval);
}

void WifiDatalink::sendProbe()
{
    QByteArray request;
    DatalinkCommChannel::appendVersionRequest(request);
    if (const std::optional<QByteArray> frame = PacketFrame::build(0, request))
        sendPacket(0, false, *frame);
}

void WifiDatalink::sendPacket(DatalinkChannelId, bool isReliable, QByteArray packet)
{
    if (isReliable) {
        if (!m_streamSocket)
            return;
        const qint64 written = m_streamSocket->write(packet);
        if (written != packet.size()) {
            setState(Invalid);
            qCDebug(lcWifiDatalink) << "Wi-Fi write error:" << written;
        }
        return;
    }
    if (!m_datagramSocket)
        return;
    QByteArray datagram = packet;
    if (m_encryptDatagrams) {
        datagram = m_cipher.encode(packet, m_aesKey, m_aesIv);
        if (datagram.isEmpty()) {
            qCDebug(lcWifiDatalink) << "No datagram key yet: a frame of" << packet.size() << "bytes is dropped";
            return;
        }
    }
    if (m_datagramSocket->write(datagram) != datagram.size())
        qCDebug(lcWifiDatalink) << "Datagram not sent:" << m_datagramSocket->errorString();
}

void WifiDatalink::activeLinkTypeChanged(AbstractDataLink::LinkType linkType)
{
    if (linkType == WiFi)
        emit requestAesKeys();
}

void WifiDatalink::setAesKeys(QByteArray key, QByteArray iv)
{
    m_aesKey = key;
    m_aesIv = iv;
    startProbe();
}

int WifiDatalink::setHostAddress(const QHostAddress &hostAddress)
{
    if (!m_address.isNull())
        return -1;
    m_address = hostAddress;
    return 0;
}

void WifiDatalink::invalidate()
{
    setState(Invalid);
}

void WifiDatalink::testSendData(qint64) {}

void WifiDatalink::setLowDelay()
{
    // Small requests go out at once instead of waiting to be merged. The option takes
    // effect on a socket that stands, so it is set when the TCP connection does.
    m_streamSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

void WifiDatalink::connected()
{
    if (!m_useTls)
        setLowDelay();
    qCDebug(lcWifiDatalink) << "Connected";
    m_retryCount = 0;
    setState(Connected);
}

void WifiDatalink::disconnected()
{
    qCDebug(lcWifiDatalink) << "Disconnected";
    setState(NotAvailable);
}

void WifiDatalink::hostFound()
{
    qCDebug(lcWifiDatalink) << "Host Found";
}

void WifiDatalink::stateChanged(QAbstractSocket::SocketState socketState)
{
    qCDebug(lcWifiDatalink) << socketState;
}

void WifiDatalink::errorOccurred(QAbstractSocket::SocketError socketError)
{
    const StreamErrorRule rule = streamErrorRule(socketError);
    if (rule.logged)
        qCDebug(lcWifiDatalink) << rule.logged;
    switch (rule.action) {
    case ErrorAction::Reconnect:
        reconnect();
        break;
    case ErrorAction::Invalidate:
        setState(Invalid);
        break;
    case ErrorAction::None:
        break;
    }
}

void WifiDatalink::datagramErrorOccurred(QAbstractSocket::SocketError socketError)
{
    // A board whose datagram port is closed answers with "port unreachable", which
    // reads as a refused connection; the stream is not concerned.
    qCDebug(lcWifiDatalink) << "Datagram socket error" << socketError << m_datagramSocket->errorString();
}

void WifiDatalink::reconnect()
{
    ++m_retryCount;
    if (m_retryCount > 5)
        setState(Invalid);
    // The socket reporting the error may not take a new connection from within its
    // own notification, so the new attempt starts from the event loop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_streamSocket)
                return;
            m_streamSocket->abort();
            connectStream();
        },
        Qt::QueuedConnection);
}

void WifiDatalink::sslConnected()
{
    setLowDelay();
    m_selfTimeoutTimer->start(2 * m_selfTimeoutInterval);
    qCDebug(lcWifiDatalink) << "Connected with TCP, wait for encryption";
    if (auto *socket = qobject_cast<QSslSocket *>(m_streamSocket))
        socket->startClientEncryption();
}

void WifiDatalink::sslErrorOccurred(const QList<QSslError> &errors)
{
    // No certificate error stops the handshake; each one is logged.
    if (auto *socket = qobject_cast<QSslSocket *>(m_streamSocket))
        socket->ignoreSslErrors(errors);
    for (const QSslError &error : errors) {
        qCDebug(lcWifiDatalink).noquote() << error.errorString();
        if (error.error() < -1 || error.error() > 36)
            qCDebug(lcWifiDatalink) << "Unknown SSL Socket Error";
    }
}

void WifiDatalink::readDataTCP()
{
    receiveStreamBytes(m_streamSocket->readAll());
}

void WifiDatalink::receiveStreamBytes(const QByteArray &bytes)
{
    m_selfTimeoutTimer->start(m_selfTimeoutInterval);
    m_streamRecombiner->rawDataReady(bytes);
}

void WifiDatalink::receiveDatagram(QByteArrayView datagram)
{
    if (!m_encryptDatagrams) {
        takeDatagram(datagram.toByteArray());
        return;
    }
    if (datagram.isEmpty() || datagram.size() % AesFileEncryption::kBlockSize != 0) {
        qCDebug(lcWifiDatalink) << "Dropped a datagram of" << datagram.size()
                                << "bytes: not a whole number of cipher blocks";
        return;
    }
    // Every datagram starts from the same IV; the padding stays for the recombiner.
    const QByteArray plain = m_cipher.decode(QByteArray::fromRawData(datagram.data(), datagram.size()), m_aesKey,
                                             m_aesIv);
    if (plain.isEmpty()) {
        qCDebug(lcWifiDatalink) << "Dropped a datagram that came before the datagram key";
        return;
    }
    takeDatagram(plain);
}

void WifiDatalink::takeDatagram(const QByteArray &bytes)
{
    // A datagram holds whole frames: whatever was left of the one before (padding
    // that does not start with a zero byte) must not spoil this one's header.
    m_datagramRecombiner->clearBuffer();
    if (m_datagramRecombiner->rawDataReady(bytes) != -1 && m_probeTimer)
        m_probeTimer->stop();
}

qint64 WifiDatalink::readOneDatagram()
{
    // Read even when no datagram seems to be waiting: a notification may stand for a
    // pending socket error ("port unreachable"), and only a read takes it, reports it
    // and lets the socket notify again.
    return m_datagramSocket->readDatagram(m_datagramBuffer.data(), m_datagramBuffer.size());
}

// Both read every datagram waiting; which one the socket calls follows encryptDatagrams.
void WifiDatalink::readDataUDP()
{
    do {
        const qint64 size = readOneDatagram();
        if (size < 0)
            return;
        receiveDatagram(QByteArrayView(m_datagramBuffer.constData(), size));
    } while (m_datagramSocket->hasPendingDatagrams());
}

void WifiDatalink::readDecryptDataUDP()
{
    readDataUDP();
}

void WifiDatalink::onSelfTimeout()
{
    if (!m_selfTimeoutEnabled)
        return;
    setState(Invalid);
    qCDebug(lcWifiDatalink) << "[WifiDatalink] self timeOut for wifi, connection is set to Invalid";
}
