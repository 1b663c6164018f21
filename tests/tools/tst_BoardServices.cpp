#include "BoardControlChannel.h"
#include "BoardCrc.h"
#include "BoardErrorChannel.h"
#include "BoardFrame.h"
#include "BoardLink.h"
#include "BoardSimulator.h"
#include "TestBytes.h"

#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(ControlReplyFault)

namespace {

// A board with one USB link that records the payloads it sends back, by channel.
struct Board
{
    BoardSimulator board;
    BoardLink *link = board.attachLink(BoardLinkType::USB);
    QList<QByteArray> sent;

    Board()
    {
        QObject::connect(&board, &BoardSimulator::frameSent, &board,
                         [this](BoardLinkType, uint16_t channel, const QByteArray &frame, bool) {
                             if (channel != 0)
                                 sent << QByteArray::number(channel) + ":" + frame.mid(6).toHex();
                         });
    }

    void hostSends(uint16_t channel, const QByteArray &payload)
    {
        link->receiveStream(BoardFrameCodec::encode(channel, payload));
    }
    BoardControlChannel *control() const { return qobject_cast<BoardControlChannel *>(board.channel(1)); }
    BoardErrorChannel *errors() const { return qobject_cast<BoardErrorChannel *>(board.channel(6)); }
};

QByteArray controlReply(uint16_t command, uint8_t response, const QByteArray &payload = QByteArray())
{
    return "1:" + BoardControlChannel::message(command, response, payload).toHex();
}

QByteArray sealedLast(const QByteArray &record)
{
    return record + le32(boardCrc32(record));
}

} // namespace

// The board simulator's control and error services on their own: how they check
// what the host sends, and the bytes of their failing replies.
class tst_BoardServices : public QObject
{
    Q_OBJECT

private slots:
    void controlChecksRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QList<QByteArray>>("replies");

