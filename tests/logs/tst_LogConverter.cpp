#include "FileFormatException.h"
#include "HlfFixture.h"
#include "LogConverter.h"
#include "LogFileReader.h"
#include "MatDump.h"
#include "MatVariableNames.h"
#include "OutputPathClaim.h"

#include <QDir>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include <matio.h>
#include <sys/stat.h>

using hlf::Fixture;
using Dimensions = std::vector<std::uint16_t>;

namespace {

hlf::Signal signal(const std::string &name, std::uint16_t type, std::uint16_t sampleSize, Dimensions dimensions = {1},
                   std::uint16_t flags = 0)
{
    hlf::Signal s;
    s.name = name;
    s.blockName = "model/" + name;
    s.label = name + " label";
    s.type = type;
    s.sampleSize = sampleSize;
    s.dimensions = std::move(dimensions);
    s.flags = flags;
    return s;
}

hlf::Signal timeSignal()
{
    return signal("time", 0, 8, {1}, 0x10);
}

double recordTime(int record)
{
    return 0.25 * record + 1.0;
}

QByteArray doubles(std::initializer_list<double> values)
{
    QByteArray bytes;
    for (double value : values)
        bytes.append(reinterpret_cast<const char *>(&value), 8);
    return bytes;
}

QByteArray doublesOf(const std::vector<double> &values)
{
    return QByteArray(reinterpret_cast<const char *>(values.data()), qsizetype(values.size() * 8));
}

struct Progress
{
    ConversionStage stage;
    float fraction;
};

} // namespace

