#include "DatalinkManager.h"
#include "ErrorChannel.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

namespace {

// A board packet; declaredLength < 0 declares the text's real length.
QByteArray boardPacket(uint8_t level, uint8_t flags, const QByteArray &text, int declaredLength = -1)
{
    QByteArray packet(4, '\0');
    packet[0] = char(level);
    packet[1] = char(flags);
    qToLittleEndian<quint16>(quint16(declaredLength < 0 ? text.size() : declaredLength), packet.data() + 2);
    return packet + text;
}

// Everything the channel passes on, in order, one line each.
struct SignalLog
{
    QStringList lines;

    explicit SignalLog(ErrorChannel *channel)
    {
        QObject::connect(channel, &ErrorChannel::messageReceived, channel,
                         [this](ErrorChannel::LogLevel level, QString text) {
                             lines << QString("app %1 %2").arg(level).arg(text);
                         });
        QObject::connect(channel, &ErrorChannel::kernelMessageReceived, channel,
                         [this](ErrorChannel::LogLevel level, QString text) {
                             lines << QString("kernel %1 %2").arg(level).arg(text);
                         });
        QObject::connect(channel, &ErrorChannel::overflow, channel, [this] { lines << "overflow"; });
        QObject::connect(channel, &ErrorChannel::logLevelReceived, channel,
                         [this, channel] { lines << QString("level %1").arg(channel->logLevel()); });
    }
};

} // namespace

