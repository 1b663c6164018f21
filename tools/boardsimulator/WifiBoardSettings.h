#pragma once

#include <QHostAddress>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>

// How the board meets the network: where it listens, whether its stream is TLS, and
// the ways its sockets can misbehave. A board is a host of its own, so it listens on
// a loopback address other than the program's 127.0.0.1: on one address the
// program's datagram socket would receive its own datagrams.
struct WifiBoardSettings
{
    QHostAddress address{QStringLiteral("127.0.0.2")};
    quint16 streamPort = 40000;   // 0 picks a free port
    quint16 datagramPort = 40001; // 0 picks a free port
    // Where the board's datagrams go until the host has sent one (then to its sender).
    quint16 hostDatagramPort = 40001;

    bool tls = true;
    QSslCertificate certificate;
    QSslKey privateKey;
    // When set, a host must present one of these certificates; otherwise a host's
    // certificate is asked for but not required.
    QList<QSslCertificate> clientCertificates;
    // Datagrams both ways under the board's datagram key; else plain frames.
    bool encryptDatagrams = true;

    // Failure modes; each may be changed while the board runs.
    bool stallHandshake = false; // accept the TCP connection but never answer the TLS hello
    int streamChunkSize = 0;     // above 0: each write is cut into pieces this long, sent apart
    bool mergeWrites = false;    // frames sent in one turn of the event loop go out as one write
};
