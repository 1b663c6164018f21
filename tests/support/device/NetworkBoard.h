#pragma once

#include "BoardSimulator.h"
#include "WifiBoardTransport.h"
#include "WifiLinkSettings.h"
#include "WifiTestCertificates.h"

#include <QUdpSocket>

// A simulated board on 127.0.0.2 behind real sockets on free ports, and the settings
// that point a Wi-Fi datalink at it. The board is made before its transport and goes
// after it.
struct NetworkBoard
{
    BoardSimulator simulator;
    WifiBoardTransport transport;

    NetworkBoard(const BoardSettings &board, const WifiBoardSettings &network)
        : simulator(board)
        , transport(&simulator, network)
    {
    }

    // A free local datagram port for the host, known to the board before the host
    // sends its first datagram.
    static quint16 freeDatagramPort()
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::Any, 0);
        return probe.localPort();
    }

    static WifiBoardSettings networkSettings(const WifiTestCertificates &certificates, bool tls)
    {
        WifiBoardSettings settings;
        settings.address = QHostAddress(QStringLiteral("127.0.0.2"));
        settings.streamPort = 0;
        settings.datagramPort = 0;
        settings.hostDatagramPort = freeDatagramPort();
        settings.tls = tls;
        settings.certificate = certificates.boardCertificate();
        settings.privateKey = certificates.boardKey();
        settings.encryptDatagrams = tls;
        return settings;
    }

    // Where the board listens, for a datalink that keeps every other default.
    WifiLinkSettings linkSettings(const WifiTestCertificates &certificates)
    {
        WifiLinkSettings settings;
        settings.streamPort = transport.streamPort();
        settings.datagramPort = transport.datagramPort();
        settings.localDatagramPort = transport.settings().hostDatagramPort;
        settings.certificateFolder = certificates.hostFolder();
        return settings;
    }

    QHostAddress address() { return transport.settings().address; }
};
