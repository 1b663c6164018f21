#include "BoardCrc.h"
#include "BoardFrame.h"
#include "BoardLink.h"
#include "BoardLinkProtocol.h"
#include "BoardSimulator.h"

#include <QSignalSpy>
#include <QTest>

using Messages = QList<QByteArray>;

// The board simulator on its own: its codec against the byte-exact examples the
// program is also checked against, the board's side of the link protocol as a table
// of conversations, its heartbeats and its failure modes.
class tst_BoardSimulator : public QObject
{
    Q_OBJECT

    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

    // Host messages as the program sends them, host id "A" x 31.
    static QByteArray hostHeartbeat()
    {
        return hex("77179645 0000 3800 00 00 0100 0000 0000 00 01 0000") + QByteArray(31, 'A') + hex("00 FFFFFFFF");
    }
    static QByteArray deviceInfoRequest() { return hex("0723EF26 0000 4400 00 00 0000") + hostHeartbeat(); }
    static QByteArray setActiveWifi()
    {
        return hex("2EB24243 0100 3000 00 00 0000") + QByteArray(31, 'A') + hex("00 0200 0000");
    }
    static QByteArray setActive(uint16_t linkType)
    {
        QByteArray m = setActiveWifi();
        m[44] = char(linkType);
        const uint32_t crc = boardCrc32(QByteArrayView(m).sliced(4));
        for (int i = 0; i < 4; ++i)
            m[i] = char(crc >> (8 * i));
        return m;
    }
    static QByteArray versionRequest() { return hex("319DBEB9 0200 0C00 00 00 0100"); }
    static QByteArray keyRequest() { return hex("27800630 0300 0C00 00 00 0000"); }

    // What the board sent back over a link: "<type>/<size>[ on <link>][ datagram]" per frame.
    struct Replies
    {
        QStringList lines;
        explicit Replies(BoardSimulator &board)
        {
            connect(&board, &BoardSimulator::frameSent, &board,
                    [this](BoardLinkType link, uint16_t channel, const QByteArray &frame, bool reliable) {
                        const QByteArray payload = frame.mid(6);
                        QString line = channel == 0 && payload.size() >= 12
                                           ? QStringLiteral("%1/%2").arg(uint8_t(payload[4])).arg(payload.size())
                                           : QStringLiteral("ch%1").arg(channel);
                        if (link == BoardLinkType::WiFi)
                            line += " on wifi";
                        if (!reliable)
                            line += " datagram";
                        lines << line;
                    });
        }
    };

private slots:
    void checksumCheckValue()
    {
        QCOMPARE(boardCrc32("123456789"), 0x0376E6E7u);
        QCOMPARE(boardCrc32("56789", boardCrc32("1234")), 0x0376E6E7u);
    }

    void messagesAreByteExact()
    {
        BoardSettings settings;
        settings.serialNumber = "SIM0001";
        settings.extendedDeviceType = 12;
        settings.datagramKey = hex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F");
        settings.datagramIv = hex("000102030405060708090A0B0C0D0E0F");
        BoardSimulator board(settings);
        BoardLinkProtocol *protocol = board.linkProtocol();

        QCOMPARE(protocol->setActiveReply(2, true).toHex(' '),
                 (hex("FACA21D5 0100 3000 00 00 0100") + QByteArray(32, '\0') + hex("0200 0100")).toHex(' '));
        QCOMPARE(protocol->keysReply().toHex(' '),
                 (hex("BDBEAD90 0300 3C00 00 00 0100") + settings.datagramKey + settings.datagramIv).toHex(' '));
        QCOMPARE(protocol->versionReply().toHex(' '), versionRequest().toHex(' '));

        BoardLink *usb = board.attachLink(BoardLinkType::USB);
        usb->receiveStream(BoardFrameCodec::encode(0, setActive(1)));
        QCOMPARE(protocol->activeLink(), BoardLinkType::USB);
        QCOMPARE(protocol->heartbeat(BoardLinkType::USB).toHex(' '),
                 (hex("A303A224 0000 3800 00 00 0100 0000 0100 00 01 0100 53494D30303031") + QByteArray(25, '\0')
                  + hex("0C000000"))
                     .toHex(' '));
    }

