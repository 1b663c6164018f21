#pragma once

#include <QString>

#include <chrono>

// Where and how a Wi-Fi datalink reaches its board. The defaults are the values boards
// are built for; tests hand in free ports, a folder with their own certificates and
// short timers.
struct WifiLinkSettings
{
    // The board's stream port (TCP or TLS), which carries the reliable frames.
    quint16 streamPort = 40000;
    // The board's datagram port, and the local one the datalink binds; the board
    // sends its datagrams to the port they came from.
    quint16 datagramPort = 40001;
    quint16 localDatagramPort = 40001;

    // The folder the TLS files are looked up in; empty means the working directory.
    QString certificateFolder;
    static constexpr const char *PrivateKeyFile = "SSLCertificates/SecureSockets/prvtkey.pem";
    static constexpr const char *CertificateFile = "SSLCertificates/SecureSockets/cert.pem";

    // A stream that carries nothing for this long makes a link that is not the
    // board's active one Invalid; twice as long while connecting and during the TLS
    // handshake.
    std::chrono::milliseconds selfTimeout{5000};
    // How long a datalink that is closed waits for the stream to send what was written.
    std::chrono::milliseconds closingFlushLimit{1000};
    // How often the datagram path is probed until the board answers a probe.
    std::chrono::milliseconds probeInterval{1000};

    // Where a Wi-Fi board is looked for when it lost its link without reporting an
    // address of its own (the address a board has as its own access point).
    QString fallbackBoardAddress = QStringLiteral("192.168.192.2");
};
