#include "BoardCipher.h"
#include "BoardLink.h"
#include "BoardSimulator.h"
#include "LogCapture.h"
#include "NetworkBoard.h"
#include "PacketFrame.h"
#include "WifiBoardConnection.h"
#include "WifiBoardTransport.h"
#include "WifiDatalink.h"
#include "WifiTestCertificates.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <arpa/inet.h>

using namespace std::chrono_literals;

// The Wi-Fi datalink against the board simulator behind real loopback sockets: the
// board listens on 127.0.0.2 (TLS or plain TCP, and datagrams), the datalink binds
// its datagram port on every local address. Ports are free ones, so these tests run
// beside others.
class tst_WifiDatalink : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    WifiTestCertificates m_certificates;

    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QByteArray key00to1F()
    {
        QByteArray key(32, '\0');
        for (int i = 0; i < key.size(); ++i)
            key[i] = char(i);
        return key;
    }
    static QByteArray iv00to0F() { return key00to1F().left(16); }
    // The link protocol's version request as the probe frames it.
    static QByteArray probeFrame() { return hex("CDAB 0000 1200 319DBEB9 0200 0C00 00 00 0100"); }

    static QList<AbstractDataLink::DatalinkState> stateList(const QSignalSpy &spy)
    {
        QList<AbstractDataLink::DatalinkState> list;
        for (const QList<QVariant> &arguments : spy)
            list << arguments.at(1).value<AbstractDataLink::DatalinkState>();
        return list;
    }

    std::unique_ptr<NetworkBoard> makeBoard(bool tls, BoardSettings board = BoardSettings())
    {
        auto network = std::make_unique<NetworkBoard>(board, NetworkBoard::networkSettings(m_certificates, tls));
        QString error;
        if (!network->transport.start(&error))
            qWarning() << error;
        return network;
    }

    // A datalink to the board that keeps every default but the board's whereabouts,
    // the certificates and the probe, which runs every 50 ms.
    std::unique_ptr<WifiDatalink> makeLink(NetworkBoard &board, bool tls, WifiLinkSettings settings)
    {
        settings.probeInterval = 50ms;
        return std::make_unique<WifiDatalink>(nullptr, board.address(), tls, tls, settings);
    }
    std::unique_ptr<WifiDatalink> makeLink(NetworkBoard &board, bool tls)
    {
        return makeLink(board, tls, board.linkSettings(m_certificates));
    }

    // The datagram the board sent to the host last, once one came.
    static bool waitForDatagram(NetworkBoard &board)
    {
        QSignalSpy datagrams(&board.transport, &WifiBoardTransport::datagramReceived);
        return datagrams.wait(5000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QString error;
        QVERIFY2(m_certificates.create(m_folder.path(), &error), qPrintable(error));
        qputenv("HALVORA_LOOPBACK_ONLY", "1");
    }

    // Boards present certificates of their own making: whatever the board presents,
    // the handshake goes on, and every certificate error is logged.
    void bringsUpTheLink_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<int>("hostKey");
        QTest::addColumn<bool>("withHostFiles");
        QTest::addColumn<bool>("boardRequiresHostCertificate");
        QTest::addColumn<QString>("boardCertificate");
        QTest::addColumn<QStringList>("loggedErrors");
        const QStringList selfSigned{"The host name did not match any of the valid hosts for this certificate"};
        QTest::newRow("TLS, EC host key")
            << true << int(WifiTestCertificates::EcKey) << true << false << "board" << selfSigned;
        QTest::newRow("TLS, RSA host key")
            << true << int(WifiTestCertificates::RsaKey) << true << false << "board" << selfSigned;
        QTest::newRow("TLS, board requires the host certificate")
            << true << int(WifiTestCertificates::EcKey) << true << true << "board" << selfSigned;
        QTest::newRow("TLS without host files")
            << true << int(WifiTestCertificates::EcKey) << false << false << "board" << selfSigned;
        QTest::newRow("TLS, board certificate made for clients only")
            << true << int(WifiTestCertificates::EcKey) << true << false << "client-only" << selfSigned;
        QTest::newRow("plain TCP") << false << int(WifiTestCertificates::EcKey) << true << false << "board"
                                   << QStringList();
    }
    void bringsUpTheLink()
    {
        QFETCH(bool, tls);
        QFETCH(int, hostKey);
        QFETCH(bool, withHostFiles);
        QFETCH(bool, boardRequiresHostCertificate);
        QFETCH(QString, boardCertificate);
        QFETCH(QStringList, loggedErrors);
        const auto key = WifiTestCertificates::HostKey(hostKey);
        const QSslCertificate hostCertificate = m_certificates.hostCertificate(key);

        WifiBoardSettings network = NetworkBoard::networkSettings(m_certificates, tls);
        network.certificate = QSslCertificate(readFile(m_folder.filePath(boardCertificate + ".pem")), QSsl::Pem);
        network.privateKey = QSslKey(readFile(m_folder.filePath(boardCertificate + ".key")), QSsl::Ec, QSsl::Pem);
        if (boardRequiresHostCertificate)
            network.clientCertificates = {hostCertificate};
        NetworkBoard board(BoardSettings(), network);
        QString error;
        QVERIFY2(board.transport.start(&error), qPrintable(error));
        QSignalSpy linkStarted(&board.transport, &WifiBoardTransport::linkStarted);

        WifiLinkSettings settings = board.linkSettings(m_certificates);
        settings.certificateFolder = withHostFiles ? m_certificates.hostFolder(key) : m_folder.filePath("nothing");
        LogCapture log("Device.WifiDatalink");
        const auto link = makeLink(board, tls, settings);
        QSignalSpy states(link.get(), &AbstractDataLink::datalinkStateSignal);
        QSignalSpy successes(link.get(), &WifiDatalink::connectionSuccesful);
        link->initialise();

        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(linkStarted.count(), 1, 5000);
        QCOMPARE(stateList(states), QList{AbstractDataLink::Connected});
        QCOMPARE(states[0][0].value<AbstractDataLink::LinkType>(), AbstractDataLink::WiFi);
        QCOMPARE(successes.count(), tls ? 1 : 0);
        QCOMPARE(link->retryCount(), 0);
        const QSslCertificate presented = linkStarted[0][0].value<QSslCertificate>();
        QCOMPARE(presented, tls && withHostFiles ? hostCertificate : QSslCertificate());
        QCOMPARE(board.transport.connections().size(), 1);
        for (const QString &logged : loggedErrors)
            QVERIFY2(log.count(logged) == 1, qPrintable(log.lines().join('\n')));

        // Small frames are never held back to be merged, on either kind of stream.
        const auto *stream = link->findChild<QTcpSocket *>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(stream);
        int noDelay = 0;
        socklen_t length = sizeof(noDelay);
        QCOMPARE(getsockopt(int(stream->socketDescriptor()), IPPROTO_TCP, TCP_NODELAY, &noDelay, &length), 0);
        QCOMPARE(noDelay, 1);
    }

    // A handshake that fails is tried again at once; from the sixth retry on each retry
    // also reports Invalid.
    void failedHandshakesAreRetried()
    {
        // A board without a certificate cannot take its part of the handshake.
        WifiBoardSettings network = NetworkBoard::networkSettings(m_certificates, true);
        network.certificate = QSslCertificate();
        network.privateKey = QSslKey();
        NetworkBoard board(BoardSettings(), network);
        QString error;
        QVERIFY2(board.transport.start(&error), qPrintable(error));

        LogCapture log("Device.WifiDatalink");
        const auto link = makeLink(board, true);
        QList<int> retriesAtInvalid;
        connect(link.get(), &AbstractDataLink::datalinkStateSignal, this,
                [&](AbstractDataLink::LinkType, AbstractDataLink::DatalinkState state) {
                    if (state == AbstractDataLink::Invalid)
                        retriesAtInvalid << link->retryCount();
                });
        QSignalSpy successes(link.get(), &WifiDatalink::connectionSuccesful);
        link->initialise();

        QTRY_VERIFY_WITH_TIMEOUT(!retriesAtInvalid.isEmpty(), 20000);
        QCOMPARE(retriesAtInvalid.first(), 6);
        QVERIFY2(log.count("SslHandshakeFailedError") >= 6, qPrintable(log.lines().join('\n')));
        QCOMPARE(successes.count(), 0);
    }

    // With TLS 1.3 the host's part of the handshake is done before the board checks
    // the host's certificate, so a board that wants one and gets none cuts the link
    // just after it stood.
    void boardRefusingTheHostCutsTheLink()
    {
        WifiBoardSettings network = NetworkBoard::networkSettings(m_certificates, true);
        network.clientCertificates = {m_certificates.hostCertificate()};
        NetworkBoard board(BoardSettings(), network);
        QString error;
        QVERIFY2(board.transport.start(&error), qPrintable(error));
        WifiLinkSettings settings = board.linkSettings(m_certificates);
        settings.certificateFolder = m_folder.filePath("nothing");
        LogCapture log("Device.WifiDatalink");
        const auto link = makeLink(board, true, settings);
        QSignalSpy states(link.get(), &AbstractDataLink::datalinkStateSignal);
        QSignalSpy linkStarted(&board.transport, &WifiBoardTransport::linkStarted);
        link->initialise();
        QTRY_VERIFY_WITH_TIMEOUT(stateList(states).contains(AbstractDataLink::Invalid), 10000);
        QCOMPARE(linkStarted.count(), 0);
        QVERIFY(log.count("RemoteHostClosedError") + log.count("SslHandshakeFailedError") >= 1);
    }

    void retriesRefusedConnectionsUntilTheBoardListens()
    {
        const auto board = makeBoard(true);
        board->transport.stopListening();
        LogCapture log("Device.WifiDatalink");
        const auto link = makeLink(*board, true);
        QList<int> retriesAtInvalid;
        connect(link.get(), &AbstractDataLink::datalinkStateSignal, this,
                [&](AbstractDataLink::LinkType, AbstractDataLink::DatalinkState state) {
                    if (state == AbstractDataLink::Invalid)
                        retriesAtInvalid << link->retryCount();
                });
        link->initialise();

        QTRY_VERIFY_WITH_TIMEOUT(retriesAtInvalid.size() >= 2, 10000);
        QCOMPARE(retriesAtInvalid[0], 6);
        QCOMPARE(retriesAtInvalid[1], 7);
        QVERIFY(log.count("ConnectionRefusedError") >= 7);

        QVERIFY(board->transport.listen());
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake
        QCOMPARE(link->retryCount(), 0);
    }

    // A board that stays silent makes the link Invalid after the self time-out and
    // again every time-out while the silence lasts, as long as the time-out is on.
    void selfTimeoutRepeatsWhileEnabled()
    {
        const auto board = makeBoard(true);
        WifiLinkSettings settings = board->linkSettings(m_certificates);
        settings.selfTimeout = 300ms;
        const auto link = makeLink(*board, true, settings);
        QSignalSpy packets(link.get(), &AbstractDataLink::packetReceived);
        link->initialise();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake

        LogCapture log("Device.WifiDatalink");
        QSignalSpy states(link.get(), &AbstractDataLink::datalinkStateSignal);
        QElapsedTimer sinceRead;
        board->simulator.send(board->simulator.links().first(), 7, "last words", true);
        QVERIFY(packets.wait(5000));
        sinceRead.start();
        states.clear();
        QVERIFY(states.wait(5000));
        QVERIFY2(sinceRead.elapsed() >= 270, qPrintable(QString::number(sinceRead.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(states.count() >= 3, 5000);
        for (AbstractDataLink::DatalinkState state : tst_WifiDatalink::stateList(states))
            QCOMPARE(state, AbstractDataLink::Invalid);
        QVERIFY(log.count("[WifiDatalink] self timeOut for wifi, connection is set to Invalid") >= 3);

        link->setSelfTimeoutEnabled(false);
        states.clear();
        QTest::qWait(700);
        QCOMPARE(states.count(), 0);
        link->setSelfTimeoutEnabled(true);
        QVERIFY(states.wait(5000));
    }

    // A connection that stands still before the link is up (no answer to the TCP
    // connect, or no answer to the TLS hello) has twice the self time-out.
    void connectingHasTwiceTheSelfTimeout_data()
    {
        QTest::addColumn<bool>("stallHandshake");
        QTest::newRow("stalled TLS handshake") << true;
        QTest::newRow("connect without an answer") << false;
    }
    void connectingHasTwiceTheSelfTimeout()
    {
        QFETCH(bool, stallHandshake);
        const auto board = makeBoard(true);
        WifiLinkSettings settings = board->linkSettings(m_certificates);
        settings.selfTimeout = 250ms;
        board->transport.settings().stallHandshake = true;

        // A listener whose queue is full drops further connection requests unanswered.
        int listener = -1;
        int filler = -1;
        if (!stallHandshake) {
            listener = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(0x7F000002);
            QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
            QVERIFY(::listen(listener, 0) == 0);
            socklen_t length = sizeof address;
            QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0);
            filler = ::socket(AF_INET, SOCK_STREAM, 0);
            QVERIFY(::connect(filler, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
            settings.streamPort = ntohs(address.sin_port);
        }
        const auto closeSockets = qScopeGuard([&] {
            if (filler >= 0)
                ::close(filler);
            if (listener >= 0)
                ::close(listener);
        });

        LogCapture log("Device.WifiDatalink");
        const auto link = makeLink(*board, true, settings);
        QSignalSpy states(link.get(), &AbstractDataLink::datalinkStateSignal);
        QElapsedTimer sinceStart;
        sinceStart.start();
        link->initialise();
        QVERIFY(states.wait(10000));
        QVERIFY2(sinceStart.elapsed() >= 450, qPrintable(QString::number(sinceStart.elapsed())));
        QCOMPARE(stateList(states), QList{AbstractDataLink::Invalid});
        QCOMPARE(log.count("[WifiDatalink] self timeOut for wifi, connection is set to Invalid"), 1);
        QCOMPARE(log.count("Connected with TCP, wait for encryption"), stallHandshake ? 1 : 0);
    }

    void encryptedProbeCarriesTheVersionRequest()
    {
        BoardSettings boardSettings;
        boardSettings.datagramKey = key00to1F();
        boardSettings.datagramIv = iv00to0F();
        const auto board = makeBoard(true, boardSettings);
        QSignalSpy datagrams(&board->transport, &WifiBoardTransport::datagramReceived);
        QSignalSpy rejected(&board->transport, &WifiBoardTransport::datagramRejected);
        const auto link = makeLink(*board, true);
        link->initialise();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake
        QTest::qWait(200);
        QCOMPARE(datagrams.count(), 0); // no probe before the key

        link->setAesKeys(key00to1F(), iv00to0F());
        QVERIFY(link->isProbing());
        QVERIFY(datagrams.wait(5000));
        QCOMPARE(datagrams[0][0].toByteArray().toHex(' '), probeFrame().toHex(' '));
        QCOMPARE(rejected.count(), 0);
        // From the port the datalink bound, which stays bound once the socket is
        // connected to the board.
        QCOMPARE(board->transport.connections().first()->datagramPeerPort(), link->settings().localDatagramPort);
        // The board's answer (zero padded) ends the probe.
        QTRY_VERIFY_WITH_TIMEOUT(!link->isProbing(), 5000);
        const qsizetype probes = datagrams.count();
        QTest::qWait(300);
        QCOMPARE(datagrams.count(), probes);
    }

    void probeWithoutEncryptionStartsAtOnce()
    {
        const auto board = makeBoard(false);
        QSignalSpy datagrams(&board->transport, &WifiBoardTransport::datagramReceived);
        const auto link = makeLink(*board, false);
        link->initialise();
        QVERIFY(link->isProbing());
        QTRY_VERIFY_WITH_TIMEOUT(!datagrams.isEmpty(), 5000);
        QCOMPARE(datagrams[0][0].toByteArray(), probeFrame());
        QTRY_VERIFY_WITH_TIMEOUT(!link->isProbing(), 5000);
    }

    void unansweredProbeRepeats()
    {
        BoardSettings silent;
        silent.silent = true;
        const auto board = makeBoard(true, silent);
        QSignalSpy datagrams(&board->transport, &WifiBoardTransport::datagramReceived);
        const auto link = makeLink(*board, true);
        link->initialise();
        link->setAesKeys(silent.datagramKey, silent.datagramIv);
        QTRY_VERIFY_WITH_TIMEOUT(datagrams.count() >= 4, 5000);
        QVERIFY(link->isProbing());
        for (const QList<QVariant> &datagram : datagrams)
            QCOMPARE(datagram[0].toByteArray(), probeFrame());
    }

    void datagramsBothWays_data()
    {
        QTest::addColumn<bool>("encrypted");
        QTest::newRow("encrypted") << true;
        QTest::newRow("plain") << false;
    }
    void datagramsBothWays()
    {
        QFETCH(bool, encrypted);
        const auto board = makeBoard(encrypted);
        QSignalSpy datagrams(&board->transport, &WifiBoardTransport::datagramReceived);
        const auto link = makeLink(*board, encrypted);
        QSignalSpy packets(link.get(), &AbstractDataLink::packetReceived);
        link->initialise();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake
        if (encrypted)
            link->setAesKeys(board->simulator.settings().datagramKey, board->simulator.settings().datagramIv);
        QTRY_VERIFY_WITH_TIMEOUT(!link->isProbing(), 5000);

        const QByteArray toBoard = PacketFrame::build(3, QByteArray(1018, 'h')).value();
        link->sendPacket(3, false, toBoard);
        QTRY_VERIFY_WITH_TIMEOUT(datagrams.count() > 0 && datagrams.last()[0].toByteArray() == toBoard, 5000);

        packets.clear();
        const QByteArray toHost(1018, 'b');
        board->simulator.send(board->simulator.links().first(), 3, toHost, false);
        QVERIFY(packets.wait(5000));
        QCOMPARE(packets[0][0].value<DatalinkChannelId>(), DatalinkChannelId(3));
        QCOMPARE(packets[0][1].toByteArray(), toHost);
    }

    // Two boards on two loopback addresses, one datagram port on the host for both:
    // each datalink reads only its own board's datagrams.
    void twoBoardsShareTheDatagramPort()
    {
        const quint16 hostPort = NetworkBoard::freeDatagramPort();
        std::vector<std::unique_ptr<NetworkBoard>> boards;
        std::vector<std::unique_ptr<WifiDatalink>> links;
        std::vector<std::unique_ptr<QSignalSpy>> packets;
        for (const char *address : {"127.0.0.2", "127.0.0.3"}) {
            WifiBoardSettings network = NetworkBoard::networkSettings(m_certificates, false);
            network.address = QHostAddress(QString::fromLatin1(address));
            network.hostDatagramPort = hostPort;
            boards.push_back(std::make_unique<NetworkBoard>(BoardSettings(), network));
            QString error;
            QVERIFY2(boards.back()->transport.start(&error), qPrintable(error));
            links.push_back(makeLink(*boards.back(), false));
            packets.push_back(std::make_unique<QSignalSpy>(links.back().get(), &AbstractDataLink::packetReceived));
            links.back()->initialise();
        }
        for (size_t i = 0; i < links.size(); ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(links[i]->state(), AbstractDataLink::Connected, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(!links[i]->isProbing(), 5000);
            QCOMPARE(boards[i]->transport.connections().first()->datagramPeerPort(), hostPort);
        }
        for (size_t i = 0; i < boards.size(); ++i) {
            packets[i]->clear();
            boards[i]->simulator.send(boards[i]->simulator.links().first(), 4, QByteArray("board ") + char('0' + i),
                                      false);
        }
        for (size_t i = 0; i < boards.size(); ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(packets[i]->count(), 1, 5000);
            QCOMPARE(packets[i]->at(0).at(1).toByteArray(), QByteArray("board ") + char('0' + i));
        }
        QTest::qWait(100);
        for (const auto &spy : packets)
            QCOMPARE(spy->count(), 1);
    }

    // Datagrams as they reach an encrypting link, sent by the board as raw bytes;
    // the link's probe runs and the board does not answer it.
    void receivedDatagrams_data()
    {
        QTest::addColumn<QList<QByteArray>>("plainDatagrams"); // encrypted without padding, or sent as they are
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QList<QByteArray>>("payloads");
        QTest::addColumn<bool>("probeStops");

        const QByteArray frame44 = PacketFrame::build(5, QByteArray(38, 'x')).value();
        const QByteArray frame20 = PacketFrame::build(6, QByteArray(14, 'y')).value();
        QTest::newRow("48 bytes: a 44-byte frame and four zero bytes")
            << QList{frame44 + QByteArray(4, '\0')} << true << QList{QByteArray(38, 'x')} << true;
        QTest::newRow("47 bytes") << QList{QByteArray(47, '\x11')} << false << QList<QByteArray>() << false;
        QTest::newRow("a corrupt header") << QList{QByteArray(32, '\x7E')} << true << QList<QByteArray>() << false;
        QTest::newRow("two frames in one datagram") << QList{frame20 + frame20 + QByteArray(8, '\0')} << true
                                                    << QList{QByteArray(14, 'y'), QByteArray(14, 'y')} << true;
        QTest::newRow("padding that does not start with a zero byte spoils nothing")
            << QList{frame44 + hex("04040404"), frame20 + QByteArray(12, '\0')} << true
            << QList{QByteArray(38, 'x'), QByteArray(14, 'y')} << true;
        QTest::newRow("empty datagram") << QList{QByteArray()} << false << QList<QByteArray>() << false;
    }
    void receivedDatagrams()
    {
        QFETCH(QList<QByteArray>, plainDatagrams);
        QFETCH(bool, encrypt);
        QFETCH(QList<QByteArray>, payloads);
        QFETCH(bool, probeStops);

        BoardSettings silent;
        silent.silent = true;
        const auto board = makeBoard(true, silent);
        const auto link = makeLink(*board, true);
        QSignalSpy packets(link.get(), &AbstractDataLink::packetReceived);
        link->initialise();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake
        link->setAesKeys(silent.datagramKey, silent.datagramIv);
        QVERIFY(waitForDatagram(*board));

        for (const QByteArray &plain : plainDatagrams)
            QVERIFY(board->transport.sendRawDatagram(
                encrypt ? BoardCipher::encryptBlocks(plain, silent.datagramKey, silent.datagramIv) : plain));
        QTest::qWait(300);
        QList<QByteArray> received;
        for (const QList<QVariant> &packet : packets)
            received << packet[1].toByteArray();
        QCOMPARE(received, payloads);
        QCOMPARE(!link->isProbing(), probeStops);
    }

    // Random datagrams from the board, of any length and content, encrypted or not,
    // leave the link working.
    void randomDatagramsAreHarmless()
    {
        BoardSettings silent;
        silent.silent = true;
        const auto board = makeBoard(true, silent);
        const auto link = makeLink(*board, true);
        QSignalSpy packets(link.get(), &AbstractDataLink::packetReceived);
        link->initialise();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake
        link->setAesKeys(silent.datagramKey, silent.datagramIv);
        QVERIFY(waitForDatagram(*board));

        QRandomGenerator random(20240507);
        for (int i = 0; i < 300; ++i) {
            QByteArray bytes(random.bounded(0, 1100), Qt::Uninitialized);
            for (char &c : bytes)
                c = char(random.bounded(256));
            if (i % 3 == 0 && bytes.size() > 6) {
                // A plausible header, so the recombiner gets past its first checks.
                bytes[0] = char(0xCD);
                bytes[1] = char(0xAB);
                bytes[4] = char(random.bounded(0, 1100) & 0xFF);
                bytes[5] = char(random.bounded(0, 5));
            }
            if (i % 2 == 0) {
                bytes.truncate(bytes.size() - bytes.size() % 16);
                bytes = BoardCipher::encryptBlocks(bytes, silent.datagramKey, silent.datagramIv);
            }
            board->transport.sendRawDatagram(bytes);
            if (i % 50 == 0)
                QTest::qWait(10);
        }
        // Junk still in flight may yet arrive; what matters is that the good frame
        // after it gets through whole.
        const QByteArray frame = PacketFrame::build(2, "still here").value();
        board->transport.sendRawDatagram(BoardCipher::encryptForHost(frame, silent.datagramKey, silent.datagramIv));
        const auto received = [&] {
            return std::any_of(packets.cbegin(), packets.cend(),
                               [](const QList<QVariant> &packet) { return packet[1].toByteArray() == "still here"; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(received(), 5000);
    }

    // A board whose datagram port is closed answers the probes with "port
    // unreachable"; the stream and the link's state are not concerned.
    void closedDatagramPortLeavesTheStream()
    {
        const auto board = makeBoard(true);
        const auto link = makeLink(*board, true);
        QSignalSpy packets(link.get(), &AbstractDataLink::packetReceived);
        link->initialise();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake

        board->transport.closeDatagramSocket();
        LogCapture log("Device.WifiDatalink");
        QSignalSpy states(link.get(), &AbstractDataLink::datalinkStateSignal);
        link->setAesKeys(board->simulator.settings().datagramKey, board->simulator.settings().datagramIv);
        const auto refusals = [&log] {
            return log.countStartingWith("Datagram socket error") + log.countStartingWith("Datagram not sent");
        };
        QTest::qWait(800); // sixteen probes
        QCOMPARE(log.count("ConnectionRefusedError"), 0);
        QCOMPARE(states.count(), 0);
        QCOMPARE(link->retryCount(), 0);
        QVERIFY2(refusals() >= 2, qPrintable(log.lines().join('\n')));

        board->simulator.send(board->simulator.links().first(), 1, "over the stream", true);
        QVERIFY(packets.wait(5000));
        QCOMPARE(packets.last()[1].toByteArray(), QByteArray("over the stream"));
        QCOMPARE(link->state(), AbstractDataLink::Connected);

        // The datagram path outlives the refusals: once the port is back, the board
        // answers a probe and the answer is read.
        QVERIFY(link->isProbing());
        QVERIFY(board->transport.openDatagramSocket());
        QTRY_VERIFY_WITH_TIMEOUT(!link->isProbing(), 5000);
        QCOMPARE(states.count(), 0);
    }

    void cutConnectionMakesTheLinkInvalid_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::newRow("TLS") << true;
        QTest::newRow("plain TCP") << false;
    }
    void cutConnectionMakesTheLinkInvalid()
    {
        QFETCH(bool, tls);
        const auto board = makeBoard(tls);
        const auto link = makeLink(*board, tls);
        link->initialise();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake

        LogCapture log("Device.WifiDatalink");
        QSignalSpy states(link.get(), &AbstractDataLink::datalinkStateSignal);
        board->transport.closeConnections();
        QTRY_VERIFY_WITH_TIMEOUT(stateList(states).contains(AbstractDataLink::Invalid), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(stateList(states).contains(AbstractDataLink::NotAvailable), 5000);
        QCOMPARE(log.count("RemoteHostClosedError"), 1);
        QCOMPARE(log.count("Disconnected"), 1);

        // A reliable frame that cannot be written makes the link Invalid. (A TLS
        // socket takes it into its buffer and says nothing.)
        if (!tls) {
            states.clear();
            link->sendPacket(1, true, PacketFrame::build(1, "late").value());
            QCOMPARE(stateList(states), QList{AbstractDataLink::Invalid});
            QCOMPARE(log.count("Wi-Fi write error: -1"), 1);
        }
    }

    // The board's stream may arrive cut anywhere or with many frames in one piece.
    void framesSurviveHowTheStreamIsCut_data()
    {
        QTest::addColumn<int>("chunkSize");
        QTest::addColumn<bool>("merge");
        QTest::addColumn<int>("maxPayload");
        QTest::newRow("one byte at a time") << 1 << false << 40;
        QTest::newRow("pieces of 5 bytes") << 5 << false << 300;
        QTest::newRow("pieces of 1500 bytes") << 1500 << false << 1018;
        QTest::newRow("all frames in one write") << 0 << true << 1018;
    }
    void framesSurviveHowTheStreamIsCut()
    {
        QFETCH(int, chunkSize);
        QFETCH(bool, merge);
        QFETCH(int, maxPayload);
        const auto board = makeBoard(true);
        const auto link = makeLink(*board, true);
        QSignalSpy packets(link.get(), &AbstractDataLink::packetReceived);
        link->initialise();
        QTRY_COMPARE_WITH_TIMEOUT(link->state(), AbstractDataLink::Connected, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!board->simulator.links().isEmpty(), 5000); // the board's side of the handshake
        board->transport.settings().streamChunkSize = chunkSize;
        board->transport.settings().mergeWrites = merge;

        QRandomGenerator random(uint(chunkSize * 7 + 1));
        QList<QByteArray> sent;
        for (int i = 0; i < 40; ++i) {
            QByteArray payload(random.bounded(0, maxPayload + 1), Qt::Uninitialized);
            for (char &c : payload)
                c = char(random.bounded(256));
            sent << payload;
            board->simulator.send(board->simulator.links().first(), uint16_t(1 + i % 9), payload, true);
        }
        QTRY_COMPARE_WITH_TIMEOUT(packets.count(), sent.size(), 20000);
        for (int i = 0; i < sent.size(); ++i) {
            QCOMPARE(packets[i][0].value<DatalinkChannelId>(), DatalinkChannelId(1 + i % 9));
            QCOMPARE(packets[i][1].toByteArray(), sent[i]);
        }
    }

    void requestsKeysWhenWifiBecomesActive_data()
    {
        QTest::addColumn<QList<AbstractDataLink::LinkType>>("activeLinks");
        QTest::addColumn<int>("requests");
        QTest::newRow("USB") << QList{AbstractDataLink::USB} << 0;
        QTest::newRow("none") << QList{AbstractDataLink::None} << 0;
        QTest::newRow("Wi-Fi twice") << QList{AbstractDataLink::WiFi, AbstractDataLink::WiFi} << 2;
    }
    void requestsKeysWhenWifiBecomesActive()
    {
        QFETCH(QList<AbstractDataLink::LinkType>, activeLinks);
        QFETCH(int, requests);
        WifiDatalink link(nullptr, QHostAddress(QStringLiteral("127.0.0.2")), true, true);
        QSignalSpy spy(&link, &WifiDatalink::requestAesKeys);
        for (AbstractDataLink::LinkType type : activeLinks)
            link.activeLinkTypeChanged(type);
        QCOMPARE(spy.count(), requests);
    }

    void hostAddressIsSetOnce()
    {
        WifiDatalink constructed(nullptr, QHostAddress(QStringLiteral("127.0.0.2")), true, true);
        QCOMPARE(constructed.setHostAddress(QHostAddress(QStringLiteral("127.0.0.3"))), -1);
        QCOMPARE(constructed.getHostAddress(), QHostAddress(QStringLiteral("127.0.0.2")));

        WifiDatalink open(nullptr, QHostAddress(), true, true);
        QCOMPARE(open.setHostAddress(QHostAddress(QStringLiteral("127.0.0.3"))), 0);
        QCOMPARE(open.setHostAddress(QHostAddress(QStringLiteral("127.0.0.4"))), -1);
        QCOMPARE(open.getHostAddress(), QHostAddress(QStringLiteral("127.0.0.3")));
        QCOMPARE(open.state(), AbstractDataLink::Created);
    }

    void loopbackOnlyRuns_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("loopbackOnly");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("127.0.0.2") << "127.0.0.2" << true << true;
        QTest::newRow("127.255.0.1") << "127.255.0.1" << true << true;
        QTest::newRow("::1") << "::1" << true << true;
        QTest::newRow("IPv4-mapped loopback") << "::ffff:127.0.0.2" << true << true;
        QTest::newRow("the board's own network") << "192.168.192.2" << true << false;
        QTest::newRow("IPv4-mapped other") << "::ffff:192.168.192.2" << true << false;
        QTest::newRow("any address") << "0.0.0.0" << true << false;
        QTest::newRow("link-local IPv6") << "fe80::1" << true << false;
        QTest::newRow("outside a test run") << "192.168.192.2" << false << true;
    }
    void loopbackOnlyRuns()
    {
        QFETCH(QString, address);
        QFETCH(bool, loopbackOnly);
        QFETCH(bool, allowed);
        if (!loopbackOnly)
            qunsetenv("HALVORA_LOOPBACK_ONLY");
        const auto restore = qScopeGuard([] { qputenv("HALVORA_LOOPBACK_ONLY", "1"); });
        QCOMPARE(WifiDatalink::mayReach(QHostAddress(address)), allowed);
    }

    // A run limited to loopback stops before a datalink reaches any other address.
    void abortsBeforeReachingAnotherAddress()
    {
        if (qEnvironmentVariableIsSet("HALVORA_WIFI_ABORT_CHILD")) {
            WifiDatalink link(nullptr, QHostAddress(QStringLiteral("192.168.192.2")), true, true);
            link.initialise();
            QFAIL("the datalink went on");
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HALVORA_WIFI_ABORT_CHILD", "1");
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {"abortsBeforeReachingAnotherAddress"});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(child.readAll().contains(
            "Refusing to reach the board address 192.168.192.2: this run may reach loopback addresses only"));
    }
};

QTEST_MAIN(tst_WifiDatalink)
#include "tst_WifiDatalink.moc"
