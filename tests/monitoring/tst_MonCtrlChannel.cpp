#include "ControlChannelRecorder.h"
#include "DatalinkManager.h"
#include "MonCtrlChannel.h"
#include "TestBytes.h"

#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

#include <functional>

using namespace monitoring;
using namespace monitoring::protocol;

using Request = std::function<void(MonCtrlChannel &)>;
Q_DECLARE_METATYPE(Request)

namespace {

// A message of the channel whose length fits its payload.
QByteArray message(int16_t command, int8_t status, const QByteArray &payload = QByteArray())
{
    QByteArray m(ControlHeader::Size, '\0');
    qToLittleEndian<int16_t>(command, m.data());
    qToLittleEndian<uint16_t>(uint16_t(payload.size() + ControlHeader::Size), m.data() + 2);
    m[4] = char(status);
    return m + payload;
}

// A board whose payloads reach the channel through a datalink manager.
struct Rig
{
    DatalinkManager manager;
    MonCtrlChannel channel{&manager, &manager};
    ControlChannelRecorder recorder{&channel};
    QList<QByteArray> written;

    Rig()
    {
        QObject::connect(&channel, &MonCtrlChannel::write,
                         [this](DatalinkChannelId ch, bool reliable, const QByteArray &p) {
                             QCOMPARE(ch, DatalinkChannelId(2));
                             QVERIFY(reliable);
                             written << p;
                         });
    }

    void receive(const QByteArray &payload, uint16_t ch = 2) { emit manager.DataReady(ch, payload); }
};

} // namespace

