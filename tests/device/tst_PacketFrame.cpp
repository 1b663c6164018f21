#include "OstPacketRecombiner.h"
#include "PacketFrame.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// The frame writer: the byte layout, the largest frame, and the refusal of payloads
// that do not fit (which would otherwise wrap the 16-bit length).
class tst_PacketFrame : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<quint16>("channel");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("two bytes on channel 1")
            << quint16(1) << QByteArray("AB") << QByteArray::fromHex("CDAB010008004142");
        QTest::newRow("empty payload") << quint16(0) << QByteArray() << QByteArray::fromHex("CDAB00000600");
        QTest::newRow("high channel") << quint16(0x1234) << QByteArray("\x00", 1)
                                      << QByteArray::fromHex("CDAB3412070000");
        QTest::newRow("largest payload") << quint16(9) << QByteArray(1018, '\x7F')
                                         << QByteArray::fromHex("CDAB09000004") + QByteArray(1018, '\x7F');
    }
    void layout()
    {
        QFETCH(quint16, channel);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, expected);
        const std::optional<QByteArray> frame = PacketFrame::build(channel, payload);
        QVERIFY(frame.has_value());
        QCOMPARE(frame->toHex(' '), expected.toHex(' '));
    }

    void oversizePayloadsAreRefused_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("one byte too many") << 1019;
        QTest::newRow("length would wrap to a valid value") << 65536 + 10 - 6;
        QTest::newRow("length would wrap to zero") << 65536 - 6;
    }
    void oversizePayloadsAreRefused()
    {
        QFETCH(int, size);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Refusing a payload of " + QString::number(size)));
        QVERIFY(!PacketFrame::build(4, QByteArray(size, 'x')).has_value());
    }

    void framesRoundTripThroughTheRecombiner()
    {
        OstPacketRecombiner recombiner;
        QSignalSpy spy(&recombiner, &OstPacketRecombiner::packetReady);
        const QByteArray payload(1018, '\xA5');
        QCOMPARE(recombiner.rawDataReady(PacketFrame::build(5, payload).value()), 0);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<uint16_t>(), uint16_t(5));
        QCOMPARE(spy.at(0).at(1).toByteArray(), payload);
    }
};

QTEST_GUILESS_MAIN(tst_PacketFrame)
#include "tst_PacketFrame.moc"
