#include "OstPacketRecombiner.h"
#include "PacketFrame.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using Chunks = QList<QByteArray>;
using Results = QList<int>;

// The receive rules as one table: each row feeds chunks and states the frames that
// come out ("channel:payload hex"), the result of every call, what stays buffered and
// whether the corrupt-header line is logged. Then the properties a table cannot show:
// any cut of a frame sequence reassembles, many frames in one chunk, and receivers
// that clear the recombiner while it emits.
class tst_OstPacketRecombiner : public QObject
{
    Q_OBJECT

    static QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

    static QByteArray frame(uint16_t channel, const QByteArray &payload)
    {
        return PacketFrame::build(channel, payload).value();
    }

    static QStringList emitted(const QSignalSpy &spy)
    {
        QStringList frames;
        for (const QList<QVariant> &args : spy)
            frames << QString::number(args.at(0).value<uint16_t>()) + ":" + args.at(1).toByteArray().toHex();
        return frames;
    }

private slots:
    void receiveRules_data()
    {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<Results>("results");
        QTest::addColumn<QByteArray>("buffered");
        QTest::addColumn<bool>("corruptHeaderLogged");

        const QByteArray ab = hex("CDAB0100080041 42");
        Chunks bytewise;
        for (char c : ab)
            bytewise << QByteArray(1, c);

        QTest::newRow("one frame at once")
            << Chunks{ab} << QStringList{"1:4142"} << Results{0} << QByteArray() << false;
        QTest::newRow("one byte at a time")
            << bytewise << QStringList{"1:4142"} << Results(8, 0) << QByteArray() << false;
        QTest::newRow("two frames in one chunk") << Chunks{ab + hex("CDAB0900070099")} << QStringList{"1:4142", "9:99"}
                                                 << Results{0} << QByteArray() << false;
        QTest::newRow("frame and the start of the next")
            << Chunks{ab + hex("CDAB02")} << QStringList{"1:4142"} << Results{0} << hex("CDAB02") << false;
        QTest::newRow("header split over chunks") << Chunks{hex("CDAB01"), hex("0008"), hex("004142")}
                                                  << QStringList{"1:4142"} << Results{0, 0, 0} << QByteArray() << false;
        QTest::newRow("a zero byte on an empty buffer is dropped")
            << Chunks{hex("00CDAB0100080041 42")} << QStringList() << Results{0} << QByteArray() << false;
        QTest::newRow("a zero byte inside a partial frame is data")
            << Chunks{hex("CDAB01000800"), hex("0042")} << QStringList{"1:0042"} << Results{0, 0} << QByteArray()
            << false;
        QTest::newRow("a zero tail after a frame is dropped")
            << Chunks{ab + hex("0000CDAB")} << QStringList{"1:4142"} << Results{0} << QByteArray() << false;
        QTest::newRow("magic bytes reversed")
            << Chunks{hex("ABCD0100080041 42")} << QStringList() << Results{-1} << QByteArray() << true;
        QTest::newRow("total length 5") << Chunks{hex("CDAB010005004142")} << QStringList() << Results{-1}
                                        << QByteArray() << true;
        QTest::newRow("total length 1025") << Chunks{hex("CDAB01000104") + QByteArray(1019, 'x')} << QStringList()
                                           << Results{-1} << QByteArray() << true;
        QTest::newRow("total length 1024 is accepted")
            << Chunks{hex("CDAB07000004") + QByteArray(1018, '\x11')}
            << QStringList{"7:" + QByteArray(1018, '\x11').toHex()} << Results{0} << QByteArray() << false;
        QTest::newRow("total length 6 gives an empty payload")
            << Chunks{hex("CDAB03000600")} << QStringList{"3:"} << Results{0} << QByteArray() << false;
        QTest::newRow("a corrupt header after a good frame costs the rest")
            << Chunks{ab + hex("ABCD0100080041 42") + ab} << QStringList{"1:4142"} << Results{-1} << QByteArray()
            << true;
        QTest::newRow("a corrupt header waits for six bytes")
            << Chunks{hex("ABCD0100 08"), hex("00")} << QStringList() << Results{0, -1} << QByteArray() << true;
        QTest::newRow("channel numbers use all 16 bits")
            << Chunks{hex("CDABFFFF0700EE")} << QStringList{"65535:ee"} << Results{0} << QByteArray() << false;
    }
    void receiveRules()
    {
        QFETCH(Chunks, chunks);
        QFETCH(QStringList, frames);
        QFETCH(Results, results);
        QFETCH(QByteArray, buffered);
        QFETCH(bool, corruptHeaderLogged);

        OstPacketRecombiner recombiner;
        QSignalSpy spy(&recombiner, &OstPacketRecombiner::packetReady);
        if (corruptHeaderLogged)
            QTest::ignoreMessage(QtDebugMsg, "Corrupt OstPacket Header");
        Results actual;
        for (const QByteArray &chunk : chunks)
            actual << recombiner.rawDataReady(chunk);
        QCOMPARE(actual, results);
        QCOMPARE(emitted(spy), frames);
        QCOMPARE(recombiner.buffer(), buffered);
    }