// The error channel: the board's messages (in one packet or in parts), overflow
// notices, level replies and the level request, and malformed packets.
class tst_ErrorChannel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void passesOnBoardMessages_data()
    {
        QTest::addColumn<QList<QByteArray>>("packets");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("warning");

        QTest::newRow("application message") << QList<QByteArray>{boardPacket(3, 0x00, "[app] started")}
                                             << QStringList{"app 3 [app] started"} << QString();
        QTest::newRow("kernel message") << QList<QByteArray>{boardPacket(5, 0x01, "oops")}
                                        << QStringList{"kernel 5 oops"} << QString();
        QTest::newRow("empty text") << QList<QByteArray>{boardPacket(1, 0x00, "")} << QStringList{"app 1 "}
                                    << QString();
        QTest::newRow("only CR LF pairs are removed")
            << QList<QByteArray>{boardPacket(2, 0x00, "a\r\nb\rc\n")} << QStringList{"app 2 ab\rc\n"} << QString();
        QTest::newRow("UTF-8 text") << QList<QByteArray>{boardPacket(2, 0x00,
                                                                     "Temperatur 40 \xc2\xb0"
                                                                     "C")}
                                    << QStringList{QString::fromUtf8("app 2 Temperatur 40 \xc2\xb0"
                                                                     "C")}
                                    << QString();
        QTest::newRow("message in three parts")
            << QList<QByteArray>{boardPacket(2, 0x04, "ab"), boardPacket(3, 0x04, "cd"), boardPacket(4, 0x0C, "ef")}
            << QStringList{"app 4 abcdef"} << QString();
        QTest::newRow("kernel message in three parts")
            << QList<QByteArray>{boardPacket(2, 0x05, "ab"), boardPacket(3, 0x05, "cd"), boardPacket(5, 0x0D, "ef")}
            << QStringList{"kernel 5 abcdef"} << QString();
        QTest::newRow("parts wait for their last part")
            << QList<QByteArray>{boardPacket(2, 0x04, "ab"), boardPacket(2, 0x04, "cd")} << QStringList{} << QString();
        QTest::newRow("interrupted message keeps its own level and origin")
            << QList<QByteArray>{boardPacket(5, 0x05, "ab"), boardPacket(1, 0x00, "x")}
            << QStringList{"kernel 5 ab", "app 1 x"} << QString();
        QTest::newRow("message after a completed one stands alone")
            << QList<QByteArray>{boardPacket(2, 0x04, "ab"), boardPacket(3, 0x0C, "cd"), boardPacket(4, 0x00, "x")}
            << QStringList{"app 3 abcd", "app 4 x"} << QString();
        QTest::newRow("overflow notice drops its text")
            << QList<QByteArray>{boardPacket(2, 0x10, "lost")} << QStringList{"overflow"} << QString();
        QTest::newRow("overflow notice leaves pending parts")
            << QList<QByteArray>{boardPacket(2, 0x04, "ab"), boardPacket(2, 0x10, "lost"), boardPacket(3, 0x0C, "cd")}
            << QStringList{"overflow", "app 3 abcd"} << QString();
        QTest::newRow("level flag wins over overflow")
            << QList<QByteArray>{boardPacket(4, 0x12, "")} << QStringList{"level 4"} << QString();
        QTest::newRow("three bytes") << QList<QByteArray>{QByteArray("\x03\x00\x00", 3)} << QStringList{}
                                     << QString("Invalid error channel packet received");
        QTest::newRow("declared length shorter than the text")
            << QList<QByteArray>{boardPacket(3, 0x00, "abcdef", 5) + QByteArray()} << QStringList{}
            << QString("Invalid error channel packet length");
        QTest::newRow("declared length beyond the packet")
            << QList<QByteArray>{boardPacket(3, 0x00, "ab", 300)} << QStringList{}
            << QString("Invalid error channel packet length");
        QTest::newRow("malformed packet leaves pending parts")
            << QList<QByteArray>{boardPacket(2, 0x04, "ab"), QByteArray("\x01", 1), boardPacket(3, 0x0C, "cd")}
            << QStringList{"app 3 abcd"} << QString("Invalid error channel packet received");
    }

    void passesOnBoardMessages()
    {
        QFETCH(QList<QByteArray>, packets);
        QFETCH(QStringList, expected);
        QFETCH(QString, warning);

        DatalinkManager manager;
        ErrorChannel channel(&manager, 6, true, &manager);
        channel.setLogLevel(2);
        SignalLog log(&channel);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));

        for (const QByteArray &packet : packets)
            emit manager.DataReady(6, packet);

        QCOMPARE(log.lines, expected);
    }

    void setLogLevelSendsTheRequest()
    {
        ErrorChannel channel(nullptr, 6, true, nullptr);
        QSignalSpy written(&channel, &AbstractService::write);
        channel.setLogLevel(2);
        channel.setLogLevel(0x01020304);
        QCOMPARE(written.size(), 2);
        QCOMPARE(written[0][0].value<DatalinkChannelId>(), DatalinkChannelId(6));
        QCOMPARE(written[0][1].toBool(), true);
        QCOMPARE(written[0][2].toByteArray(), QByteArray::fromHex("0000000002000000"));
        QCOMPARE(written[1][2].toByteArray(), QByteArray::fromHex("0000000004030201"));
    }

    void levelReplyCountsOnlyAfterALevelRequest_data()
    {
        QTest::addColumn<int>("requestType"); // -1: none sent
        QTest::addColumn<bool>("stored");

        QTest::newRow("nothing asked") << -1 << false;
        QTest::newRow("set level") << 0 << true;
        QTest::newRow("get level") << 1 << true;
        QTest::newRow("another request") << 7 << false;
    }

    void levelReplyCountsOnlyAfterALevelRequest()
    {
        QFETCH(int, requestType);
        QFETCH(bool, stored);

        ErrorChannel channel(nullptr, 6, true, nullptr);
        QSignalSpy received(&channel, &ErrorChannel::logLevelReceived);
        if (requestType >= 0)
            channel.sendRequest(uint8_t(requestType), 3);
        QMetaObject::invokeMethod(&channel, "dataReady", Q_ARG(QByteArray, boardPacket(3, 0x02, "ignored text")));

        QCOMPARE(received.size(), stored ? 1 : 0);
        QCOMPARE(channel.logLevel(), stored ? 3 : 0);
    }

    // A board that never sends the last part cannot make the collected text grow
    // without end: past the limit it is passed on, and collecting starts anew.
    void endlessMessageIsPassedOnAtTheLimit()
    {
        DatalinkManager manager;
        ErrorChannel channel(&manager, 6, true, &manager);
        QSignalSpy messages(&channel, &ErrorChannel::messageReceived);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("exceeds"));

        const QByteArray part(1000, 'p');
        const int parts = int(ErrorChannel::MaxPendingText / part.size()) + 1;
        for (int i = 0; i < parts; ++i)
            emit manager.DataReady(6, boardPacket(4, 0x04, part));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0][1].toString(), QString(parts * part.size(), 'p'));
        QCOMPARE(messages[0][0].value<ErrorChannel::LogLevel>(), ErrorChannel::LogLevel(4));

        emit manager.DataReady(6, boardPacket(4, 0x0C, "end"));
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages[1][1].toString(), QString("end"));
    }
};

QTEST_GUILESS_MAIN(tst_ErrorChannel)
#include "tst_ErrorChannel.moc"
