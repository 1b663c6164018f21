#include "ActivationMap.h"
#include "DataChannel.h"
#include "DatalinkManager.h"
#include "RecordingSink.h"
#include "TestBytes.h"

#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

using namespace monitoring;

namespace {

template<typename T>
QByteArray le(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToLittleEndian<T>(value, bytes.data());
    return bytes;
}

// A data message: command 1, the length that fits, the base time, the records.
QByteArray samples(int64_t baseTime, const QByteArray &records, int16_t command = 1)
{
    return le<int16_t>(command) + le<uint16_t>(uint16_t(12 + records.size())) + le<int64_t>(baseTime) + records;
}

QByteArray record(uint16_t referenceId, int32_t timeOffset, const QByteArray &value)
{
    return le<uint16_t>(referenceId) + le<int32_t>(timeOffset) + value;
}

QByteArray recordWithOffset(uint16_t referenceId, int32_t timeOffset, uint16_t dataOffset, const QByteArray &value)
{
    return le<uint16_t>(referenceId) + le<int32_t>(timeOffset) + le<uint16_t>(dataOffset) + value;
}

QByteArray doubleBytes(double value)
{
    return le<quint64>(std::bit_cast<quint64>(value));
}

struct Registration
{
    uint16_t referenceId;
    uint16_t dataOffset;
    uint16_t valueSize;
    bool withOffset;
    int sink; // 0 or 1
};

struct Rig
{
    DatalinkManager manager;
    DataChannel channel{&manager, &manager};
    QStringList lines;
    RecordingSink a{QStringLiteral("a"), &lines};
    RecordingSink b{QStringLiteral("b"), &lines};

    void registerAll(const QList<Registration> &registrations)
    {
        for (const Registration &r : registrations)
            channel.registerStream(r.referenceId, r.dataOffset, r.valueSize, r.withOffset, r.sink ? &b : &a);
    }
    void receive(const QByteArray &payload, uint16_t ch = 3) { emit manager.DataReady(ch, payload); }
};

} // namespace

Q_DECLARE_METATYPE(QList<Registration>)

