#pragma once

#include "WifiBoardSettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>

#include <memory>

class BoardSimulator;
class QTcpServer;
class QUdpSocket;
class WifiBoardConnection;

// Puts the board on the network as a Wi-Fi board is: a stream server (TCP or TLS)
// whose connections each become a link of the board, and a datagram socket that
// carries the links' unreliable frames, encrypted with the key the board hands out.
class WifiBoardTransport : public QObject
{
    Q_OBJECT

public:
    WifiBoardTransport(BoardSimulator *board, const WifiBoardSettings &settings, QObject *parent = nullptr);
    ~WifiBoardTransport() override;

    // Listens and binds; false with a reason when either fails.
    bool start(QString *error);
    // Stops taking connections (new ones are refused) and starts again.
    void stopListening();
    bool listen(QString *error = nullptr);
    // Cuts every connection, as a board that resets its network does.
    void closeConnections();
    // Closes the datagram port; the host's datagrams are then refused until it opens again.
    void closeDatagramSocket();
    bool openDatagramSocket(QString *error = nullptr);
    // Sends bytes as they are, unencrypted and unframed, to the host's datagram
    // endpoint of the newest connection.
    bool sendRawDatagram(const QByteArray &bytes);

    BoardSimulator *board() const;
    WifiBoardSettings &settings() { return m_settings; }
    quint16 streamPort() const;
    quint16 datagramPort() const;
    QList<WifiBoardConnection *> connections() const;

    // Called by the connections.
    void sendDatagram(WifiBoardConnection *connection, const QByteArray &frames);

signals:
    void connectionAccepted();
    // The connection stands and its link has started; the host's certificate, if any.
    void linkStarted(QSslCertificate hostCertificate);
    void connectionClosed();
    // The frames of a datagram from the host, after decryption.
    void datagramReceived(QByteArray frames);
    void datagramRejected(QString reason);

private:
    void acceptConnection(qintptr socketDescriptor);
    void readDatagrams();
    WifiBoardConnection *connectionFor(const QHostAddress &address) const;

    QPointer<BoardSimulator> m_board;
    WifiBoardSettings m_settings;
    std::unique_ptr<QTcpServer> m_server;
    QUdpSocket *m_datagramSocket = nullptr;
    quint16 m_boundDatagramPort = 0;
    QList<QPointer<WifiBoardConnection>> m_connections;
};