        const QByteArray serial = QByteArray("ZB-1").leftJustified(16, '\0') + le32(4) + le32(0x0013BA38);
        QTest::newRow("fuse serial accepted")
            << BoardControlChannel::message(3, 0, sealedLast(serial)) << QList<QByteArray>{controlReply(3, 2)};
        QByteArray badCrc = sealedLast(serial);
        badCrc[27] = char(badCrc[27] ^ 1);
        QTest::newRow("fuse serial with a wrong checksum")
            << BoardControlChannel::message(3, 0, badCrc) << QList<QByteArray>{controlReply(3, 4)};
        QByteArray longSerial = serial;
        longSerial.replace(16, 4, le32(17));
        QTest::newRow("fuse serial length over 16")
            << BoardControlChannel::message(3, 0, sealedLast(longSerial)) << QList<QByteArray>{controlReply(3, 4)};
        const QByteArray info = hex("0301000038ba1300");
        QTest::newRow("board info accepted")
            << BoardControlChannel::message(16, 0, sealedLast(info)) << QList<QByteArray>{controlReply(16, 2)};
        QTest::newRow("board info with a wrong marker")
            << BoardControlChannel::message(16, 0, sealedLast(hex("0301000039ba1300")))
            << QList<QByteArray>{controlReply(16, 4)};
        const QByteArray info2 = le32(0x0013BA38) + le32(13) + le32(2) + QByteArray("AB").leftJustified(16, '\0');
        QTest::newRow("board info 2 accepted") << BoardControlChannel::message(18, 0, le32(boardCrc32(info2)) + info2)
                                               << QList<QByteArray>{controlReply(18, 2)};
        QTest::newRow("board info 2 checksummed last")
            << BoardControlChannel::message(18, 0, info2 + le32(boardCrc32(info2)))
            << QList<QByteArray>{controlReply(18, 4)};
        const QByteArray keys = QByteArray(48, '\x11') + le32(0xBB40E64D);
        QTest::newRow("fuse keys accepted")
            << BoardControlChannel::message(14, 0, sealedLast(keys)) << QList<QByteArray>{controlReply(14, 2)};
        QTest::newRow("fuse keys with the common marker")
            << BoardControlChannel::message(14, 0, sealedLast(QByteArray(48, '\x11') + le32(0x0013BA38)))
            << QList<QByteArray>{controlReply(14, 4)};
        QTest::newRow("date of the wrong size")
            << BoardControlChannel::message(7, 0, QByteArray(35, '\0')) << QList<QByteArray>{controlReply(7, 4)};
        QTest::newRow("wifi settings of the wrong size")
            << BoardControlChannel::message(98, 0, QByteArray(403, '\0')) << QList<QByteArray>{controlReply(98, 4)};
        QTest::newRow("open without a payload")
            << BoardControlChannel::message(11, 0) << QList<QByteArray>{controlReply(11, 4)};
        QTest::newRow("unknown command") << BoardControlChannel::message(77, 0)
                                         << QList<QByteArray>{controlReply(77, 4)};
        QTest::newRow("disconnect") << BoardControlChannel::message(13, 0) << QList<QByteArray>{};
        QTest::newRow("length disagrees") << hex("0600810000") << QList<QByteArray>{};
        QTest::newRow("response code in a request") << hex("0500810002") << QList<QByteArray>{};
        QTest::newRow("shorter than a header") << hex("0500") << QList<QByteArray>{};
    }

    void controlChecksRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(QList<QByteArray>, replies);

        Board board;
        if (replies.isEmpty() && request != BoardControlChannel::message(13, 0))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Malformed control request"));
        board.hostSends(1, request);
        QCOMPARE(board.sent, replies);
    }

    void controlRepliesFailOnRequest_data()
    {
        QTest::addColumn<uint16_t>("command");
        QTest::addColumn<ControlReplyFault>("fault");
        QTest::addColumn<QList<QByteArray>>("replies");

        QTest::newRow("response 3") << uint16_t(129) << ControlReplyFault{3, false, false}
                                    << QList<QByteArray>{controlReply(129, 3, hex("02"))};
        QTest::newRow("response 4") << uint16_t(97) << ControlReplyFault{4, false, false}
                                    << QList<QByteArray>{controlReply(97, 4, hex("010100"))};
        QTest::newRow("one byte short") << uint16_t(97) << ControlReplyFault{-1, true, false}
                                        << QList<QByteArray>{controlReply(97, 2, hex("0101"))};
        QTest::newRow("one byte more than nothing")
            << uint16_t(1) << ControlReplyFault{-1, true, false} << QList<QByteArray>{controlReply(1, 2, hex("00"))};
        QTest::newRow("silent") << uint16_t(129) << ControlReplyFault{-1, false, true} << QList<QByteArray>{};
    }

    void controlRepliesFailOnRequest()
    {
        QFETCH(uint16_t, command);
        QFETCH(ControlReplyFault, fault);
        QFETCH(QList<QByteArray>, replies);

        Board board;
        board.control()->state().faults[command] = fault;
        board.hostSends(1, BoardControlChannel::message(command, 0));
        QCOMPARE(board.sent, replies);
    }

    void errorChannelAnswersLevelRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("level");

        QTest::newRow("set level") << hex("0000000003000000") << QList<QByteArray>{"6:03020000"} << 3;
        QTest::newRow("get level") << hex("0100000009000000") << QList<QByteArray>{"6:00020000"} << 0;
        QTest::newRow("other request") << hex("0700000003000000") << QList<QByteArray>{} << 0;
        QTest::newRow("wrong size") << hex("00000000030000") << QList<QByteArray>{} << 0;
    }

    void errorChannelAnswersLevelRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, level);

        Board board;
        if (request.size() != BoardErrorChannel::RequestSize)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Malformed error channel request"));
        board.hostSends(6, request);
        QCOMPARE(board.sent, replies);
        QCOMPARE(board.errors()->logLevel(), uint8_t(level));
    }

    void errorChannelFailsOnRequest()
    {
        Board board;
        board.errors()->wrongSize = true;
        board.hostSends(6, hex("0000000004000000"));
        board.errors()->wrongSize = false;
        board.errors()->silent = true;
        board.hostSends(6, hex("0000000005000000"));
        QCOMPARE(board.sent, QList<QByteArray>{"6:04020100"});
        QCOMPARE(board.errors()->logLevel(), uint8_t(5));
    }

    void errorChannelPushesMessages()
    {
        Board board;
        board.errors()->pushMessage(4, 0x05, "[k] x");
        board.errors()->pushRaw(hex("01"));
        QCOMPARE(board.sent, (QList<QByteArray>{"6:040505005b6b5d2078", "6:01"}));
    }
};

QTEST_GUILESS_MAIN(tst_BoardServices)
#include "tst_BoardServices.moc"