// The monitoring data channel: how sample messages are taken apart by the streams
// registered, what happens to records it cannot place, and the stream registry; and
// the activation map that routes the board's acknowledgements.
class tst_DataChannel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void messagesAreDecoded_data()
    {
        QTest::addColumn<QList<Registration>>("registrations");
        QTest::addColumn<QList<QByteArray>>("packets");
        QTest::addColumn<QStringList>("expected");

        const QList<Registration> scalar{{9, 0, 8, false, 0}};
        const QList<Registration> vector{{4, 0, 4, true, 0}, {4, 8, 4, true, 1}};
        const auto one = [](const QByteArray &p) { return QList<QByteArray>{p}; };

        QTest::newRow("no records") << scalar << one(samples(5, {})) << QStringList{};
        QTest::newRow("a scalar, time offset -500")
            << scalar << one(samples(1000000, record(9, -500, doubleBytes(1.5))))
            << QStringList{"a 0 000000000000f83f 999500"};
        QTest::newRow("records in order")
            << scalar << one(samples(100, record(9, 0, doubleBytes(1)) + record(9, 10, doubleBytes(2))))
            << QStringList{"a 0 000000000000f03f 100", "a 0 0000000000000040 110"};
        QTest::newRow("records with a data offset")
            << vector
            << one(samples(7, recordWithOffset(4, 1, 8, hex("01020304")) + recordWithOffset(4, 2, 0, hex("0a0b0c0d"))))
            << QStringList{"b 8 01020304 8", "a 0 0a0b0c0d 9"};
        QTest::newRow("a base time near the end of the range")
            << scalar << one(samples(std::numeric_limits<int64_t>::max(), record(9, 1, doubleBytes(0))))
            << QStringList{"a 0 0000000000000000 9223372036854775808"};

        // A record that cannot be placed ends the message: its value's size is unknown.
        QTest::newRow("an unknown reference ends the message")
            << scalar << one(samples(0, record(3, 0, doubleBytes(1)) + record(9, 0, doubleBytes(2)))) << QStringList{};
        QTest::newRow("samples before an unknown reference are kept")
            << scalar
            << one(samples(0,
                           record(9, 0, doubleBytes(1)) + record(3, 0, doubleBytes(2)) + record(9, 0, doubleBytes(3))))
            << QStringList{"a 0 000000000000f03f 0"};
        QTest::newRow("an offset that is not registered ends the message")
            << vector
            << one(samples(0, recordWithOffset(4, 0, 4, hex("01020304")) + recordWithOffset(4, 0, 8, hex("01020304"))))
            << QStringList{};
        QTest::newRow("a reference beyond the table ends the message")
            << scalar << one(samples(0, record(60000, 0, doubleBytes(1)))) << QStringList{};
        QTest::newRow("a record cut inside its value")
            << scalar << one(samples(0, record(9, 0, doubleBytes(1)) + record(9, 0, doubleBytes(2)).chopped(1)))
            << QStringList{"a 0 000000000000f03f 0"};
        QTest::newRow("a record cut inside its offset")
            << vector << one(samples(0, recordWithOffset(4, 0, 8, hex("01020304")) + hex("0400 00000000 08")))
            << QStringList{"b 8 01020304 0"};
        QTest::newRow("a message of another command")
            << scalar << one(samples(0, record(9, 0, doubleBytes(1)), 0)) << QStringList{};
        QTest::newRow("a message shorter than its base time")
            << scalar << one(hex("0100 0800 01020304")) << QStringList{};

        const QByteArray message = samples(20, record(9, 0, doubleBytes(1)) + record(9, 5, doubleBytes(2)));
        QTest::newRow("a message in two packets") << scalar << QList<QByteArray>{message.first(16), message.sliced(16)}
                                                  << QStringList{"a 0 000000000000f03f 20", "a 0 0000000000000040 25"};
        QTest::newRow("30 of 40 bytes wait for the rest")
            << scalar << QList<QByteArray>{message.first(30), message.sliced(30)}
            << QStringList{"a 0 000000000000f03f 20", "a 0 0000000000000040 25"};
        QTest::newRow("bytes after a message are dropped")
            << scalar
            << QList<QByteArray>{message + record(9, 0, doubleBytes(3)), samples(1, record(9, 0, doubleBytes(4)))}
            << QStringList{"a 0 000000000000f03f 20", "a 0 0000000000000040 25", "a 0 0000000000001040 1"};
        QTest::newRow("command 2 is dropped")
            << scalar << QList<QByteArray>{samples(0, record(9, 0, doubleBytes(1)), 2), message}
            << QStringList{"a 0 000000000000f03f 20", "a 0 0000000000000040 25"};
        QTest::newRow("length 4 is dropped") << scalar << QList<QByteArray>{hex("0100 0400 0000"), message}
                                             << QStringList{"a 0 000000000000f03f 20", "a 0 0000000000000040 25"};
        QTest::newRow("3 bytes are dropped") << scalar << QList<QByteArray>{hex("0100 28"), message}
                                             << QStringList{"a 0 000000000000f03f 20", "a 0 0000000000000040 25"};
    }

    void messagesAreDecoded()
    {
        QFETCH(QList<Registration>, registrations);
        QFETCH(QList<QByteArray>, packets);
        QFETCH(QStringList, expected);

        Rig rig;
        rig.registerAll(registrations);
        for (const QByteArray &packet : packets)
            rig.receive(packet);
        QCOMPARE(rig.lines, expected);
    }

    void rejectedHeadersAreLogged()
    {
        Rig rig;
        QTest::ignoreMessage(QtDebugMsg, "eMonitor: unsupported command received");
        rig.receive(samples(0, {}, 2));
        QTest::ignoreMessage(QtDebugMsg, "eMonitor: Uncomplete package received. ");
        rig.receive(hex("0100 0400 00"));
        QTest::ignoreMessage(QtDebugMsg, "eMonitor: Uncomplete package received. ");
        rig.receive(hex("0100"));
    }

    void registry()
    {
        Rig rig;
        const QByteArray scalarRecord = record(4, 0, hex("01020304"));
        const QByteArray at0 = recordWithOffset(4, 0, 0, hex("01020304"));
        const QByteArray at8 = recordWithOffset(4, 0, 8, hex("05060708"));

        // The first registration of a key stays, with its size and sink.
        rig.channel.registerStream(4, 0, 4, false, &rig.a);
        rig.channel.registerStream(4, 0, 8, false, &rig.b);
        rig.receive(samples(0, scalarRecord));
        QCOMPARE(rig.lines, QStringList{"a 0 01020304 0"});

        // A second key of the reference with offsets: its records carry the offset.
        rig.channel.registerStream(4, 8, 4, true, &rig.b);
        rig.lines.clear();
        rig.receive(samples(0, at0 + at8));
        QCOMPARE(rig.lines, (QStringList{"a 0 01020304 0", "b 8 05060708 0"}));

        // The reference keeps its offsets while one of its keys is registered.
        rig.channel.unregisterStream(4, 8);
        rig.lines.clear();
        rig.receive(samples(0, at0 + at8));
        QCOMPARE(rig.lines, QStringList{"a 0 01020304 0"});
        rig.channel.unregisterStream(4, 8); // no longer there: nothing changes
        rig.channel.unregisterStream(5, 0);
        rig.channel.unregisterStream(4, 0);
        rig.lines.clear();
        rig.receive(samples(0, at0));
        rig.receive(samples(0, scalarRecord));
        QVERIFY(rig.lines.isEmpty());

        // Registered again after all were gone, the reference has no offsets.
        rig.channel.registerStream(4, 0, 4, false, &rig.a);
        rig.receive(samples(0, scalarRecord));
        QCOMPARE(rig.lines, QStringList{"a 0 01020304 0"});

        rig.channel.clearStreams();
        rig.lines.clear();
        rig.receive(samples(0, scalarRecord));
        QVERIFY(rig.lines.isEmpty());
    }

    void refusesValuesItCannotCarry()
    {
        Rig rig;
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("Refusing a stream of reference 4 with values of 17 bytes"));
        rig.channel.registerStream(4, 0, 17, false, &rig.a);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("Refusing a stream of reference 4 with values of 0 bytes"));
        rig.channel.registerStream(4, 0, 0, false, &rig.a);
        rig.receive(samples(0, record(4, 0, QByteArray(17, '\x01'))));
        QVERIFY(rig.lines.isEmpty());
        rig.channel.registerStream(4, 0, 16, false, &rig.a);
        rig.receive(samples(0, record(4, 0, QByteArray(16, '\x01'))));
        QCOMPARE(rig.lines, QStringList{"a 0 01010101010101010101010101010101 0"});
    }

    // A sink may end streams while it takes a sample; decoding goes on from the
    // registry as it is then.
    void sinkChangesTheRegistryDuringASample()
    {
        Rig rig;
        rig.channel.registerStream(9, 0, 8, false, &rig.a);
        rig.channel.registerStream(10, 0, 8, false, &rig.b);
        rig.a.onEachSample = [&rig] { rig.channel.clearStreams(); };
        rig.receive(samples(0, record(9, 0, doubleBytes(1)) + record(10, 0, doubleBytes(2))));
        QCOMPARE(rig.lines, QStringList{"a 0 000000000000f03f 0"});
    }

    void onlyItsChannel()
    {
        Rig rig;
        rig.channel.registerStream(9, 0, 8, false, &rig.a);
        rig.receive(samples(0, record(9, 0, doubleBytes(1))), 2);
        QVERIFY(rig.lines.isEmpty());
    }

    void activationMap()
    {
        ActivationMap map;
        RecordingSink first;
        RecordingSink second;
        map.registerPending(4, 8, &first);
        map.registerPending(4, 8, &second);
        QCOMPARE(map.find(8, 4), &first);

        map.registerPending(4, 0, &second);
        map.remove(4, 0);
        QCOMPARE(map.find(8, 4), &first);
        QCOMPARE(map.find(0, 4), nullptr);
        QCOMPARE(map.find(4, 8), nullptr); // offset and reference are not interchangeable
        map.remove(5, 5);

        map.clear();
        QVERIFY(map.isEmpty());
        QCOMPARE(map.find(8, 4), nullptr);
    }
};

QTEST_GUILESS_MAIN(tst_DataChannel)
#include "tst_DataChannel.moc"
