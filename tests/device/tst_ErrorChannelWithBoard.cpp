#include "BoardRig.h"
#include "ControlChannel.h"
#include "ErrorChannel.h"
#include "SignalRecorder.h"

#include <QRegularExpression>
#include <QTest>

namespace {

struct PushedPacket
{
    uint8_t level;
    uint8_t flags;
    QByteArray text;
};

// An error channel opened on the board through the control channel, as the board
// object does it: open, then set the level from which the board reports.
struct ErrorRig : BoardRig
{
    ControlChannel control{&manager, 1, true, &manager};
    ErrorChannel *errors = nullptr;
    SignalRecorder *recorder = nullptr;

    bool open()
    {
        if (!connect())
            return false;
        QSignalSpy opened(&control, &ControlChannel::OpenCloseErrorChannelServiceReceived);
        control.openCloseErrorChannelService(true);
        if (!opened.wait(2000) || !opened[0][1].toBool())
            return false;
        errors = new ErrorChannel(&manager, 6, true, &manager);
        recorder = new SignalRecorder(errors);
        recorder->setParent(errors);
        return true;
    }
};

} // namespace

Q_DECLARE_METATYPE(QList<PushedPacket>)

// The error channel against the board simulator: the level request and its reply,
// and the board's messages with each flag.
class tst_ErrorChannelWithBoard : public QObject
{
    Q_OBJECT

private slots:
    void levelIsSetOnTheBoard()
    {
        ErrorRig rig;
        QVERIFY(rig.open());
        rig.errors->setLogLevel(2);
        QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->lines.last(), QString("logLevelReceived"), 2000);
        QCOMPARE(rig.errors->logLevel(), 2);
        QCOMPARE(rig.boardErrors()->logLevel(), uint8_t(2));
        QCOMPARE(rig.boardErrors()->requests(), QList<QByteArray>{QByteArray::fromHex("0000000002000000")});
    }

    void failedLevelReplyLeavesTheLevel()
    {
        ErrorRig rig;
        QVERIFY(rig.open());
        rig.boardErrors()->wrongSize = true;
        QTest::ignoreMessage(QtWarningMsg, "Invalid error channel packet length");
        rig.errors->setLogLevel(4);
        QTRY_COMPARE_WITH_TIMEOUT(rig.boardErrors()->logLevel(), uint8_t(4), 2000);
        QTest::qWait(50);
        QCOMPARE(rig.errors->logLevel(), 0);

        rig.boardErrors()->wrongSize = false;
        rig.boardErrors()->silent = true;
        rig.errors->setLogLevel(5);
        QTRY_COMPARE_WITH_TIMEOUT(rig.boardErrors()->logLevel(), uint8_t(5), 2000);
        QTest::qWait(50);
        QCOMPARE(rig.errors->logLevel(), 0);
        QVERIFY(!rig.recorder->lines.contains("logLevelReceived"));
    }

    void boardMessagesArrive_data()
    {
        QTest::addColumn<QList<PushedPacket>>("packets");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("application") << QList<PushedPacket>{{4, 0x00, "[app] disk full\r\n"}}
                                     << QStringList{"messageReceived 4 '[app] disk full'"};
        QTest::newRow("kernel") << QList<PushedPacket>{{5, 0x01, "[kernel] panic"}}
                                << QStringList{"kernelMessageReceived 5 '[kernel] panic'"};
        QTest::newRow("in parts") << QList<PushedPacket>{{3, 0x04, "[app] a "}, {3, 0x04, "long "}, {3, 0x0C, "story"}}
                                  << QStringList{"messageReceived 3 '[app] a long story'"};
        QTest::newRow("kernel in parts") << QList<PushedPacket>{{4, 0x05, "[k] one "}, {4, 0x0D, "two"}}
                                         << QStringList{"kernelMessageReceived 4 '[k] one two'"};
        QTest::newRow("interrupted parts")
            << QList<PushedPacket>{{5, 0x05, "[k] half"}, {3, 0x00, "[app] whole"}}
            << QStringList{"kernelMessageReceived 5 '[k] half'", "messageReceived 3 '[app] whole'"};
        QTest::newRow("overflow") << QList<PushedPacket>{{4, 0x10, "dropped"}} << QStringList{"overflow"};
        QTest::newRow("level reply") << QList<PushedPacket>{{3, 0x02, ""}} << QStringList{"logLevelReceived"};
    }

    void boardMessagesArrive()
    {
        QFETCH(QList<PushedPacket>, packets);
        QFETCH(QStringList, expected);

        ErrorRig rig;
        QVERIFY(rig.open());
        rig.errors->setLogLevel(2);
        QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->lines.size(), 2, 2000); // the request and its reply
        rig.recorder->lines.clear();

        for (const PushedPacket &packet : packets)
            rig.boardErrors()->pushMessage(packet.level, packet.flags, packet.text);
        QTRY_COMPARE_WITH_TIMEOUT(rig.recorder->lines.size(), expected.size(), 2000);
        QTest::qWait(20);
        QCOMPARE(rig.recorder->lines, expected);
    }
};

QTEST_GUILESS_MAIN(tst_ErrorChannelWithBoard)
#include "tst_ErrorChannelWithBoard.moc"