    void anyCutOfAFrameSequenceReassembles()
    {
        QRandomGenerator random(20261210);
        for (int round = 0; round < 50; ++round) {
            QByteArray stream;
            QStringList expected;
            const int count = random.bounded(1, 20);
            for (int i = 0; i < count; ++i) {
                QByteArray payload(random.bounded(0, int(PacketFrame::MaxPayloadSize) + 1), Qt::Uninitialized);
                for (char &c : payload)
                    c = char(random.bounded(256));
                const uint16_t channel = uint16_t(random.bounded(0, 65536));
                stream += frame(channel, payload);
                expected << QString::number(channel) + ":" + payload.toHex();
            }

            OstPacketRecombiner recombiner;
            QSignalSpy spy(&recombiner, &OstPacketRecombiner::packetReady);
            for (qsizetype pos = 0; pos < stream.size();) {
                const qsizetype length = qMin<qsizetype>(random.bounded(1, 1500), stream.size() - pos);
                QCOMPARE(recombiner.rawDataReady(stream.mid(pos, length)), 0);
                pos += length;
            }
            QCOMPARE(emitted(spy), expected);
            QVERIFY(recombiner.buffer().isEmpty());
        }
    }

    void manySmallFramesInOneChunk()
    {
        const int count = 20000;
        QByteArray chunk;
        for (int i = 0; i < count; ++i)
            chunk += frame(uint16_t(i), QByteArray());
        OstPacketRecombiner recombiner;
        int seen = 0;
        bool inOrder = true;
        connect(&recombiner, &OstPacketRecombiner::packetReady, this, [&](uint16_t channel, const QByteArray &) {
            inOrder = inOrder && channel == uint16_t(seen);
            ++seen;
        });
        QCOMPARE(recombiner.rawDataReady(chunk), 0);
        QCOMPARE(seen, count);
        QVERIFY(inOrder);
    }

    void clearingWhileEmittingDropsTheRestOfTheChunk()
    {
        OstPacketRecombiner recombiner;
        QStringList seen;
        connect(&recombiner, &OstPacketRecombiner::packetReady, this, [&](uint16_t channel, const QByteArray &) {
            seen << QString::number(channel);
            if (channel == 1)
                recombiner.clearBuffer();
        });
        QCOMPARE(recombiner.rawDataReady(frame(1, "a") + frame(2, "b") + hex("CDAB")), 0);
        QCOMPARE(seen, QStringList{"1"});
        QVERIFY(recombiner.buffer().isEmpty());
    }

    void bytesFedWhileEmittingFollowTheChunkInOrder()
    {
        OstPacketRecombiner recombiner;
        QStringList seen;
        connect(&recombiner, &OstPacketRecombiner::packetReady, this, [&](uint16_t channel, const QByteArray &) {
            seen << QString::number(channel);
            if (channel == 1)
                recombiner.rawDataReady(hex("0400"));
        });
        // The rest of frame 4 arrives while frame 1 is handled; frame 4 started in the
        // original chunk, so the fed bytes must land behind it.
        QCOMPARE(recombiner.rawDataReady(frame(1, "a") + hex("CDAB04000800")), 0);
        QCOMPARE(recombiner.rawDataReady(QByteArray()), 0);
        QCOMPARE(seen, (QStringList{"1", "4"}));
    }

    void clearBufferDropsAPartialFrame()
    {
        OstPacketRecombiner recombiner;
        QSignalSpy spy(&recombiner, &OstPacketRecombiner::packetReady);
        recombiner.rawDataReady(hex("CDAB01000800"));
        recombiner.clearBuffer();
        QVERIFY(recombiner.buffer().isEmpty());
        // The tail of the dropped frame no longer lines up with a header.
        QTest::ignoreMessage(QtDebugMsg, "Corrupt OstPacket Header");
        QCOMPARE(recombiner.rawDataReady(hex("4142") + frame(2, "z")), -1);
        QCOMPARE(recombiner.rawDataReady(frame(3, "y")), 0);
        QCOMPARE(emitted(spy), QStringList{"3:79"});
    }
};

QTEST_GUILESS_MAIN(tst_OstPacketRecombiner)
#include "tst_OstPacketRecombiner.moc"
