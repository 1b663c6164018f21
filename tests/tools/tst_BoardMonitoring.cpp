#include "BoardControlChannel.h"
#include "BoardFrame.h"
#include "BoardLink.h"
#include "BoardMonitoringControl.h"
#include "BoardMonitoringData.h"
#include "BoardSimulator.h"
#include "MonitoringModelFile.h"
#include "TestBytes.h"

#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

#include <bit>
#include <cmath>
#include <numbers>

namespace {

// JSON written with single quotes, which read better inside C++ strings.
QByteArray json(const char *text)
{
    return QByteArray(text).replace('\'', '"');
}

template<typename T>
T le(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

template<typename T>
QByteArray leBytes(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToLittleEndian<T>(value, bytes.data());
    return bytes;
}

QByteArray doubleBytes(double value)
{
    return leBytes<quint64>(std::bit_cast<quint64>(value));
}
QByteArray floatBytes(float value)
{
    return leBytes<quint32>(std::bit_cast<quint32>(value));
}

// Bytes of a literal that holds zero bytes.
template<qsizetype N>
QByteArray literal(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

double sine(int64_t step, double amplitude, int64_t period, double offset = 0)
{
    return offset + amplitude * std::sin(2 * std::numbers::pi * double(step % period) / double(period));
}

QByteArray request(int16_t command, const QByteArray &payload = QByteArray())
{
    return leBytes<int16_t>(command) + leBytes<uint16_t>(uint16_t(payload.size() + 5)) + QByteArray(1, '\0') + payload;
}

QByteArray streamRequest(uint16_t ref, uint16_t model, int32_t rate, uint16_t size, uint16_t offset, uint8_t kind = 1)
{
    return request(15, leBytes(ref) + leBytes(model) + leBytes(rate) + leBytes(size) + leBytes(offset)
                           + QByteArray(1, char(kind)) + QByteArray(3, '\0'));
}

QByteArray parameterWrite(uint16_t ref, uint16_t model, uint16_t type, uint16_t element, uint8_t memory,
                          const QByteArray &value)
{
    return request(13, leBytes(ref) + leBytes(model) + leBytes(type) + leBytes(element) + QByteArray(1, '\0')
                           + QByteArray(1, char(memory)) + value.leftJustified(16, '\0'));
}

// A board running a model, with one USB link whose sent payloads are kept by channel.
struct Board
{
    BoardSimulator board;
    BoardLink *link = board.attachLink(BoardLinkType::USB);
    QList<QByteArray> control; // channel 2, one entry per packet
    QList<QByteArray> data;    // channel 3

    explicit Board(bool serving = true)
    {
        QObject::connect(&board, &BoardSimulator::frameSent, &board,
                         [this](BoardLinkType, uint16_t channel, const QByteArray &frame, bool reliable) {
                             if (channel == 2) {
                                 QVERIFY(reliable);
                                 control << frame.mid(6);
                             } else if (channel == 3) {
                                 QVERIFY(!reliable);
                                 data << frame.mid(6);
                             }
                         });
        monitoringData()->setTicking(false);
        setServing(serving);
    }

    void setServing(bool serving)
    {
        auto &state = qobject_cast<BoardControlChannel *>(board.channel(1))->state();
        state.openServices[10] = serving;
        state.appStatus = serving ? 3 : 2;
    }
    BoardMonitoringControl *monitoringControl() const
    {
        return qobject_cast<BoardMonitoringControl *>(board.channel(BoardMonitoringControl::Number));
    }
    BoardMonitoringData *monitoringData() const
    {
        return qobject_cast<BoardMonitoringData *>(board.channel(BoardMonitoringData::Number));
    }
    void hostSends(const QByteArray &payload) { link->receiveStream(BoardFrameCodec::encode(2, payload)); }
    // The whole messages sent on channel 2 since the last call.
    QList<QByteArray> replies()
    {
        QList<QByteArray> messages;
        QByteArray pending;
        for (const QByteArray &packet : std::exchange(control, {})) {
            pending += packet;
            if (pending.size() >= 5 && pending.size() >= le<uint16_t>(pending, 2))
                messages << std::exchange(pending, {});
        }
        if (!pending.isEmpty())
            messages << pending; // an unfinished message shows as it stands
        return messages;
    }
    QByteArray reply(int16_t command, const QByteArray &payload = QByteArray())
    {
        hostSends(request(command, payload));
        const QList<QByteArray> all = replies();
        return all.size() == 1 ? all.first() : QByteArray("not one reply");
    }
};

QByteArray reply(int16_t command, int8_t status, const QByteArray &payload = QByteArray())
{
    return leBytes<int16_t>(command) + leBytes<uint16_t>(uint16_t(payload.size() + 5)) + QByteArray(1, char(status))
           + payload;
}

// A small model whose description is checked byte by byte.
QByteArray smallModel()
{
    return json(
        "{"
        "    'name': 'Small',"
        "    'infoWord': 99,"
        "    'models': [{'parent': 0, 'path': 'Small/Ref'}],"
        "    'fixedPoint': [{'wordLength': 12, 'signed': false, 'fraction': 0.5, 'exponent': -2, 'bias': 1}],"
        "    'types': ["
        "        {'name': 'double', 'second': 'real_T', 'id': 0},"
        "        {'name': 'ufix12', 'id': 5},"
        "        {'name': 'cint8', 'id': 2, 'complex': true},"
        "        {'name': 'Pair', 'elements': [{'name': 'a', 'type': 'double'}, {'name': 'b', 'type': 'ufix12', "
        "'fixedPoint': 1, 'dims': [2]}]}"
        "    ],"
        "    'signals': ["
        "        {'ref': 3, 'block': 'Small/A//B', 'name': 'x', 'port': 2, 'rate': 100, 'type': 'double'},"
        "        {'ref': 4, 'model': 1, 'block': 'Small/Ref/C', 'name': 'x', 'rate': 7, 'type': 'Pair', 'dims': [2, "
        "3], 'layout': 2}"
        "    ],"
        "    'inputs': [{'ref': 5, 'block': 'Small/In', 'name': 'u', 'type': 'cint8'}],"
        "    'outputs': [],"
        "    'states': [{'ref': 6, 'block': 'Small/Ref/C', 'name': 's', 'rate': 9, 'type': 'double', 'dims': [4]}],"
        "    'blockParameters': ["
        "        {'ref': 7, 'block': 'Small/A//B', 'name': 'K', 'type': 'ufix12', 'fixedPoint': 1, 'dims': [2],"
        "         'values': [2.25, 'inf']},"
        "        {'ref': 8, 'block': 'Small/Gain', 'name': 'G', 'type': 'double', 'dims': [0], 'values': []}"
        "    ],"
        "    'modelParameters': [{'ref': 9, 'model': 1, 'name': 'K', 'type': 'cint8', 'values': [-3]}]"
        "}");
}

using Expected = std::function<QByteArray(int64_t step)>;

QString sampleLine(uint16_t ref, uint16_t offset, int64_t time, const QByteArray &value)
{
    return QStringLiteral("%1 %2 %3 %4").arg(ref).arg(offset).arg(time).arg(QString::fromLatin1(value.toHex()));
}

// The samples of one data message, as sampleLine gives them, read with the layout of
// each reference (whether its records carry an offset, and its value size); checks
// the header on the way.
QStringList records(const QByteArray &message, const QMap<uint16_t, std::pair<bool, uint16_t>> &layout)
{
    QStringList lines;
    if (message.size() < 12 || le<int16_t>(message, 0) != 1 || le<uint16_t>(message, 2) != message.size()
        || message.size() > 1018)
        return {QStringLiteral("bad header %1").arg(QString::fromLatin1(message.left(12).toHex()))};
    const int64_t base = le<int64_t>(message, 4);
    qsizetype pos = 12;
    while (pos < message.size()) {
        const uint16_t ref = le<uint16_t>(message, pos);
        const int32_t offset = le<int32_t>(message, pos + 2);
        pos += 6;
        if (!layout.contains(ref))
            return lines << QStringLiteral("unknown reference %1").arg(ref);
        const auto [withOffset, size] = layout.value(ref);
        uint16_t dataOffset = 0;
        if (withOffset) {
            dataOffset = le<uint16_t>(message, pos);
            pos += 2;
        }
        lines << sampleLine(ref, dataOffset, base + offset, message.mid(pos, size));
        pos += size;
    }
    if (pos != message.size())
        lines << QStringLiteral("message ends inside a record");
    return lines;
}

} // namespace

Q_DECLARE_METATYPE(Expected)

// The simulated board's monitoring channels on their own: the model file, the
// description of a model byte by byte, refused requests, parameter writes and the
// samples of its streams, with the board's clock set by the test.
class tst_BoardMonitoring : public QObject
{
    Q_OBJECT

    static MonitoringModel small()
    {
        QString error;
        const std::optional<MonitoringModel> model = MonitoringModelFile::parse(smallModel(), &error);
        if (!model)
            qFatal("%s", qPrintable(error));
        return *model;
    }

private slots:
    void modelFileErrors_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");

        const QByteArray types = json("'types': [{'name': 'd', 'id': 0}, {'name': 'i', 'id': 4}]");
        const auto model = [&types](const char *rest) { return "{" + types + ", " + rest + "}"; };
        QTest::newRow("not JSON") << QByteArray("{") << "not JSON";
        QTest::newRow("a list") << QByteArray("[]") << "model: must be an object";
        QTest::newRow("unknown key") << QByteArray(json("{'signal': []}")) << "model: unknown key \"signal\"";
        QTest::newRow("reference id twice")
            << model(json("'signals': [{'ref': 1, 'type': 'd'}], 'states': [{'ref': 1, 'type': 'd'}]"))
            << "states[0]: the reference id 1 is used twice";
        QTest::newRow("type not defined") << model(json("'signals': [{'ref': 1, 'type': 'x'}]"))
                                          << "signals[0]: the type \"x\" is not defined before";
        QTest::newRow("type without id") << QByteArray(json("{'types': [{'name': 't'}]}"))
                                         << "types[0]: \"id\" is missing";
        QTest::newRow("bus element of a later type") << QByteArray(
            json("{'types': [{'name': 'b', 'elements': [{'name': 'e', 'type': 'c'}]}, {'name': 'c', 'id': 0}]}"))
                                                     << "types[0].elements[0]: the type \"c\" is not defined before";
        QTest::newRow("sine without period")
            << model(json("'signals': [{'ref': 1, 'type': 'd', 'wave': {'kind': 'sine'}}]"))
            << "signals[0].wave: a sine needs a period";
        QTest::newRow("parameter values")
            << model(json("'blockParameters': [{'ref': 1, 'type': 'd', 'dims': [2], 'values': [1]}]"))
            << "blockParameters[0]: \"values\" must hold 2 values";
        QTest::newRow("fixed point on a double")
            << model(json("'fixedPoint': [{'wordLength': 8}], 'signals': [{'ref': 1, 'type': 'd', 'fixedPoint': 1}]"))
            << "signals[0]: a fixed-point scaling needs an integer type";
        QTest::newRow("fixed point wider than its type")
            << model(json("'fixedPoint': [{'wordLength': 17}], 'signals': [{'ref': 1, 'type': 'i', 'fixedPoint': 1}]"))
            << "signals[0]: a fixed-point scaling needs an integer type as wide as its word length";
        QTest::newRow("fixed point not listed") << model(json("'signals': [{'ref': 1, 'type': 'i', 'fixedPoint': 1}]"))
                                                << "signals[0]: \"fixedPoint\" must be a whole number from 0 to 0";
        QTest::newRow("three sizes") << model(json("'signals': [{'ref': 1, 'type': 'd', 'dims': [1, 2, 3]}]"))
                                     << "signals[0]: \"dims\" must hold one or two sizes";
        QTest::newRow("value larger than an offset reaches")
            << model(json("'signals': [{'ref': 1, 'type': 'd', 'dims': [8192]}]"))
            << "signals[0]: the value is larger than 65535 bytes";
        QTest::newRow("model reference not listed") << model(json("'signals': [{'ref': 1, 'model': 1, 'type': 'd'}]"))
                                                    << "signals[0]: \"model\" must be a whole number from 0 to 0";
        QTest::newRow("parent not listed before") << QByteArray(json("{'models': [{'parent': 1, 'path': 'p'}]}"))
                                                  << "models[0]: \"parent\" must be a whole number from 0 to 0";
        QTest::newRow("a port on a state")
            << model(json("'states': [{'ref': 1, 'type': 'd', 'port': 2}]")) << "states[0]: only signals have a port";
        QTest::newRow("a bus parameter") << QByteArray(
            json("{'types': [{'name': 'd', 'id': 0}, {'name': 'b', 'elements': [{'name': 'e', 'type': 'd'}]}],"
                 "                'modelParameters': [{'ref': 1, 'type': 'b', 'values': [1]}]}"))
                                         << "modelParameters[0]: a parameter cannot be a bus";
        QTest::newRow("a signal list longer than a message")
            << "{" + types + json(", 'signals': [") +
                   [] {
                       QByteArrayList entries;
                       for (int i = 0; i < 2731; ++i)
                           entries << json("{'ref': ") + QByteArray::number(i) + json(", 'type': 'd'}");
                       return entries.join(',');
                   }()
                   + "]}"
            << "model: the signal list does not fit into one message";
    }

    void modelFileErrors()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        QString message;
        QVERIFY(!MonitoringModelFile::parse(json, &message));
        QVERIFY2(message.startsWith(error), qPrintable(message));
    }

