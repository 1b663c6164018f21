#pragma once

#include "AbstractDataLink.h"
#include "AesFileEncryption.h"
#include "WifiLinkSettings.h"

#include <QAbstractSocket>
#include <QDeadlineTimer>
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QSslError>

class OstPacketRecombiner;
class QTimer;
class QUdpSocket;

// The transport to a board over the network. Reliable frames go over one stream to
// the board (plain TCP or TLS), unreliable ones as datagrams, optionally encrypted with
// the AES key the board hands out through the link protocol. While it is not the
// board's active link it watches itself: a stream that stays silent makes it Invalid.
// Everything runs on the thread the datalink lives on.
class WifiDatalink : public AbstractDataLink
{
    Q_OBJECT
    Q_PROPERTY(bool selfTimeoutEnabled READ selfTimeoutEnabled WRITE setSelfTimeoutEnabled)

public:
    WifiDatalink(QObject *parent, const QHostAddress &address, bool useTls, bool encryptDatagrams,
                 const WifiLinkSettings &settings = WifiLinkSettings());
    ~WifiDatalink() override;

    bool selfTimeoutEnabled() const { return m_selfTimeoutEnabled; }
    void setSelfTimeoutEnabled(bool enabled) { m_selfTimeoutEnabled = enabled; }
    bool usesTls() const { return m_useTls; }
    bool encryptsDatagrams() const { return m_encryptDatagrams; }
    int retryCount() const { return m_retryCount; }
    bool isProbing() const;
    const WifiLinkSettings &settings() const { return m_settings; }
    QString boardLocation() const override { return m_address.toString(); }

    // What the sockets hand in: bytes of the stream as they come, and one datagram as
    // received (decrypted here when datagrams are encrypted). Open for the fuzz
    // harness, which drives the receive path without sockets.
    void receiveStreamBytes(const QByteArray &bytes);
    void receiveDatagram(QByteArrayView datagram);

    // Whether a board address may be tried. Test runs set HALVORA_LOOPBACK_ONLY, and
    // there only loopback addresses may be reached.
    static bool mayReach(const QHostAddress &address);

public slots:
    // Creates the recombiners and the sockets and starts connecting.
    void initialise();
    void sendPacket(DatalinkChannelId channel, bool isReliable, QByteArray packet) override;
    void activeLinkTypeChanged(AbstractDataLink::LinkType linkType) override;
    // The datagram key and IV from the board; starts the probe.
    void setAesKeys(QByteArray key, QByteArray iv);
    // Stores the address while none is set (0); otherwise keeps it and returns -1.
    int setHostAddress(const QHostAddress &hostAddress);
    QHostAddress getHostAddress() const { return m_address; }
    void invalidate();
    void testSendData(qint64 bytes);

    // The stream socket's notifications.
    void connected();
    void disconnected();
    void hostFound();
    void stateChanged(QAbstractSocket::SocketState socketState);
    void errorOccurred(QAbstractSocket::SocketError socketError);
    void sslConnected();
    void sslErrorOccurred(const QList<QSslError> &errors);
    void readDataTCP();
    // The datagram socket's notifications.
    void readDataUDP();
    void readDecryptDataUDP();
    void onSelfTimeout();

signals:
    void requestAesKeys();
    void connectionSuccesful();
    // Declared for the device factory, which listens to it; the datalink never emits it.
    void aboutToBeDeleted();

private slots:
    void datagramErrorOccurred(QAbstractSocket::SocketError socketError);
    void sendProbe();

private:
    void createTlsSocket();
    void createTcpSocket();
    void createDatagramSocket();
    void connectStream();
    void setLowDelay();
    // Waits, at most for the closing flush limit, until the stream has sent what was written.
    void flushStream(const QDeadlineTimer &deadline);
    void reconnect();
    void startProbe();
    qint64 readOneDatagram();
    void takeDatagram(const QByteArray &bytes);
    QByteArray readFile(const char *relativePath) const;

    QHostAddress m_address;
    const bool m_useTls;
    const bool m_encryptDatagrams;
    const WifiLinkSettings m_settings;

    QAbstractSocket *m_streamSocket = nullptr;
    QUdpSocket *m_datagramSocket = nullptr;
    // Every datagram is read into this buffer, made once.
    static constexpr qsizetype MaxDatagramSize = 65536;
    QByteArray m_datagramBuffer;
    OstPacketRecombiner *const m_streamRecombiner;
    OstPacketRecombiner *const m_datagramRecombiner;

    const AesFileEncryption m_cipher{AesFileEncryption::Aes256, AesFileEncryption::Cbc,
                                     AesFileEncryption::Pkcs7Padding};
    QByteArray m_aesKey;
    QByteArray m_aesIv;

    int m_retryCount = 0;
    QTimer *m_selfTimeoutTimer;
    const int m_selfTimeoutInterval;
    bool m_selfTimeoutEnabled = true;
    QTimer *m_probeTimer = nullptr;
};
