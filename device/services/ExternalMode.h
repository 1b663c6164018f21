#pragma once

#include "AbstractService.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;

// The external-mode bridge: Simulink's own external-mode client connects to a TCP
// port on this computer, and the bytes are relayed unchanged between it and the
// board's channel 5, with no framing of their own.
//
// The server listens on the loopback addresses only (127.0.0.1 and, where the system
// has it, ::1): the relay reaches straight into the model running on the board and
// asks for no credentials. Listening on every interface has to be asked for.
//
// One client at a time: a client that connects while another is connected takes its
// place, and the earlier connection is closed.
class ExternalMode : public AbstractService
{
    Q_OBJECT

public:
    static constexpr DatalinkChannelId Channel = 5;
    // The port the board object sets.
    static constexpr int DefaultPort = 17725;
    // The largest payload of one packet frame; reads from the client are cut to it.
    static constexpr qsizetype ReadSize = 1018;

    // Results of startServer besides the port.
    static constexpr int AlreadyStarted = -16;
    static constexpr int NoPort = -22;
    static constexpr int ListenFailed = -5;

    ExternalMode(QObject *parent, DatalinkManager *manager);
    ~ExternalMode() override;

    int port() const { return m_port; }
    // The port listened on while started (the chosen one for port 0), else port().
    int serverPort() const;
    // -1: no port. 0 lets the system choose a free one (startServer returns it).
    void setPort(int port) { m_port = port; }
    bool isStarted() const { return m_started; }
    bool isClientConnected() const { return m_clientConnected; }
    // Off by default; takes effect with the next startServer.
    void setListenOnAllInterfaces(bool all) { m_allInterfaces = all; }
    bool listensOnAllInterfaces() const { return m_allInterfaces; }
    // The addresses the server listens on while started.
    QList<QString> listenAddresses() const;

public slots:
    // The port when the server listens; AlreadyStarted, NoPort or ListenFailed.
    int startServer();
    void stopServer();

signals:
    void extModServerStatusChanged(int port, bool started, bool client_connected);

protected slots:
    // Board to client.
    void dataReady(QByteArray packet) override;
    void sendPacket(QByteArray payload = QByteArray());
    void errorString(QString) {}
    void start() override {}
    void pause() override {}
    void initialize() override {}

private slots:
    void clientConnected();
    void clientDisconnected();
    // Client to board.
    void tcpDataReady();

private:
    QTcpServer *makeServer();
    void closeServers();
    void dropClient();

    int m_port = -1;
    bool m_started = false;
    bool m_clientConnected = false;
    bool m_allInterfaces = false;
    QList<QTcpServer *> m_servers;
    QPointer<QTcpSocket> m_client;
};