// The monitoring control channel: requests as bytes, and what the board's messages
// become (signals, rejections), also when they come in pieces or malformed.
class tst_MonCtrlChannel : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void requestsAreEncoded_data()
    {
        QTest::addColumn<Request>("request");
        QTest::addColumn<QByteArray>("expected");

        using C = MonCtrlChannel;
        QTest::newRow("information") << Request(&C::requestInfo) << hex("0100 0500 00");
        QTest::newRow("signals") << Request(&C::requestSignals) << hex("0500 0500 00");
        QTest::newRow("block parameters") << Request(&C::requestBlockParams) << hex("0600 0500 00");
        QTest::newRow("model parameters") << Request(&C::requestModelParams) << hex("0700 0500 00");
        QTest::newRow("block states") << Request(&C::requestBlockStates) << hex("0800 0500 00");
        QTest::newRow("inputs") << Request(&C::requestInputs) << hex("0900 0500 00");
        QTest::newRow("outputs") << Request(&C::requestOutputs) << hex("0a00 0500 00");
        QTest::newRow("model parameter memory")
            << Request([](C &c) { c.requestRawData(ModelParameterMemory); }) << hex("0b00 0600 00 03");
        QTest::newRow("string table 14") << Request([](C &c) { c.requestStrings(14); }) << hex("0c00 0600 00 0e");
        QTest::newRow("active signals") << Request(&C::requestActiveSignals) << hex("1100 0500 00");
        QTest::newRow("data types") << Request(&C::requestDataTypes) << hex("1200 0500 00");
        QTest::newRow("struct elements") << Request(&C::requestStructElements) << hex("1300 0500 00");
        QTest::newRow("fixed point") << Request(&C::requestFixedPointInfo) << hex("1400 0500 00");

        param_set_t write;
        write.referenceId = 0x0102;
        write.elementIndex = 3;
        write.memory = param_set_t::ModelParameterMemory;
        write.value[0] = 0xAB;
        QTest::newRow("set parameter") << Request([write](C &c) { c.setParameter(write); })
                                       << hex("0d00 1f00 00") + write.toBytes();
        const signal_set_t stop{7, 0, signal_set_t::StopRate, 8, 24, 1};
        QTest::newRow("set signal") << Request([stop](C &c) { c.setSignal(stop); })
                                    << hex("0f00 1500 00") + stop.toBytes();
    }

    void requestsAreEncoded()
    {
        QFETCH(Request, request);
        QFETCH(QByteArray, expected);
        Rig rig;
        request(rig.channel);
        QCOMPARE(rig.written, QList<QByteArray>{expected});
    }

    // A message longer than a link packet goes out in pieces, in order; one the
    // length field cannot describe does not go out at all.
    void longMessagesAreSplit()
    {
        Rig rig;
        const QByteArray payload = pattern(1095);
        rig.channel.sendCommand(RawData, payload);
        QCOMPARE(rig.written.size(), 2);
        QCOMPARE(rig.written[0].size(), 1018);
        QCOMPARE(rig.written[1].size(), 82);
        QCOMPARE(rig.written[0] + rig.written[1], message(RawData, 0, payload));

        rig.written.clear();
        QTest::ignoreMessage(QtWarningMsg, "Refusing a monitoring request of 65531 bytes");
        rig.channel.sendCommand(RawData, QByteArray(65531, 'x'));
        QVERIFY(rig.written.isEmpty());
        rig.channel.sendCommand(RawData, QByteArray(65530, 'x'));
        QCOMPARE(rig.written.size(), 65); // 65535 bytes in 1018-byte pieces
    }

    void messagesBecomeSignals_data()
    {
        QTest::addColumn<QList<QByteArray>>("packets");
        QTest::addColumn<QStringList>("expected"); // "|" marks the end of each packet
        QTest::addColumn<QString>("warning");

        const auto one = [](const QByteArray &m) { return QList<QByteArray>{m}; };
        signal_t first;
        first.referenceId = 1;
        first.dimensionCount = 1;
        first.dimensions = {1, 0};
        signal_t second = first;
        second.referenceId = 2;
        second.port = 3;
        const QByteArray twoSignals = first.toBytes() + second.toBytes();

        QTest::newRow("information") << one(message(1, 0, hex("02000000 07000000")))
                                     << QStringList{"infoReceived 2 7", "|"} << QString();
        QTest::newRow("information of 12 bytes") << one(message(1, 0, hex("02000000 07000000 00000000")))
                                                 << QStringList{"communicationError 1 0", "|"} << QString();
        QTest::newRow("information of version 3")
            << one(message(1, 0, hex("03000000 07000000"))) << QStringList{"communicationError 1 0", "|"}
            << "Unsupported monitoring version 3";
        QTest::newRow("information of 3 bytes")
            << one(message(1, 0, hex("020000"))) << QStringList{"communicationError 1 0", "|"} << QString();
        QTest::newRow("information with an error") << one(message(1, -22, hex("02000000 07000000")))
                                                   << QStringList{"communicationError 1 -22", "|"} << QString();

        QTest::newRow("signals") << one(message(5, 0, twoSignals))
                                 << QStringList{"signalsReceived 2 " + twoSignals.toHex(), "|"} << QString();
        QTest::newRow("no signals") << one(message(5, 0)) << QStringList{"signalsReceived 0 ", "|"} << QString();
        QTest::newRow("signals cut short")
            << one(message(5, 0, twoSignals.chopped(1))) << QStringList{"communicationError 5 0", "|"} << QString();
        QTest::newRow("signals with an error")
            << one(message(5, 1, twoSignals)) << QStringList{"communicationError 5 1", "|"} << QString();
        const struct
        {
            int16_t command;
            qsizetype size;
            const char *name;
        } lists[] = {
            {6, 20, "blockParamsReceived"}, {7, 20, "modelParamsReceived"},     {8, 26, "blockStatesReceived"},
            {9, 24, "inputsReceived"},      {10, 24, "outputsReceived"},        {17, 16, "activeSignalsReceived"},
            {18, 16, "dataTypesReceived"},  {19, 16, "structElementsReceived"}, {20, 24, "fixedPointInfoReceived"}};
        for (const auto &list : lists) {
            QTest::addRow("%s", list.name)
                << one(message(list.command, 0, QByteArray(list.size, '\0')))
                << QStringList{QStringLiteral("%1 1 ").arg(list.name) + QString(list.size * 2, '0'), "|"} << QString();
            QTest::addRow("%s, one byte too many", list.name)
                << one(message(list.command, 0, QByteArray(list.size + 1, '\0')))
                << QStringList{QStringLiteral("communicationError %1 0").arg(list.command), "|"} << QString();
        }

        QTest::newRow("raw data") << one(message(11, 0, hex("02 aabb"))) << QStringList{"rawDataReceived 2 aabb", "|"}
                                  << QString();
        QTest::newRow("raw data without data")
            << one(message(11, 0, hex("03"))) << QStringList{"rawDataReceived 3 ", "|"} << QString();
        QTest::newRow("raw data without a type")
            << one(message(11, 0)) << QStringList{"communicationError 11 0", "|"} << "Invalid raw data packet";
        QTest::newRow("strings") << one(message(12, 0, hex("05 41 00 42 00 43")))
                                 << QStringList{"stringsReceived 5 'A' 'B'", "|"} << QString();
        QTest::newRow("empty strings") << one(message(12, 0, hex("0e 00 00")))
                                       << QStringList{"stringsReceived 14 '' ''", "|"} << QString();
        QTest::newRow("strings without a table")
            << one(message(12, 0)) << QStringList{"stringsReceived 0", "|"} << QString();
        QTest::newRow("strings with an error")
            << one(message(12, 4, hex("05 41 00"))) << QStringList{"communicationError 12 4", "|"} << QString();

        QTest::newRow("set signal acknowledged with 0xF9")
            << one(message(15, -7, hex("0000 0700 0800 0700")))
            << QStringList{"referencesHandled 0 0000070008000700", "|"} << QString();
        QTest::newRow("set parameter acknowledged")
            << one(message(13, 0, hex("0200 0900"))) << QStringList{"referencesHandled 1 02000900", "|"} << QString();
        QTest::newRow("references handled with 0xF9")
            << one(message(16, -7, hex("0800 0400"))) << QStringList{"referencesHandled 2 08000400", "|"} << QString();
        QTest::newRow("update parameters") << one(message(14, 0, hex("0200 0900")))
                                           << QStringList{"updateParametersReceived 1 02000900", "|"} << QString();
        QTest::newRow("update parameters with 0xF9") << one(message(14, -7, hex("0000 0700 0800 0700")))
                                                     << QStringList{"communicationError 14 -7", "|"} << QString();
        QTest::newRow("set signal refused")
            << one(message(15, -22)) << QStringList{"communicationError 15 -22", "|"} << QString();
        QTest::newRow("acknowledgement cut short")
            << one(message(15, 0, hex("0000 0700 08"))) << QStringList{"communicationError 15 0", "|"} << QString();

        for (int16_t command : {0, 2, 3, 4}) {
            QTest::addRow("command %d is none of the host's", command)
                << one(message(command, 0)) << QStringList{QStringLiteral("communicationError %1 0").arg(command), "|"}
                << QString();
        }
        // Rejected at once, although the length says more is to come.
        QTest::newRow("command 21") << QList<QByteArray>{hex("1500 6400 03"), message(1, 0, hex("02000000 07000000"))}
                                    << QStringList{"communicationError 21 3", "|", "infoReceived 2 7", "|"}
                                    << QString();
        QTest::newRow("negative command waits for its length")
            << QList<QByteArray>{hex("0080 0a00 00"), hex("0102030405")}
            << QStringList{"|", "communicationError -32768 0", "|"} << QString();

        QTest::newRow("reply of 2000 bytes in two packets")
            << QList<QByteArray>{message(11, 0, hex("02") + pattern(1994)).first(1018),
                                 message(11, 0, hex("02") + pattern(1994)).sliced(1018)}
            << QStringList{"|", "rawDataReceived 2 <1994 bytes>", "|"} << QString();
        QTest::newRow("first packet of 3 bytes")
            << QList<QByteArray>{hex("010008"), message(1, 0, hex("0200000007000000"))}
            << QStringList{"|", "infoReceived 2 7", "|"} << "eMonitor: Incomplete packet received";
        QTest::newRow("bytes after a message are dropped")
            << QList<QByteArray>{message(1, 0, hex("02000000 07000000")) + hex("0100"),
                                 message(1, 0, hex("02000000 08000000"))}
            << QStringList{"infoReceived 2 7", "|", "infoReceived 2 8", "|"} << QString();
        QTest::newRow("a message waits for its length")
            << QList<QByteArray>{message(11, 0, pattern(35, 1)).first(30), message(11, 0, pattern(35, 1)).sliced(30)}
            << QStringList{"|", "rawDataReceived 1 <34 bytes>", "|"} << QString();
        // Shorter than its own header: nothing can be read from it.
        QTest::newRow("length 4") << QList<QByteArray>{hex("0100 0400 00 02000000 07000000"), message(5, 0)}
                                  << QStringList{"communicationError 1 0", "|", "signalsReceived 0 ", "|"}
                                  << "eMonitor: message shorter than its header received";
        QTest::newRow("length 0") << one(hex("0500 0000 09")) << QStringList{"communicationError 5 9", "|"}
                                  << "eMonitor: message shorter than its header received";
    }

    void messagesBecomeSignals()
    {
        QFETCH(QList<QByteArray>, packets);
        QFETCH(QStringList, expected);
        QFETCH(QString, warning);

        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));
        Rig rig;
        for (const QByteArray &packet : packets) {
            rig.receive(packet);
            rig.recorder.lines << "|";
        }
        QCOMPARE(rig.recorder.lines, expected);
        QVERIFY(rig.written.isEmpty());
    }

    // Only payloads of channel 2 reach the channel; initialize drops a message begun.
    void channelAndInitialize()
    {
        Rig rig;
        rig.receive(message(1, 0, hex("02000000 07000000")), 3);
        QVERIFY(rig.recorder.lines.isEmpty());

        rig.receive(message(11, 0, pattern(35, 1)).first(30));
        QVERIFY(QMetaObject::invokeMethod(&rig.channel, "initialize"));
        rig.receive(message(1, 0, hex("02000000 07000000")));
        QCOMPARE(rig.recorder.lines, QStringList{"infoReceived 2 7"});
    }
};

QTEST_GUILESS_MAIN(tst_MonCtrlChannel)
#include "tst_MonCtrlChannel.moc"