class tst_LogConverter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    QString writeLog(const Fixture &fixture)
    {
        const QString path = m_dir.filePath(QStringLiteral("log%1.hlf").arg(++m_files));
        const QByteArray bytes = fixture.build().bytes;
        std::ofstream(path.toStdString(), std::ios::binary).write(bytes.constData(), bytes.size());
        return path;
    }

    // Converts the fixture into a new file of the temporary folder and returns its path.
    QString convert(const Fixture &fixture, ConversionProgress progress = {}, QString output = {})
    {
        std::ifstream stream(writeLog(fixture).toStdString(), std::ios::binary);
        const LogFileReader reader(stream);
        if (output.isEmpty())
            output = m_dir.filePath(QStringLiteral("out%1.mat").arg(m_files));
        LogConverter::convertToMat(output.toStdString(), reader, std::move(progress));
        return output;
    }

    QStringList leftovers() const { return QDir(m_dir.path()).entryList({QStringLiteral("*.part")}, QDir::Files); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Every data type survives the trip through matio and h5py bit for bit, with time
    // as the first dimension and the elements of a sample with the first dimension
    // fastest.
    void roundTripsEveryDataType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("sampleSize");
        QTest::addColumn<Dimensions>("dimensions");
        QTest::addColumn<int>("elementSize");
        QTest::addColumn<QString>("matlabClass");
        QTest::addColumn<QString>("dtype");
        QTest::addColumn<int>("flags");

        QTest::newRow("double") << 0 << 8 << Dimensions{1} << 8 << "double"
                                << "<f8" << 0;
        QTest::newRow("single") << 1 << 4 << Dimensions{1} << 4 << "single"
                                << "<f4" << 0;
        QTest::newRow("int8") << 2 << 1 << Dimensions{1} << 1 << "int8"
                              << "|i1" << 0;
        QTest::newRow("uint8") << 3 << 1 << Dimensions{1} << 1 << "uint8"
                               << "|u1" << 0;
        QTest::newRow("int16") << 4 << 2 << Dimensions{1} << 2 << "int16"
                               << "<i2" << 0;
        QTest::newRow("uint16") << 5 << 2 << Dimensions{1} << 2 << "uint16"
                                << "<u2" << 0;
        QTest::newRow("int32") << 6 << 4 << Dimensions{1} << 4 << "int32"
                               << "<i4" << 0;
        QTest::newRow("uint32") << 7 << 4 << Dimensions{1} << 4 << "uint32"
                                << "<u4" << 0;
        QTest::newRow("boolean as uint8, not logical") << 8 << 1 << Dimensions{1} << 1 << "uint8"
                                                       << "|u1" << 0;
        QTest::newRow("double vector of 3") << 0 << 24 << Dimensions{3} << 8 << "double"
                                            << "<f8" << 0;
        QTest::newRow("int16 matrix 2 x 3") << 4 << 12 << Dimensions{2, 3} << 2 << "int16"
                                            << "<i2" << 0;
        QTest::newRow("uint32 2 x 2 x 2") << 7 << 32 << Dimensions{2, 2, 2} << 4 << "uint32"
                                          << "<u4" << 0;
        QTest::newRow("uint8 without dimensions") << 3 << 1 << Dimensions{} << 1 << "uint8"
                                                  << "|u1" << 0;
        QTest::newRow("single with padding behind the element") << 1 << 6 << Dimensions{1} << 4 << "single"
                                                                << "<f4" << 0;
        QTest::newRow("complex single vector: the first half") << 1 << 16 << Dimensions{2} << 4 << "single"
                                                               << "<f4" << 0x2;
    }
    void roundTripsEveryDataType()
    {
        QFETCH(int, type);
        QFETCH(int, sampleSize);
        QFETCH(Dimensions, dimensions);
        QFETCH(int, elementSize);
        QFETCH(QString, matlabClass);
        QFETCH(QString, dtype);
        QFETCH(int, flags);

        constexpr int kRecords = 10;
        Fixture f;
        f.signalRecords = {timeSignal(), signal("values", std::uint16_t(type), std::uint16_t(sampleSize), dimensions,
                                                std::uint16_t(flags))};
        QRandomGenerator random(std::uint32_t(type * 100 + sampleSize));
        std::vector<QByteArray> samples;
        for (int r = 0; r < kRecords; ++r) {
            QByteArray bytes(sampleSize, '\0');
            for (char &byte : bytes)
                byte = char(random.bounded(256));
            samples.push_back(bytes);
        }
        f.addFullRecords(kRecords,
                         [&](int r, int s) { return s == 0 ? doubles({recordTime(r)}) : samples[std::size_t(r)]; });

        const auto mat = matdump::read(convert(f));
        const auto data = matdump::member(mat.value("values").toObject(), "data");
        QCOMPARE(data.value("class").toString(), matlabClass);
        QCOMPARE(data.value("dtype").toString(), dtype);
        QList<qint64> expectedDims{kRecords};
        for (auto d : dimensions)
            expectedDims << d;
        QCOMPARE(matdump::dims(data), expectedDims);

        std::size_t elements = 1;
        for (auto d : dimensions)
            elements *= d;
        QByteArray expected;
        for (std::size_t element = 0; element < elements; ++element)
            for (int t = 0; t < kRecords; ++t)
                expected += samples[std::size_t(t)].mid(qsizetype(element) * elementSize, elementSize);
        QCOMPARE(matdump::bytes(data).toHex(), expected.toHex());

        const auto time = matdump::member(mat.value("values").toObject(), "t");
        QCOMPARE(time.value("class").toString(), QStringLiteral("double"));
        QCOMPARE(matdump::dims(time), QList<qint64>{kRecords});
        std::vector<double> times;
        for (int r = 0; r < kRecords; ++r)
            times.push_back(recordTime(r));
        QCOMPARE(matdump::bytes(time), doublesOf(times));
        QCOMPARE(data.value("compressed").toString(), QStringLiteral("gzip"));
        QCOMPARE(data.value("level").toInt(), 9);
    }

    // Compression runs through the program's own deflate filter: a signal of many
    // chunks, partly noise, partly repeating, comes back bit for bit through h5py
    // (zlib) and through the filter itself, which also serves reading in this process.
    void largeSignalReadsBackEverywhere()
    {
        constexpr int kRecords = 100000;
        Fixture f;
        f.signalRecords = {timeSignal(), signal("values", 6, 4)};
        QRandomGenerator random(7);
        QByteArray values;
        values.reserve(kRecords * 4);
        for (int r = 0; r < kRecords; ++r) {
            const std::int32_t value = r < kRecords / 2 ? std::int32_t(random.generate()) : r / 1000;
            values.append(reinterpret_cast<const char *>(&value), 4);
        }
        f.addFullRecords(kRecords, [&](int r, int s) { return s == 0 ? doubles({double(r)}) : values.mid(r * 4, 4); });
        const QString output = convert(f);

        const auto data = matdump::member(matdump::read(output).value("values").toObject(), "data");
        QCOMPARE(data.value("compressed").toString(), QStringLiteral("gzip"));
        QVERIFY(matdump::bytes(data) == values);

        mat_t *mat = Mat_Open(QFile::encodeName(output).constData(), MAT_ACC_RDONLY);
        QVERIFY(mat);
        const auto close = qScopeGuard([mat] { Mat_Close(mat); });
        matvar_t *structure = Mat_VarRead(mat, "values");
        QVERIFY(structure);
        const auto free = qScopeGuard([structure] { Mat_VarFree(structure); });
        const matvar_t *read = Mat_VarGetStructFieldByName(structure, "data", 0);
        QVERIFY(read && read->data);
        QCOMPARE(read->nbytes, size_t(values.size()));
        QVERIFY(QByteArray::fromRawData(static_cast<const char *>(read->data), values.size()) == values);
    }

    void writesDescriptionAndMetadata()
    {
        Fixture f;
        f.metadata = {{"serial", "SN-1"},
                      {"unit", "Temp \xC2\xB0"
                               "C"},
                      {"logCounter", "12"},
                      {"serial", "SN-0042"},
                      {"a b", "spaced key"}};
        hlf::Signal described = signal("speed", 0, 8);
        described.blockName = "model/Sub system/\xC3\xBC"
                              "ber";
        described.label = "";
        described.startT = 0.1f;
        described.stopT = 1e30f;
        described.stepT = -2.5f;
        described.sampleTime = 0.001f;
        f.signalRecords = {timeSignal(), described};
        f.addFullRecords(2, [](int r, int) { return doubles({double(r)}); });

        const auto mat = matdump::read(convert(f));
        QCOMPARE(QStringList(mat.keys()), (QStringList{"metadata", "speed", "time"}));

        const auto metadata = mat.value("metadata").toObject();
        QCOMPARE(metadata.value("class").toString(), QStringLiteral("struct"));
        QCOMPARE(matdump::fields(metadata), (QStringList{"a_b", "logCounter", "serial", "unit"}));
        const auto text = [&](const QJsonObject &structure, const char *field) {
            return matdump::member(structure, field).value("text").toString();
        };
        QCOMPARE(text(metadata, "serial"), QStringLiteral("SN-0042"));
        QCOMPARE(text(metadata, "unit"), QStringLiteral("Temp \u00B0C"));
        QCOMPARE(matdump::dims(matdump::member(metadata, "unit")), (QList<qint64>{1, 7}));
        QCOMPARE(text(metadata, "a_b"), QStringLiteral("spaced key"));

        const auto speed = mat.value("speed").toObject();
        QCOMPARE(matdump::fields(speed),
                 (QStringList{"name", "block_name", "label", "startT", "stopT", "stepT", "sampleTime", "data", "t"}));
        QCOMPARE(text(speed, "name"), QStringLiteral("speed"));
        QCOMPARE(text(speed, "block_name"), QStringLiteral("model/Sub system/\u00FCber"));
        QVERIFY(matdump::member(speed, "label").value("empty").toBool());
        const auto scalar = [&](const char *field) {
            const auto member = matdump::member(speed, field);
            [&] { QCOMPARE(matdump::dims(member), QList<qint64>{1}); }();
            return matdump::bytes(member);
        };
        QCOMPARE(scalar("startT"), doubles({double(0.1f)}));
        QCOMPARE(scalar("stopT"), doubles({double(1e30f)}));
        QCOMPARE(scalar("stepT"), doubles({-2.5}));
        QCOMPARE(scalar("sampleTime"), doubles({double(0.001f)}));
    }

    // Times follow the records a signal was present in; a record without the time
    // signal gives NaN, a signal that never appears keeps "data" and "t" empty.
    void collectsSamplesPerSignal()
    {
        Fixture f;
        f.signalRecords = {timeSignal(),          signal("always", 4, 2),  signal("sometimes", 3, 1),
                           signal("never", 0, 8), signal("opaque", 42, 2), signal("rareOpaque", 42, 2)};
        for (int r = 0; r < 9; ++r) {
            hlf::Record record;
            if (r != 4 && r != 7)
                record.samples[0] = doubles({recordTime(r)});
            record.samples[1] = hlf::sample<std::int16_t>({std::int16_t(-r)});
            if (r % 3 == 1)
                record.samples[2] = hlf::sample<std::uint8_t>({std::uint8_t(r)});
            record.samples[4] = QByteArray(2, char(r));
            if (r % 2 == 0)
                record.samples[5] = QByteArray(2, char(r));
            f.records.push_back(record);
        }
        QTest::ignoreMessage(QtWarningMsg, "Signal \"opaque\" has the unknown data type 42; its data is left empty");
        QTest::ignoreMessage(QtWarningMsg,
                             "Signal \"rareOpaque\" has the unknown data type 42; its data is left empty");
        const auto mat = matdump::read(convert(f));
        const double nan = std::numeric_limits<double>::quiet_NaN();

        const auto always = mat.value("always").toObject();
        std::vector<double> times;
        for (int r = 0; r < 9; ++r)
            times.push_back(r == 4 || r == 7 ? nan : recordTime(r));
        QCOMPARE(matdump::bytes(matdump::member(always, "t")), doublesOf(times));
        QCOMPARE(matdump::dims(matdump::member(always, "data")), (QList<qint64>{9, 1}));

        const auto sometimes = mat.value("sometimes").toObject();
        // present in records 1, 4 and 7, the last two without a time
        QCOMPARE(matdump::bytes(matdump::member(sometimes, "t")), doublesOf({recordTime(1), nan, nan}));
        QCOMPARE(matdump::bytes(matdump::member(sometimes, "data")), QByteArray("\x01\x04\x07"));

        const auto never = mat.value("never").toObject();
        QVERIFY(matdump::member(never, "data").value("empty").toBool());
        QVERIFY(matdump::member(never, "t").value("empty").toBool());

        // A type the converter cannot map keeps the times but no data.
        const auto opaque = mat.value("opaque").toObject();
        QCOMPARE(matdump::dims(matdump::member(opaque, "t")), QList<qint64>{9});
        QVERIFY(matdump::member(opaque, "data").value("empty").toBool());
        // Also when it lacks in some records, so that its times are its own.
        const auto rareOpaque = mat.value("rareOpaque").toObject();
        QCOMPARE(matdump::bytes(matdump::member(rareOpaque, "t")),
                 doublesOf({recordTime(0), recordTime(2), nan, recordTime(6), recordTime(8)}));
        QVERIFY(matdump::member(rareOpaque, "data").value("empty").toBool());
    }

    void timeFromTheFirstElementOfTheTimeSample()
    {
        Fixture f;
        f.signalRecords = {signal("time", 1, 8, {1}, 0x10), signal("x", 3, 1)};
        f.addFullRecords(3, [](int r, int s) {
            return s == 0 ? hlf::sample<float>({float(r) + 0.5f, 99.0f}) : QByteArray(1, char(r));
        });
        const auto mat = matdump::read(convert(f));
        QCOMPARE(matdump::bytes(matdump::member(mat.value("x").toObject(), "t")), doubles({0.5, 1.5, 2.5}));
        QCOMPARE(matdump::dims(matdump::member(mat.value("time").toObject(), "data")), (QList<qint64>{3, 1}));
    }

    void variablesOfFilesWithoutSignalsOrMetadata_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<bool>("withMetadata");
        QTest::addColumn<bool>("withSignals");
        QTest::addColumn<QStringList>("variables");
        QTest::newRow("legacy: signals only") << true << false << true << QStringList{"time", "x"};
        QTest::newRow("no signals: metadata only") << false << true << false << QStringList{"metadata"};
        QTest::newRow("neither: an empty file") << false << false << false << QStringList{};
    }
    void variablesOfFilesWithoutSignalsOrMetadata()
    {
        QFETCH(bool, legacy);
        QFETCH(bool, withMetadata);
        QFETCH(bool, withSignals);
        QFETCH(QStringList, variables);
        Fixture f;
        f.legacy = legacy;
        if (withMetadata)
            f.metadata = {{"serial", "SN-1"}};
        if (withSignals) {
            f.signalRecords = {timeSignal(), signal("x", 3, 1)};
            f.addFullRecords(3, [](int r, int s) { return s == 0 ? doubles({double(r)}) : QByteArray(1, 'x'); });
        }
        QCOMPARE(QStringList(matdump::read(convert(f)).keys()), variables);
    }

    void validUniqueNames_data()
    {
        QTest::addColumn<QStringList>("wanted");
        QTest::addColumn<QStringList>("given");
        const QString longName(70, QLatin1Char('n'));
        QTest::newRow("valid names stay")
            << QStringList{"speed", "Speed", "a_1"} << QStringList{"speed", "Speed", "a_1"};
        QTest::newRow("repeats get a number") << QStringList{"speed", "speed", "speed", "speed_2"}
                                              << QStringList{"speed", "speed_2", "speed_3", "speed_2_2"};
        QTest::newRow("characters outside names") << QStringList{"a/b", "Temp \u00B0C", "x.y", "tab\there"}
                                                  << QStringList{"a_b", "Temp___C", "x_y", "tab_here"};
        QTest::newRow("no letter in front") << QStringList{"", "1 bad", "_x"} << QStringList{"x", "x1_bad", "x_x"};
        QTest::newRow("keywords") << QStringList{"end", "for", "ends"} << QStringList{"xend", "xfor", "ends"};
        QTest::newRow("at most 63 characters")
            << QStringList{longName, longName} << QStringList{QString(63, 'n'), QString(61, 'n') + "_2"};
    }
    void validUniqueNames()
    {
        QFETCH(QStringList, wanted);
        QFETCH(QStringList, given);
        MatVariableNames names;
        QStringList result;
        for (const QString &name : wanted)
            result << QString::fromStdString(names.add(name.toStdString()));
        QCOMPARE(result, given);
    }

    // Signals whose names matio would refuse, or which clash, are all in the file,
    // each under its own name, and keep their names in "name".
    void everySignalIsWritten()
    {
        Fixture f;
        f.metadata = {{"serial", "SN-1"}};
        const std::vector<std::string> names{"time", "speed", "speed", "metadata", "a/b", "", "1 bad", "end"};
        for (const auto &name : names)
            f.signalRecords.push_back(signal(name, 0, 8, {1}, name == "time" ? 0x10 : 0));
        f.addFullRecords(2, [](int r, int s) { return doubles({r * 10.0 + s}); });

        const auto mat = matdump::read(convert(f));
        const QStringList expected{"a_b", "metadata", "metadata_2", "speed", "speed_2", "time", "x", "x1_bad", "xend"};
        QCOMPARE(QStringList(mat.keys()), expected);
        const QStringList variables{"time", "speed", "speed_2", "metadata_2", "a_b", "x", "x1_bad", "xend"};
        for (int s = 0; s < variables.size(); ++s) {
            const auto structure = mat.value(variables[s]).toObject();
            const auto name = matdump::member(structure, "name");
            QCOMPARE(name.value("empty").toBool() ? QString() : name.value("text").toString(),
                     QString::fromStdString(names[std::size_t(s)]));
            QCOMPARE(matdump::bytes(matdump::member(structure, "data")), doubles({0.0 + s, 10.0 + s}));
        }
    }

    // A failed conversion leaves no file under its name and no temporary file; an
    // older file of that name stays as it was.
    void failuresLeaveNoFile_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("unwritableFolder");

        const auto withTime = [](hlf::Signal time, QByteArray sample) {
            Fixture f;
            f.signalRecords = {std::move(time), signal("x", 3, 1)};
            f.addFullRecords(3, [&](int, int s) { return s == 0 ? sample : QByteArray(1, 'x'); });
            return f.build().bytes;
        };
        QTest::newRow("complex time") << withTime(signal("time", 0, 16, {1}, 0x12), QByteArray(16, '\0'))
                                      << "TypeConversionError"
                                      << "Data is complex" << false;
        QTest::newRow("time of an unknown type")
            << withTime(signal("time", 9, 8, {1}, 0x10), QByteArray(8, '\0')) << "TypeConversionError"
            << "Unknown data type" << false;
        QTest::newRow("time without dimensions")
            << withTime(signal("time", 0, 8, {}, 0x10), doubles({1})) << "range_error"
            << "Dimension error" << false;
        QTest::newRow("time with a first dimension of 0")
            << withTime(signal("time", 0, 8, {0}, 0x10), doubles({1})) << "range_error"
            << "Out of range" << false;
        QTest::newRow("samples too short for the dimensions")
            << withTime(signal("time", 0, 4, {1}, 0x10), QByteArray(4, '\0')) << "FileFormatException"
            << "Signal \"time\" has samples too short for its dimensions" << false;

        Fixture broken;
        broken.signalRecords = {timeSignal(), signal("big", 3, 4000)};
        broken.startOffset = 4096 - broken.build().dataStart % 4096 - 50;
        broken.addFullRecords(4, [](int r, int s) { return s == 0 ? doubles({double(r)}) : QByteArray(); });
        for (auto &record : broken.records)
            record.samples.erase(1);
        auto built = broken.build();
        const auto third = qsizetype(built.recordPositions[2]);
        built.bytes[third] = char(built.bytes[third] | 0x04); // claims 4000 bytes: past its page
        QTest::newRow("a record past its page while reading") << built.bytes << "FileFormatException"
                                                              << "Malformed record" << false;

        Fixture good;
        good.signalRecords = {timeSignal()};
        good.addFullRecords(2, [](int r, int) { return doubles({double(r)}); });
        QTest::newRow("output folder missing") << good.build().bytes << "runtime_error"
                                               << "Could not open file" << true;
    }
    void failuresLeaveNoFile()
    {
        QFETCH(QByteArray, log);
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(bool, unwritableFolder);

        const QString logPath = m_dir.filePath(QStringLiteral("failing.hlf"));
        std::ofstream(logPath.toStdString(), std::ios::binary | std::ios::trunc).write(log.constData(), log.size());
        const QString output = unwritableFolder ? m_dir.filePath(QStringLiteral("missing/out.mat"))
                                                : m_dir.filePath(QStringLiteral("older.mat"));
        if (!unwritableFolder) {
            QFile older(output);
            QVERIFY(older.open(QIODevice::WriteOnly));
            older.write("older");
        }

        std::ifstream stream(logPath.toStdString(), std::ios::binary);
        const LogFileReader reader(stream);
        QString caught;
        try {
            LogConverter::convertToMat(output.toStdString(), reader, {});
        } catch (const FileFormatException &e) {
            caught = "FileFormatException:" + QString::fromStdString(e.what());
        } catch (const TypeConversionError &e) {
            caught = "TypeConversionError:" + QString::fromStdString(e.what());
        } catch (const std::range_error &e) {
            caught = "range_error:" + QString::fromStdString(e.what());
        } catch (const std::runtime_error &e) {
            caught = "runtime_error:" + QString::fromStdString(e.what());
        }
        QCOMPARE(caught, kind + ":" + message);
        QCOMPARE(leftovers(), QStringList());
        if (unwritableFolder) {
            QVERIFY(!QFile::exists(output));
        } else {
            QFile older(output);
            QVERIFY(older.open(QIODevice::ReadOnly));
            QCOMPARE(older.readAll(), QByteArray("older"));
        }
    }

    void successReplacesAnOlderFile()
    {
        const QString output = m_dir.filePath(QStringLiteral("replaced.mat"));
        QFile older(output);
        QVERIFY(older.open(QIODevice::WriteOnly));
        older.write("older");
        older.close();
        Fixture f;
        f.signalRecords = {timeSignal()};
        f.addFullRecords(2, [](int r, int) { return doubles({double(r)}); });
        convert(f, {}, output);
        QCOMPARE(QStringList(matdump::read(output).keys()), QStringList{"time"});
        QCOMPARE(leftovers(), QStringList());
    }

    // The MAT-file gets the permissions of any new file of the user (0666 under the
    // umask), also when it replaces an older file.
    void fileHasTheUsersPermissionsForNewFiles_data()
    {
        QTest::addColumn<int>("umask");
        QTest::addColumn<bool>("replacesOlderFile");
        QTest::addColumn<int>("mode");
        QTest::newRow("umask 022") << 022 << false << 0644;
        QTest::newRow("umask 027, replacing a file of the user alone") << 027 << true << 0640;
        QTest::newRow("umask 077") << 077 << false << 0600;
        QTest::newRow("umask 0") << 0 << false << 0666;
    }
    void fileHasTheUsersPermissionsForNewFiles()
    {
        QFETCH(int, umask);
        QFETCH(bool, replacesOlderFile);
        QFETCH(int, mode);
        const QString output = m_dir.filePath(QStringLiteral("permissions%1.mat").arg(QTest::currentDataTag()));
        if (replacesOlderFile) {
            QFile older(output);
            QVERIFY(older.open(QIODevice::WriteOnly));
            QVERIFY(older.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        }
        const mode_t umaskBefore = ::umask(mode_t(umask));
        const auto restore = qScopeGuard([umaskBefore] { ::umask(umaskBefore); });
        Fixture f;
        f.signalRecords = {timeSignal()};
        f.addFullRecords(2, [](int r, int) { return doubles({double(r)}); });
        convert(f, {}, output);
        struct stat status
        {
        };
        QCOMPARE(::stat(QFile::encodeName(output).constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
    }

    void refusesAFileThatAnotherConversionWrites()
    {
        const QString output = m_dir.filePath(QStringLiteral("busy.mat"));
        Fixture f;
        f.signalRecords = {timeSignal()};
        f.addFullRecords(2, [](int r, int) { return doubles({double(r)}); });
        {
            const OutputPathClaim other(m_dir.path() + QStringLiteral("/./busy.mat"));
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, convert(f, {}, output));
            QVERIFY(!QFile::exists(output));
            QCOMPARE(leftovers(), QStringList());
        }
        convert(f, {}, output);
        QVERIFY(QFile::exists(output));
    }

    void anExceptionFromTheProgressReportEndsTheConversion()
    {
        Fixture f;
        f.signalRecords = {timeSignal()};
        f.addFullRecords(2000, [](int r, int) { return doubles({double(r)}); });
        const QString output = m_dir.filePath(QStringLiteral("stopped.mat"));
        struct Stop
        {
        };
        QVERIFY_THROWS_EXCEPTION(Stop, convert(
                                           f,
                                           [](ConversionStage stage, float fraction) {
                                               if (stage == ConversionStage::ReadData && fraction > 0.3f)
                                                   throw Stop{};
                                           },
                                           output));
        QVERIFY(!QFile::exists(output));
        QCOMPARE(leftovers(), QStringList());
    }

    void reportsProgressByStage_data()
    {
        QTest::addColumn<int>("signalCount");
        QTest::addColumn<QList<float>>("buildFractions");
        QTest::newRow("no signals") << 0 << QList<float>{0, 1};
        QTest::newRow("one signal") << 1 << QList<float>{0, 1, 1};
        QTest::newRow("three signals") << 3 << QList<float>{0, 0, 0.5, 1, 1};
    }
    void reportsProgressByStage()
    {
        QFETCH(int, signalCount);
        QFETCH(QList<float>, buildFractions);
        Fixture f;
        f.metadata = {{"serial", "SN-1"}};
        for (int s = 0; s < signalCount; ++s)
            f.signalRecords.push_back(signal("s" + std::to_string(s), 0, 8, {1}, s == 0 ? 0x10 : 0));
        if (signalCount > 0)
            f.addFullRecords(3000, [](int r, int) { return doubles({double(r)}); });

        std::vector<Progress> reports;
        convert(f, [&](ConversionStage stage, float fraction) { reports.push_back({stage, fraction}); });

        const auto fractions = [&](ConversionStage stage) {
            QList<float> result;
            for (const auto &report : reports)
                if (report.stage == stage)
                    result << report.fraction;
            return result;
        };
        for (std::size_t i = 1; i < reports.size(); ++i)
            QVERIFY(int(reports[i].stage) >= int(reports[i - 1].stage));
        QCOMPARE(fractions(ConversionStage::Prepare), (QList<float>{0, 0.5f, 1}));
        const auto reading = fractions(ConversionStage::ReadData);
        QCOMPARE(reading.front(), 0.0f);
        QCOMPARE(reading.back(), 1.0f);
        for (qsizetype i = 1; i + 1 < reading.size(); ++i)
            QVERIFY(reading[i] - reading[i - 1] > 0.01f);
        if (signalCount > 0)
            QVERIFY(reading.size() > 50); // the walk reports as it goes, not only at its end
        QCOMPARE(fractions(ConversionStage::BuildArrays), buildFractions);
        QCOMPARE(fractions(ConversionStage::WriteFile), buildFractions);
    }

    void readSampleAsDouble_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<double>>("values");
        QTest::newRow("double") << 0 << doubles({-1.5, 2.25}) << QList<double>{-1.5, 2.25};
        QTest::newRow("single") << 1 << hlf::sample<float>({0.5f, -8}) << QList<double>{0.5, -8};
        QTest::newRow("int8") << 2 << QByteArray("\xff\x7f\x80") << QList<double>{-1, 127, -128};
        QTest::newRow("uint8") << 3 << QByteArray("\xff\x7f\x80") << QList<double>{255, 127, 128};
        QTest::newRow("int16") << 4 << QByteArray("\xff\xff\x00\x80", 4) << QList<double>{-1, -32768};
        QTest::newRow("uint16") << 5 << QByteArray("\xff\xff\x00\x80", 4) << QList<double>{65535, 32768};
        QTest::newRow("int32") << 6 << QByteArray("\xfe\xff\xff\xff", 4) << QList<double>{-2};
        QTest::newRow("uint32") << 7 << QByteArray("\xfe\xff\xff\xff", 4) << QList<double>{4294967294.0};
        QTest::newRow("boolean") << 8 << QByteArray("\x01\x00", 2) << QList<double>{1, 0};
        QTest::newRow("a partial element is left out") << 4 << QByteArray("\x01\x00\x02", 3) << QList<double>{1};
    }
    void readSampleAsDouble()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<double>, values);
        const QByteArray record = QByteArray("ab") + bytes + QByteArray("z");
        const auto array = LogConverter::readSampleAsDouble(
            std::span(reinterpret_cast<const std::uint8_t *>(record.constData()), std::size_t(record.size())),
            std::uint16_t(type), {2, 3}, 2, std::size_t(bytes.size()));
        QCOMPARE(QList<double>(array.values.begin(), array.values.end()), values);
        QCOMPARE(array.dimensions, (std::vector<std::int32_t>{2, 3}));
        QCOMPARE(array.strides, (std::vector<std::int32_t>{3, 1}));
    }

    void readSampleRefusesWhatItCannotRead()
    {
        const std::uint8_t bytes[8] = {};
        QVERIFY_THROWS_EXCEPTION(TypeConversionError, LogConverter::readSampleAsDouble(bytes, 9, {1}, 0, 8));
        QVERIFY_THROWS_EXCEPTION(std::range_error, LogConverter::readSampleAsDouble(bytes, 0, {1}, 4, 8));
        QVERIFY_THROWS_EXCEPTION(std::range_error, LogConverter::readSampleAsDouble(bytes, 3, {2, 65535, 65535}, 0, 8));
    }
};

QTEST_GUILESS_MAIN(tst_LogConverter)
#include "tst_LogConverter.moc"