    void frameReaderFindsFramesAfterGarbage()
    {
        BoardFrameReader reader;
        const QByteArray frame = BoardFrameCodec::encode(3, "xyz");
        QCOMPARE(reader.feed(hex("0011CD") + frame.left(4)).size(), 0);
        const QList<BoardFrame> frames = reader.feed(frame.mid(4) + hex("ABCD0100FFFF") + frame);
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0].channel, uint16_t(3));
        QCOMPARE(frames[1].payload, QByteArray("xyz"));
        QCOMPARE(reader.skippedBytes(), 3 + 6);
    }

    void conversations_data()
    {
        QTest::addColumn<Messages>("messages");
        QTest::addColumn<bool>("datagrams");
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<int>("rejected");

        QTest::newRow("device information request")
            << Messages{deviceInfoRequest()} << false << QStringList{"0/56"} << 0;
        QTest::newRow("host heartbeat needs no answer") << Messages{hostHeartbeat()} << false << QStringList() << 0;
        QTest::newRow("set active for a link that is there")
            << Messages{setActive(1)} << false << QStringList{"1/48"} << 0;
        QTest::newRow("set active none") << Messages{setActive(0)} << false << QStringList{"1/48"} << 0;
        QTest::newRow("version request as a datagram")
            << Messages{versionRequest()} << true << QStringList{"2/12 datagram"} << 0;
        QTest::newRow("key request") << Messages{keyRequest()} << false << QStringList{"3/60"} << 0;
        QTest::newRow("wrong checksum") << Messages{[] {
            QByteArray m = deviceInfoRequest();
            m[40] = 'B';
            return m;
        }()} << false << QStringList() << 1;
        QTest::newRow("size field disagrees") << Messages{deviceInfoRequest().left(60)} << false << QStringList() << 1;
        QTest::newRow("shorter than a header") << Messages{hex("0102")} << false << QStringList() << 1;
    }
    void conversations()
    {
        QFETCH(Messages, messages);
        QFETCH(bool, datagrams);
        QFETCH(QStringList, replies);
        QFETCH(int, rejected);

        BoardSimulator board;
        Replies sent(board);
        BoardLink *usb = board.attachLink(BoardLinkType::USB);
        for (const QByteArray &message : messages) {
            const QByteArray frame = BoardFrameCodec::encode(0, message);
            if (datagrams)
                usb->receiveDatagram(frame);
            else
                usb->receiveStream(frame);
        }
        QCOMPARE(sent.lines, replies);
        QCOMPARE(board.linkProtocol()->rejectedMessages(), rejected);
        QCOMPARE(board.linkProtocol()->hostMessages().size(), messages.size() - rejected);
    }

    void activationRules_data()
    {
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<bool>("wifiAttached");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("accepted") << false << true << true;
        QTest::newRow("refused by switch") << true << true << false;
        QTest::newRow("refused without such a link") << false << false << false;
    }
    void activationRules()
    {
        QFETCH(bool, refuse);
        QFETCH(bool, wifiAttached);
        QFETCH(bool, accepted);
        BoardSimulator board;
        board.settings().refuseActivation = refuse;
        QSignalSpy frames(&board, &BoardSimulator::frameSent);
        BoardLink *usb = board.attachLink(BoardLinkType::USB);
        if (wifiAttached)
            board.attachLink(BoardLinkType::WiFi);
        usb->receiveStream(BoardFrameCodec::encode(0, setActiveWifi()));
        QCOMPARE(frames.count(), 1);
        const QByteArray reply = frames[0][2].toByteArray().mid(6);
        QCOMPARE(reply.mid(44, 3).toHex(), accepted ? QByteArray("020001") : QByteArray("020000"));
        QCOMPARE(board.linkProtocol()->activeLink(), accepted ? BoardLinkType::WiFi : BoardLinkType::None);
        if (accepted)
            QCOMPARE(board.linkProtocol()->hostId(), QByteArray(31, 'A') + '\0');
    }

    void heartbeatFields_data()
    {
        QTest::addColumn<int>("activeLink");
        QTest::addColumn<bool>("reportInactive");
        QTest::addColumn<QByteArray>("flagAndInterface"); // bytes 17 to 19
        QTest::newRow("no link active: the link it is sent on, not active") << 0 << false << hex("00 0200");
        QTest::newRow("USB active") << 1 << false << hex("01 0100");
        QTest::newRow("USB active, reported inactive") << 1 << true << hex("00 0100");
    }
    void heartbeatFields()
    {
        QFETCH(int, activeLink);
        QFETCH(bool, reportInactive);
        QFETCH(QByteArray, flagAndInterface);
        BoardSimulator board;
        BoardLink *usb = board.attachLink(BoardLinkType::USB);
        board.attachLink(BoardLinkType::WiFi);
        if (activeLink)
            usb->receiveStream(BoardFrameCodec::encode(0, setActive(uint16_t(activeLink))));
        board.settings().reportActiveLinkInactive = reportInactive;
        const QByteArray heartbeat = board.linkProtocol()->heartbeat(BoardLinkType::WiFi);
        QCOMPARE(heartbeat.mid(17, 3).toHex(), flagAndInterface.toHex());
    }

    void heartbeatsGoOnLinksTheHostSpokeOn()
    {
        BoardSettings settings;
        settings.heartbeatInterval = std::chrono::milliseconds(10);
        BoardSimulator board(settings);
        Replies sent(board);
        BoardLink *usb = board.attachLink(BoardLinkType::USB);
        BoardLink *wifi = board.attachLink(BoardLinkType::WiFi);
        board.attachLink(BoardLinkType::WiFi); // a second connection the host never uses
        usb->receiveStream(BoardFrameCodec::encode(0, hostHeartbeat()));
        wifi->receiveStream(BoardFrameCodec::encode(0, hostHeartbeat()));
        QTest::qWait(100);
        QVERIFY(sent.lines.count("0/56") >= 5);
        QVERIFY(sent.lines.count("0/56 on wifi") >= 5);
        QVERIFY(qAbs(sent.lines.count("0/56") - sent.lines.count("0/56 on wifi")) <= 2);

        board.detachLink(wifi);
        sent.lines.clear();
        QTest::qWait(60);
        QVERIFY(!sent.lines.isEmpty());
        QVERIFY(!sent.lines.contains("0/56 on wifi"));
    }

    void silentBoardSendsNothing()
    {
        BoardSimulator board;
        board.settings().silent = true;
        QSignalSpy frames(&board, &BoardSimulator::frameSent);
        BoardLink *usb = board.attachLink(BoardLinkType::USB);
        usb->receiveStream(BoardFrameCodec::encode(0, deviceInfoRequest()));
        QCOMPARE(frames.count(), 0);
        QCOMPARE(board.linkProtocol()->hostMessages().size(), 1);
    }

    void corruptions_data()
    {
        QTest::addColumn<int>("corruption");
        QTest::addColumn<QByteArray>("frameStart"); // the first 6 bytes of the sent frame
        QTest::addColumn<int>("payloadSize");
        QTest::addColumn<bool>("checksumValid");
        QTest::newRow("none") << int(FrameCorruption::None) << hex("CDAB00003E00") << 56 << true;
        QTest::newRow("wrong magic") << int(FrameCorruption::WrongMagic) << hex("ABCD00003E00") << 56 << true;
        QTest::newRow("length out of range")
            << int(FrameCorruption::OversizeLength) << hex("CDAB00000104") << 56 << true;
        QTest::newRow("wrong checksum") << int(FrameCorruption::WrongChecksum) << hex("CDAB00003E00") << 56 << false;
        QTest::newRow("truncated message")
            << int(FrameCorruption::TruncatedMessage) << hex("CDAB00002200") << 28 << true;
    }
    void corruptions()
    {
        QFETCH(int, corruption);
        QFETCH(QByteArray, frameStart);
        QFETCH(int, payloadSize);
        QFETCH(bool, checksumValid);
        BoardSimulator board;
        board.settings().corruption = FrameCorruption(corruption);
        QSignalSpy frames(&board, &BoardSimulator::frameSent);
        board.attachLink(BoardLinkType::USB)->receiveStream(BoardFrameCodec::encode(0, deviceInfoRequest()));
        QCOMPARE(frames.count(), 1);
        const QByteArray frame = frames[0][2].toByteArray();
        QCOMPARE(frame.left(6).toHex(), frameStart.toHex());
        const QByteArray payload = frame.mid(6);
        QCOMPARE(payload.size(), payloadSize);
        QCOMPARE(uint8_t(payload[6]) | (uint8_t(payload[7]) << 8), payloadSize);
        const uint32_t crc = boardCrc32(QByteArrayView(payload).sliced(4));
        const bool valid = QByteArray(reinterpret_cast<const char *>(&crc), 4) == payload.left(4);
        QCOMPARE(valid, checksumValid);
    }
};

QTEST_GUILESS_MAIN(tst_BoardSimulator)
#include "tst_BoardSimulator.moc"
