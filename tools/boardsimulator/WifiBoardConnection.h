#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>

class BoardLink;
class QTcpSocket;
class QTimer;
class WifiBoardTransport;

// One stream connection of the host to the board. The board's link starts when the
// connection stands (after the handshake on TLS) and ends with it. Datagrams of
// this link go to the endpoint the host last sent one from.
class WifiBoardConnection : public QObject
{
    Q_OBJECT

public:
    explicit WifiBoardConnection(WifiBoardTransport *transport);
    ~WifiBoardConnection() override;

    // Takes over the accepted socket: starts the handshake, or the link at once.
    void start(qintptr socketDescriptor);

    BoardLink *link() const;
    QHostAddress peerAddress() const;
    QSslCertificate peerCertificate() const;
    void setDatagramPeer(const QHostAddress &address, quint16 port);
    QHostAddress datagramPeerAddress() const { return m_datagramPeerAddress; }
    quint16 datagramPeerPort() const { return m_datagramPeerPort; }

    // Cuts the connection at once.
    void abort();

signals:
    void linkStarted();
    void closed();

private:
    void startLink();
    void readStream();
    void sendToHost(const QByteArray &bytes, bool reliable);
    void queueStream(const QByteArray &bytes);
    void writeQueued();

    WifiBoardTransport *m_transport;
    QTcpSocket *m_socket = nullptr;
    QPointer<BoardLink> m_link;
    QHostAddress m_datagramPeerAddress;
    quint16 m_datagramPeerPort = 0;
    QByteArray m_pending;
    QTimer *m_writeTimer;
};