    void describesTheModel_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("information") << request(1) << reply(1, 0, hex("02000000 63000000"));
        QTest::newRow("block paths of signals")
            << request(12, hex("00")) << reply(12, 0, hex("00") + literal("Small/A//B\0Small/Ref/C\0"));
        QTest::newRow("signal names, each once") << request(12, hex("05")) << reply(12, 0, literal("\x05x\0"));
        QTest::newRow("model references") << request(12, hex("0b"))
                                          << reply(12, 0,
                                                   literal("\x0bSmall\0"
                                                           "0\0Small\0"
                                                           "0\0Small/Ref\0"));
        QTest::newRow("type names") << request(12, hex("0c"))
                                    << reply(12, 0,
                                             literal("\x0c"
                                                     "double\0ufix12\0cint8\0Pair\0"));
        QTest::newRow("second type names")
            << request(12, hex("0d")) << reply(12, 0, literal("\x0dreal_T\0ufix12\0cint8\0Pair\0"));
        QTest::newRow("bus element names") << request(12, hex("0e"))
                                           << reply(12, 0,
                                                    literal("\x0e"
                                                            "a\0b\0"));
        QTest::newRow("no output names") << request(12, hex("09")) << reply(12, 0, hex("09"));
        QTest::newRow("signals") << request(5)
                                 << reply(5, 0,
                                          hex("0300 0000 0000 0000 02 000000 6400 0000 0000 00 01 0100 0000"
                                              "0400 0100 0100 0000 01 000000 0700 0300 0000 02 02 0200 0300"));
        QTest::newRow("inputs") << request(9)
                                << reply(9, 0, hex("0500 0000 0000 0000 01 000000 0000 0200 0000 00 01 0100 0000"));
        QTest::newRow("outputs") << request(10) << reply(10, 0);
        QTest::newRow("states") << request(8)
                                << reply(8, 0, hex("0600 0000 0000 0000 0000 0000 0000 01 01 0400 0000 00000000 0900"));
        QTest::newRow("block parameters") << request(6)
                                          << reply(6, 0,
                                                   hex("0700 0000 0000 0000 00 00 0100 0100 01 01 0200 0000"
                                                       "0800 0000 0100 0100 00 00 0000 0000 01 01 0000 0000"));
        QTest::newRow("model parameters")
            << request(7) << reply(7, 0, hex("0900 0100 0000 0000 02 00 0200 0000 00 01 0100 0000"));
        // 2.25 is raw (2.25 - 1) / 0.125 = 10; infinity saturates at 4095, the largest of 12 bits.
        QTest::newRow("block parameter memory") << request(11, hex("02")) << reply(11, 0, hex("02 0a00 ff0f"));
        QTest::newRow("model parameter memory") << request(11, hex("03")) << reply(11, 0, hex("03 fd03"));
        QTest::newRow("data types") << request(18)
                                    << reply(18, 0,
                                             hex("0000 0000 0000 0000 0000 0800 00 00 00 00"
                                                 "0000 0100 0000 0000 0000 0200 05 00 00 00"
                                                 "0000 0200 0000 0000 0000 0200 02 01 00 00"
                                                 "0000 0300 0000 0200 0000 0c00 ff 00 00 00"));
        QTest::newRow("bus elements") << request(19)
                                      << reply(19, 0,
                                               hex("0000 0000 0000 0000 0000 00 01 0100 0000"
                                                   "0000 0100 0800 0100 0100 01 01 0200 0000"));
        QTest::newRow("fixed point, after the record that stands for none")
            << request(20)
            << reply(20, 0, QByteArray(24, '\0') + hex("00000000 00 0c fe 00 000000000000e03f 000000000000f03f"));
        QTest::newRow("no active signals") << request(17) << reply(17, 0);
    }

    void describesTheModel()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, expected);
        Board board;
        board.monitoringControl()->setModel(small());
        const QList<QByteArray> replies = (board.hostSends(request), board.replies());
        QCOMPARE(replies.size(), 1);
        QCOMPARE(replies.first().toHex(' '), expected.toHex(' '));
    }

    void longRepliesAreSplit()
    {
        Board board;
        QByteArray text = json("{'types': [{'name': 'd', 'id': 0}], 'signals': [");
        for (int i = 0; i < 100; ++i)
            text += (i ? "," : "") + json("{'ref': ") + QByteArray::number(i)
                    + json(", 'type': 'd', 'name': 'signal number ") + QByteArray::number(i) + "\"}";
        QString error;
        const auto model = MonitoringModelFile::parse(text + "]}", &error);
        QVERIFY2(model, qPrintable(error));
        board.monitoringControl()->setModel(*model);
        board.hostSends(request(12, hex("05")));
        QCOMPARE(board.control.size(), 2);
        QCOMPARE(board.control[0].size(), 1018);
        const QByteArray whole = board.control[0] + board.control[1];
        QCOMPARE(le<uint16_t>(whole, 2), whole.size());
        QVERIFY(whole.endsWith(literal("signal number 99\0")));
    }

    void refusesRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int16_t>("command");

        QTest::newRow("raw data of kind 4") << request(11, hex("04")) << int16_t(11);
        QTest::newRow("raw data without a kind") << request(11) << int16_t(11);
        QTest::newRow("string table 15") << request(12, hex("0f")) << int16_t(12);
        QTest::newRow("a list asked with a payload") << request(5, hex("00")) << int16_t(5);
        QTest::newRow("command 3") << request(3) << int16_t(3);
        QTest::newRow("update parameters from the host") << request(14) << int16_t(14);
        QTest::newRow("stream of an unknown reference") << streamRequest(99, 0, 10, 8, 0) << int16_t(15);
        QTest::newRow("stream of a parameter") << streamRequest(7, 0, 10, 2, 0) << int16_t(15);
        QTest::newRow("stream in the wrong model") << streamRequest(3, 1, 10, 8, 0) << int16_t(15);
        QTest::newRow("stream beyond the value") << streamRequest(3, 0, 10, 8, 1) << int16_t(15);
        QTest::newRow("stream of 17 bytes") << streamRequest(4, 1, 10, 17, 0) << int16_t(15);
        QTest::newRow("stream of 0 bytes") << streamRequest(4, 1, 10, 0, 0) << int16_t(15);
        QTest::newRow("stream rate -2") << streamRequest(3, 0, -2, 8, 0) << int16_t(15);
        QTest::newRow("stream request cut short") << request(15, hex("0300 0000 0a000000 0800")) << int16_t(15);
        QTest::newRow("write beyond the parameter") << parameterWrite(7, 0, 1, 2, 0, hex("0100")) << int16_t(13);
        QTest::newRow("write of the zero-element parameter")
            << parameterWrite(8, 0, 0, 0, 0, hex("0100")) << int16_t(13);
        QTest::newRow("write with another type") << parameterWrite(7, 0, 0, 0, 0, hex("0100")) << int16_t(13);
        QTest::newRow("write into the other memory") << parameterWrite(7, 0, 1, 0, 2, hex("0100")) << int16_t(13);
        QTest::newRow("write into memory 3") << parameterWrite(9, 1, 2, 0, 3, hex("01")) << int16_t(13);
        QTest::newRow("write in the wrong model") << parameterWrite(9, 0, 2, 0, 2, hex("01")) << int16_t(13);
    }

    void refusesRequests()
    {
        QFETCH(QByteArray, request);
        QFETCH(int16_t, command);
        Board board;
        board.monitoringControl()->setModel(small());
        board.hostSends(request);
        QCOMPARE(board.replies(), QList<QByteArray>{reply(command, -22)});
        QVERIFY(board.monitoringData()->streams().isEmpty());
        QCOMPARE(board.reply(11, hex("02")), reply(11, 0, hex("02 0a00 ff0f")));
    }

    void dropsMalformedRequests()
    {
        Board board;
        board.hostSends(hex("0100 0400 00")); // shorter than its header
        board.hostSends(hex("0100 0500 ff")); // a status from the host
        QVERIFY(board.replies().isEmpty());
        QCOMPARE(board.monitoringControl()->rejectedMessages(), 2);
        // A request in two pieces is answered once whole.
        board.hostSends(request(12, hex("0b")).first(3));
        QVERIFY(board.replies().isEmpty());
        board.hostSends(request(12, hex("0b")).sliced(3));
        QCOMPARE(board.replies().size(), 1);
    }

    void answersOnlyWhileTheModelRuns()
    {
        Board board(false);
        board.hostSends(request(1));
        QVERIFY(board.replies().isEmpty());
        board.setServing(true);
        QCOMPARE(board.reply(1), reply(1, 0, hex("02000000 07000000"))); // the fixture's information
        QCOMPARE(board.monitoringControl()->requests().size(), 2);
    }

    // A write changes the parameter memory; the board acknowledges it and then
    // announces the element it changed.
    void parameterWrites()
    {
        Board board;
        board.monitoringControl()->setModel(small());
        board.hostSends(parameterWrite(7, 0, 1, 1, 0, hex("3412")));
        QCOMPARE(board.replies(), (QList<QByteArray>{reply(13, 0, hex("0100 0700")), reply(14, 0, hex("0100 0700"))}));
        QCOMPARE(board.reply(11, hex("02")), reply(11, 0, hex("02 0a00 3412")));

        board.hostSends(parameterWrite(9, 1, 2, 0, 2, hex("8011")));
        QCOMPARE(board.replies(), (QList<QByteArray>{reply(13, 0, hex("0000 0900")), reply(14, 0, hex("0000 0900"))}));
        QCOMPARE(board.reply(11, hex("03")), reply(11, 0, hex("03 8011")));
        QCOMPARE(board.reply(11, hex("02")), reply(11, 0, hex("02 0a00 3412")));
    }

    void faults()
    {
        Board board;
        board.monitoringControl()->setModel(small());
        auto &faults = board.monitoringControl()->faults();
        faults.status.insert(5, -5);
        faults.silent.insert(18);
        QCOMPARE(board.reply(5), reply(5, -5));
        board.hostSends(request(18));
        QVERIFY(board.replies().isEmpty());

        faults.acknowledgeLater = true;
        faults.acceptedStatus = true;
        board.hostSends(streamRequest(3, 0, 100, 8, 0));
        QCOMPARE(board.replies(), (QList<QByteArray>{reply(15, -7), reply(16, -7, hex("0000 0300"))}));
        board.hostSends(parameterWrite(7, 0, 1, 0, 0, hex("0100")));
        QCOMPARE(board.replies(), (QList<QByteArray>{reply(13, -7, hex("0000 0700")), reply(14, 0, hex("0000 0700"))}));
    }

    // Each stream of the fixture model sends its element's value at every step its rate
    // asks for, with the offset field where the variable is not a scalar or is a bus.
    void streamsFollowTheWaveforms_data()
    {
        QTest::addColumn<uint16_t>("ref");
        QTest::addColumn<uint16_t>("model");
        QTest::addColumn<int32_t>("rate");
        QTest::addColumn<uint16_t>("size");
        QTest::addColumn<uint16_t>("offset");
        QTest::addColumn<bool>("withOffset");
        QTest::addColumn<Expected>("expected");

        QTest::newRow("sine, every step") << uint16_t(1) << uint16_t(0) << 1000 << uint16_t(8) << uint16_t(0) << false
                                          << Expected([](int64_t s) { return doubleBytes(sine(s, 1, 1000)); });
        QTest::newRow("ramp at rate 0, every step")
            << uint16_t(2) << uint16_t(0) << 0 << uint16_t(8) << uint16_t(0) << false
            << Expected([](int64_t s) { return doubleBytes(0.001 * double(s)); });
        QTest::newRow("constant at 500 per second, every other step")
            << uint16_t(3) << uint16_t(0) << 500 << uint16_t(8) << uint16_t(0) << false
            << Expected([](int64_t s) { return s % 2 ? QByteArray() : doubleBytes(42.5); });
        QTest::newRow("NaN bursts")
            << uint16_t(4) << uint16_t(0) << 1000 << uint16_t(8) << uint16_t(0) << false
            << Expected([](int64_t s) { return s % 250 < 5 ? hex("000000000000f87f") : doubleBytes(sine(s, 2, 500)); });
        QTest::newRow("infinity bursts")
            << uint16_t(5) << uint16_t(0) << 1000 << uint16_t(8) << uint16_t(0) << false << Expected([](int64_t s) {
                   return s % 400 < 3 ? hex("000000000000f07f") : doubleBytes(0.01 * double(s));
               });
        // Element i of a variable is the waveform plus i × its element step.
        QTest::newRow("element 2 of a single vector")
            << uint16_t(6) << uint16_t(0) << 1000 << uint16_t(4) << uint16_t(8) << true
            << Expected([](int64_t s) { return floatBytes(float(0.5 * double(s % 200) + 20)); });
        QTest::newRow("element 0 of a vector carries its offset too")
            << uint16_t(6) << uint16_t(0) << 1000 << uint16_t(4) << uint16_t(0) << true
            << Expected([](int64_t s) { return floatBytes(float(0.5 * double(s % 200))); });
        QTest::newRow("element (2, 1) of a column-major uint8 matrix")
            << uint16_t(7) << uint16_t(0) << 1000 << uint16_t(1) << uint16_t(5) << true
            << Expected([](int64_t s) { return QByteArray(1, char(s % 80 + 5 * 16)); });
        // Leaves: wheel.speed 0, wheel.slip 1, gear 2, valid 3.
        QTest::newRow("a bus element in a nested bus")
            << uint16_t(8) << uint16_t(0) << 1000 << uint16_t(4) << uint16_t(8) << true
            << Expected([](int64_t s) { return floatBytes(float(sine(s, 10, 2000, 20) + 1)); });
        QTest::newRow("a scalar bus element at offset 0 carries its offset")
            << uint16_t(8) << uint16_t(0) << 1000 << uint16_t(8) << uint16_t(0) << true
            << Expected([](int64_t s) { return doubleBytes(sine(s, 10, 2000, 20)); });
        QTest::newRow("an int16 in a bus")
            << uint16_t(8) << uint16_t(0) << 1000 << uint16_t(2) << uint16_t(12) << true
            << Expected([](int64_t s) { return leBytes<int16_t>(int16_t(std::nearbyint(sine(s, 10, 2000, 20) + 2))); });
        // The raw value of a slope of 0.1 rounds to the nearest step.
        QTest::newRow("fixed point")
            << uint16_t(9) << uint16_t(0) << 1000 << uint16_t(2) << uint16_t(0) << false
            << Expected([](int64_t s) { return leBytes<int16_t>(int16_t(std::nearbyint(sine(s, 100, 1000) / 0.1))); });
        QTest::newRow("enumeration of int32")
            << uint16_t(10) << uint16_t(0) << 1000 << uint16_t(4) << uint16_t(0) << false
            << Expected([](int64_t s) { return leBytes<int32_t>(int32_t(std::nearbyint(0.01 * double(s % 400)))); });
        QTest::newRow("complex double, real then imaginary")
            << uint16_t(11) << uint16_t(0) << 1000 << uint16_t(16) << uint16_t(0) << false
            << Expected([](int64_t s) { return doubleBytes(sine(s, 3, 250)) + doubleBytes(-sine(s, 3, 250)); });
        QTest::newRow("boolean")
            << uint16_t(17) << uint16_t(0) << 1000 << uint16_t(1) << uint16_t(0) << false
            << Expected([](int64_t s) { return QByteArray(1, char(sine(s, 1, 200) != 0 ? 1 : 0)); });
        QTest::newRow("a signal of the referenced model")
            << uint16_t(19) << uint16_t(1) << 1000 << uint16_t(8) << uint16_t(0) << false
            << Expected([](int64_t s) { return doubleBytes(0.0005 * double(s)); });
        QTest::newRow("a state") << uint16_t(30) << uint16_t(1) << 1000 << uint16_t(8) << uint16_t(0) << false
                                 << Expected([](int64_t s) { return doubleBytes(0.0005 * double(s)); });
        QTest::newRow("a root input") << uint16_t(40) << uint16_t(0) << 1000 << uint16_t(8) << uint16_t(0) << false
                                      << Expected([](int64_t) { return doubleBytes(1.5); });
        QTest::newRow("a root output") << uint16_t(50) << uint16_t(0) << 1000 << uint16_t(8) << uint16_t(0) << false
                                       << Expected([](int64_t s) { return doubleBytes(sine(s, 4, 1000)); });
    }

    void streamsFollowTheWaveforms()
    {
        QFETCH(uint16_t, ref);
        QFETCH(uint16_t, model);
        QFETCH(int32_t, rate);
        QFETCH(uint16_t, size);
        QFETCH(uint16_t, offset);
        QFETCH(bool, withOffset);
        QFETCH(Expected, expected);

        Board board;
        board.hostSends(streamRequest(ref, model, rate, size, offset, 1));
        QCOMPARE(board.replies(), QList<QByteArray>{reply(15, 0, leBytes(offset) + leBytes(ref))});
        board.monitoringData()->produce(600 * 1000000 + 999999);
        QStringList received;
        for (const QByteArray &message : std::as_const(board.data))
            received += records(message, {{ref, {withOffset, size}}});
        QStringList wanted;
        for (int64_t step = 1; step <= 600; ++step) {
            const QByteArray value = expected(step);
            if (!value.isEmpty())
                wanted << sampleLine(ref, withOffset ? offset : 0, step * 1000000, value);
        }
        QCOMPARE(received, wanted);
    }

    // Samples of several streams go step by step, in the order the streams started; a
    // message fills one packet, and a stopped stream sends nothing more.
    void messagesOfSeveralStreams()
    {
        Board board;
        board.hostSends(streamRequest(1, 0, 1000, 8, 0));
        board.hostSends(streamRequest(6, 0, 500, 4, 4));
        board.hostSends(streamRequest(16, 0, 0, 2, 0));
        QCOMPARE(board.replies().size(), 3);
        BoardMonitoringData *data = board.monitoringData();
        data->produce(100 * 1000000);

        const QMap<uint16_t, std::pair<bool, uint16_t>> layout{{1, {false, 8}}, {6, {true, 4}}, {16, {false, 2}}};
        QStringList received;
        for (const QByteArray &message : std::as_const(board.data)) {
            QVERIFY(message.size() <= 1018);
            received += records(message, layout);
        }
        QStringList wanted;
        for (int64_t s = 1; s <= 100; ++s) {
            wanted << sampleLine(1, 0, s * 1000000, doubleBytes(sine(s, 1, 1000)));
            if (s % 2 == 0)
                wanted << sampleLine(6, 4, s * 1000000, floatBytes(float(0.5 * double(s) + 10)));
            wanted << sampleLine(16, 0, s * 1000000, leBytes<uint16_t>(uint16_t(s)));
        }
        QCOMPARE(received, wanted);
        // 250 records of 8 to 14 bytes: each message but the last is as full as a
        // packet allows.
        QCOMPARE(board.data.size(), 3);
        QVERIFY(board.data[0].size() > 1018 - 14 && board.data[1].size() > 1018 - 14);
        QCOMPARE(le<int64_t>(board.data[1], 4) % 1000000, 0);

        board.hostSends(streamRequest(1, 0, -1, 8, 0));
        QCOMPARE(board.replies(), QList<QByteArray>{reply(15, 0, hex("0000 0100"))});
        QCOMPARE(board.reply(17), reply(17, 0,
                                        hex("0600 0000 f4010000 0400 0400 01 000000"
                                            "1000 0000 00000000 0200 0000 01 000000")));
        board.data.clear();
        data->produce(102 * 1000000);
        received.clear();
        for (const QByteArray &message : std::as_const(board.data))
            received += records(message, layout);
        QCOMPARE(received, (QStringList{sampleLine(16, 0, 101000000, leBytes<uint16_t>(101)),
                                        sampleLine(6, 4, 102000000, floatBytes(float(0.5 * 102 + 10))),
                                        sampleLine(16, 0, 102000000, leBytes<uint16_t>(102))}));
    }

    // The board sends at most the last 1000 steps of a late tick; time offsets stay
    // within a message's 32-bit range.
    void lateTicksLoseOldSteps()
    {
        Board board;
        board.hostSends(streamRequest(16, 0, 0, 2, 0));
        board.monitoringData()->produce(int64_t(5000) * 1000000);
        QStringList received;
        for (const QByteArray &message : std::as_const(board.data))
            received += records(message, {{16, {false, 2}}});
        QCOMPARE(received.size(), 1000);
        QCOMPARE(received.first(), sampleLine(16, 0, 4001000000, leBytes<uint16_t>(4001)));
        QCOMPARE(received.last(), sampleLine(16, 0, 5000000000, leBytes<uint16_t>(5000)));
    }

    // When the application stops or the service closes, the streams end.
    void streamsEndWithTheModel()
    {
        Board board;
        board.hostSends(streamRequest(16, 0, 0, 2, 0));
        board.monitoringData()->produce(2 * 1000000);
        QVERIFY(!board.data.isEmpty());
        board.setServing(false);
        board.data.clear();
        board.monitoringData()->produce(4 * 1000000);
        QVERIFY(board.data.isEmpty());
        QVERIFY(board.monitoringData()->streams().isEmpty());
        board.setServing(true);
        board.monitoringData()->produce(6 * 1000000);
        QVERIFY(board.data.isEmpty());
    }

    // The board's own clock drives the streams: timestamps keep rising and each
    // value follows from its timestamp.
    void streamsInRealTime()
    {
        Board board;
        board.monitoringData()->setTicking(true);
        board.hostSends(streamRequest(1, 0, 1000, 8, 0));
        QTRY_VERIFY_WITH_TIMEOUT(board.data.size() >= 3, 5000);
        int64_t previous = 0;
        for (const QByteArray &message : std::as_const(board.data)) {
            for (const QString &line : records(message, {{1, {false, 8}}})) {
                const QStringList parts = line.split(' ');
                const int64_t time = parts[2].toLongLong();
                QVERIFY(time > previous);
                QCOMPARE(time % 1000000, 0);
                QCOMPARE(parts[3], QString::fromLatin1(doubleBytes(sine(time / 1000000, 1, 1000)).toHex()));
                previous = time;
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_BoardMonitoring)
#include "tst_BoardMonitoring.moc"
