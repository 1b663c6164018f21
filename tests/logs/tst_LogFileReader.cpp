#include "HlfFixture.h"
#include "LogFileReader.h"

#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using hlf::Fixture;

namespace {

hlf::Signal signal(const char *name, std::uint16_t type, std::uint16_t sampleSize, std::uint16_t flags = 0)
{
    hlf::Signal s;
    s.name = name;
    s.blockName = std::string("model/") + name;
    s.label = std::string("label of ") + name;
    s.type = type;
    s.sampleSize = sampleSize;
    s.flags = flags;
    return s;
}

// Time (double), a uint16 counter and an int8 vector of 3.
Fixture threeSignals()
{
    Fixture f;
    f.metadata = {{"logCounter", "7"}, {"Date", "2024-11-12"}, {"Time", "11:45:45"}, {"serial", "SN-0042"}};
    f.signalRecords = {signal("time", 0, 8, 0x10), signal("counter", 5, 2), signal("vector", 2, 3)};
    f.signalRecords[2].dimensions = {3};
    return f;
}

QByteArray recordSample(int record, int signalIndex)
{
    switch (signalIndex) {
    case 0:
        return hlf::sample<double>({record * 0.5});
    case 1:
        return hlf::sample<std::uint16_t>({std::uint16_t(record)});
    default:
        return hlf::sample<std::int8_t>({std::int8_t(record), std::int8_t(-record), 3});
    }
}

std::string bytesOf(const QByteArray &bytes)
{
    return bytes.toStdString();
}

std::istringstream streamOf(const QByteArray &bytes)
{
    return std::istringstream(bytesOf(bytes));
}

// Fails reads with an error that is not an end of file after the first few bytes.
class FailingBuffer : public std::streambuf
{
public:
    explicit FailingBuffer(QByteArray bytes, std::size_t readable)
        : m_bytes(std::move(bytes))
    {
        setg(m_bytes.data(), m_bytes.data(), m_bytes.data() + readable);
    }

protected:
    int_type underflow() override { throw std::runtime_error("device gone"); }

private:
    QByteArray m_bytes;
};

} // namespace

class tst_LogFileReader : public QObject
{
    Q_OBJECT

private slots:
    void opensValidFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("legacy");
        QTest::addColumn<QStringList>("metadata"); // key=value, sorted by key; empty list: absent
        QTest::addColumn<int>("signalCount");

        Fixture f = threeSignals();
        for (std::uint8_t version : {0, 1, 255}) {
            f.version = version;
            QTest::addRow("current, version byte %d", version)
                << f.build().bytes << int(version) << false
                << QStringList{"Date=2024-11-12", "Time=11:45:45", "logCounter=7", "serial=SN-0042"} << 3;
        }

        Fixture repeated = threeSignals();
        repeated.metadata = {{"serial", "old"}, {"fileName", "log_7"}, {"serial", "new"}};
        QTest::newRow("a repeated key keeps the later value")
            << repeated.build().bytes << 1 << false << QStringList{"fileName=log_7", "serial=new"} << 3;

        Fixture empty;
        QTest::newRow("no metadata pairs and no signals") << empty.build().bytes << 1 << false << QStringList{"="} << 0;

        Fixture legacy = threeSignals();
        legacy.legacy = true;
        QTest::newRow("legacy") << legacy.build().bytes << 2 << true << QStringList{} << 3;
    }
    void opensValidFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, version);
        QFETCH(bool, legacy);
        QFETCH(QStringList, metadata);
        QFETCH(int, signalCount);

        auto stream = streamOf(file);
        const LogFileReader reader(stream);
        QCOMPARE(reader.version(), version);
        QCOMPARE(reader.isLegacy(), legacy);
        QCOMPARE(int(reader.signalList()->size()), signalCount);
        if (metadata.isEmpty()) {
            QVERIFY(!reader.metadata().has_value());
        } else {
            QVERIFY(reader.metadata().has_value());
            QStringList pairs;
            for (const auto &[key, value] : *reader.metadata())
                pairs << QString::fromStdString(key + "=" + value);
            QCOMPARE(pairs, metadata == QStringList{"="} ? QStringList{} : metadata);
        }
    }

    void readsSignalRecords_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::newRow("current") << false;
        QTest::newRow("legacy") << true;
    }
    void readsSignalRecords()
    {
        QFETCH(bool, legacy);
        Fixture f = threeSignals();
        f.legacy = legacy;
        f.signalRecords[1].startT = 1.5f;
        f.signalRecords[1].stopT = 100.25f;
        f.signalRecords[1].stepT = 0.001f;
        f.signalRecords[1].sampleTime = -0.5f;
        f.signalRecords[2].dimensions = {3, 2, 1};
        hlf::Signal bare = signal("", 8, 1);
        bare.blockName = bare.label = "";
        bare.dimensions = {};
        f.signalRecords.push_back(bare);
        const auto built = f.build();

        auto stream = streamOf(built.bytes);
        const LogFileReader reader(stream);
        const auto &list = *reader.signalList();
        QCOMPARE(list.size(), f.signalRecords.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const auto &expected = f.signalRecords[i];
            QCOMPARE(list[i].name, expected.name);
            QCOMPARE(list[i].blockName, expected.blockName);
            QCOMPARE(list[i].label, expected.label);
            QCOMPARE(list[i].dataType, expected.type);
            QCOMPARE(list[i].flags, expected.flags);
            QCOMPARE(list[i].startT, expected.startT);
            QCOMPARE(list[i].stopT, expected.stopT);
            QCOMPARE(list[i].stepT, expected.stepT);
            QCOMPARE(list[i].sampleTime, expected.sampleTime);
            QCOMPARE(list[i].sampleSize, expected.sampleSize);
            QCOMPARE(list[i].dimensions, expected.dimensions);
            QCOMPARE(list[i].index, int(i));
        }
        QVERIFY(list[0].isTimeSignal());
        QCOMPARE(reader.signalListOffset(), built.signalListOffset);
        QCOMPARE(reader.dataSectionOffset(), built.dataSectionOffset);
        QCOMPARE(reader.dataSection().dataStart(), built.dataStart);
    }

    void legacyOffsetsAreRelativeToTheDataHeader()
    {
        Fixture f = threeSignals();
        f.legacy = true;
        f.startOffset = 40;
        f.thirdOffset = 0xFFFFFFF0u;
        f.addFullRecords(3, recordSample);
        const auto built = f.build();

        auto stream = streamOf(built.bytes);
        const LogFileReader reader(stream);
        const auto &section = reader.dataSection();
        QCOMPARE(section.startOffset(), built.start);
        QCOMPARE(section.endOffset(), built.end);
        QCOMPARE(section.thirdOffset(), std::uint32_t(0xFFFFFFF0u + built.dataSectionOffset));
        int records = 0;
        for (auto it = section.begin(); it != section.end(); ++it, ++records)
            QCOMPARE(it->entries().size(), std::size_t(3));
        QCOMPARE(records, 3);
    }

    void refusesCorruptFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("unknownMagic");

        Fixture f = threeSignals();
        f.addFullRecords(4, recordSample);
        const auto good = f.build();
        const auto spoil = [&](const std::function<void(QByteArray &)> &change) {
            QByteArray bytes = good.bytes;
            change(bytes);
            return bytes;
        };
        const auto fixHeaderCrc = [](QByteArray &b) { hlf::putU32(b, 16, hlf::crc(b, 0, 16)); };
        const auto setDataHeader = [&](QByteArray &b, std::uint32_t start, std::uint32_t end) {
            const auto at = qsizetype(good.dataSectionOffset);
            hlf::putU32(b, at, start);
            hlf::putU32(b, at + 4, end);
            hlf::putU32(b, at + 12, hlf::crc(b, at, 12));
        };

        QTest::newRow("foreign magic") << spoil([](QByteArray &b) { b[1] = 'X'; }) << "Unknown log file format" << true;
        QTest::newRow("a text file") << QByteArray("hello, world\n") << "Unknown log file format" << true;
        QTest::newRow("empty file") << QByteArray() << "Unexpected end of file" << false;
        QTest::newRow("three bytes") << good.bytes.left(3) << "Unexpected end of file" << false;
        QTest::newRow("cut inside the header") << good.bytes.left(12) << "Unexpected end of file" << false;
        QTest::newRow("version byte changed")
            << spoil([](QByteArray &b) { b[0] = char(b[0] ^ 0x40); }) << "Fileheader CRC mismatch" << false;
        QTest::newRow("data offset changed")
            << spoil([](QByteArray &b) { b[5] = char(b[5] + 1); }) << "Fileheader CRC mismatch" << false;
        QTest::newRow("header checksum changed")
            << spoil([](QByteArray &b) { b[19] = char(b[19] ^ 1); }) << "Fileheader CRC mismatch" << false;
        QTest::newRow("metadata value byte changed")
            << spoil([&](QByteArray &b) { b[qsizetype(good.signalListOffset) - 5] = 'X'; }) << "Metadata CRC error"
            << false;
        QTest::newRow("signal name byte changed")
            << spoil([&](QByteArray &b) { b[qsizetype(good.signalListOffset) + 2 + 23 + 2 + 2] = 'X'; })
            << "Metadata CRC error" << false;
        QTest::newRow("data header start changed") << spoil([&](QByteArray &b) {
            b[qsizetype(good.dataSectionOffset)] = char(b[qsizetype(good.dataSectionOffset)] + 1);
        }) << "Data header CRC failed" << false;
        QTest::newRow("cut inside the metadata")
            << good.bytes.left(qsizetype(good.metadataOffset) + 9) << "Unexpected end of file" << false;
        QTest::newRow("cut inside the signal list")
            << good.bytes.left(qsizetype(good.signalListOffset) + 30) << "Unexpected end of file" << false;
        QTest::newRow("cut inside the data header")
            << good.bytes.left(qsizetype(good.dataStart) - 3) << "Unexpected end of file" << false;
        QTest::newRow("signal list offset past the end") << spoil([&](QByteArray &b) {
            hlf::putU32(b, 8, std::uint32_t(b.size() + 100));
            fixHeaderCrc(b);
        }) << "Unexpected end of file" << false;
        QTest::newRow("metadata offset past the end") << spoil([&](QByteArray &b) {
            hlf::putU32(b, 12, 0xFFFFFFF0u);
            fixHeaderCrc(b);
        }) << "Unexpected end of file" << false;
        QTest::newRow("data region cut short")
            << good.bytes.left(qsizetype(good.end) - 5) << "Unexpected end of file" << false;
        QTest::newRow("start past the end of the file")
            << spoil([&](QByteArray &b) { setDataHeader(b, std::uint32_t(b.size() + 1), std::uint32_t(good.end)); })
            << "Unexpected end of file" << false;
        QTest::newRow("start inside the headers")
            << spoil([&](QByteArray &b) { setDataHeader(b, 4, std::uint32_t(good.end)); })
            << "Data section offsets out of range" << false;
        QTest::newRow("end inside the headers") << spoil([&](QByteArray &b) {
            setDataHeader(b, std::uint32_t(good.start), std::uint32_t(good.dataStart - 1));
        }) << "Data section offsets out of range"
                                                << false;

        Fixture legacy = threeSignals();
        legacy.legacy = true;
        const auto legacyBuilt = legacy.build();
        QTest::newRow("legacy cut inside the signal list")
            << legacyBuilt.bytes.left(40) << "Unexpected end of file" << false;
        QByteArray unterminated = legacyBuilt.bytes.left(8 + 4 + 2 + 23 + 2);
        unterminated.append(QByteArray(100, 'n'));
        QTest::newRow("legacy name without its zero byte") << unterminated << "Unexpected end of file" << false;
    }
    void refusesCorruptFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QFETCH(bool, unknownMagic);
        auto stream = streamOf(file);
        try {
            LogFileReader reader(stream);
            QFAIL("the file was accepted");
        } catch (const UnknownMagic &e) {
            QVERIFY(unknownMagic);
            QCOMPARE(QString::fromStdString(e.what()), message);
        } catch (const FileFormatException &e) {
            QVERIFY(!unknownMagic);
            QCOMPARE(QString::fromStdString(e.what()), message);
        }
    }

    void streamFailureIsNotAnEndOfFile()
    {
        Fixture f = threeSignals();
        FailingBuffer buffer(f.build().bytes, 30);
        std::istream stream(&buffer);
        try {
            LogFileReader reader(stream);
            QFAIL("the file was accepted");
        } catch (const FileFormatException &e) {
            QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("Error while reading file"));
        }
    }

    // Every record comes out once, in order, with its signals and samples, and the
    // walk counts the bytes it consumed as the generator laid them out.
    void walksTheRecords_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<std::vector<hlf::Record>>("records");
        QTest::addColumn<std::vector<std::uint64_t>>("consumedBefore");
        QTest::addColumn<std::uint64_t>("totalBytes");

        const auto add = [](const char *name, const Fixture &f) {
            const auto built = f.build();
            const std::uint64_t fileSize = std::uint64_t(built.bytes.size());
            const std::uint64_t total = built.end >= built.start
                                            ? built.end - built.start
                                            : (fileSize - built.dataStart) - (built.start - built.end);
            QTest::newRow(name) << built.bytes << f.records << built.consumedBefore << total;
        };

        Fixture none = threeSignals();
        none.startOffset = 100;
        add("start equals end: no record", none);

        Fixture linear = threeSignals();
        linear.addFullRecords(50, recordSample);
        add("records in one run", linear);

        Fixture pages = threeSignals();
        pages.addFullRecords(400, recordSample); // 7400 bytes: records skip to the next page
        add("records over several pages", pages);

        Fixture exact = threeSignals();
        exact.signalRecords = {signal("time", 0, 8, 0x10), signal("pad", 3, 7)}; // records of 16 bytes
        exact.startOffset = 4096 - exact.build().dataStart % 4096;               // first record on a boundary
        exact.addFullRecords(600, [](int r, int s) {
            return s == 0 ? hlf::sample<double>({double(r)}) : QByteArray(7, char(r));
        });
        add("records ending exactly on page boundaries", exact);

        Fixture filler = threeSignals();
        filler.addFullRecords(30, recordSample);
        filler.records[12].fillerBefore = true;
        filler.records[20].fillerBefore = true;
        add("filler pages in the middle", filler);

        Fixture wrapped = threeSignals();
        wrapped.regionSize = 3 * 4096 + 1000; // the last page is short
        wrapped.startOffset = 2 * 4096 + 500;
        wrapped.addFullRecords(300, recordSample);
        add("wrapped around the end of the file", wrapped);

        Fixture onFiller = threeSignals(); // as a writer leaves it that wrapped at a page end
        onFiller.startOffset = 4096 - onFiller.build().dataStart % 4096 - 10;
        onFiller.addFullRecords(3, recordSample);
        onFiller.records[0].fillerBefore = true;
        add("start on filler before a page boundary", onFiller);

        Fixture partial = threeSignals();
        partial.addFullRecords(20, recordSample);
        for (int r = 0; r < 20; r += 3)
            partial.records[std::size_t(r)].samples.erase(r % 2 ? 0 : 2);
        partial.records[5].samples.clear();
        add("signals missing from some records", partial);

        Fixture stray = threeSignals();
        stray.addFullRecords(5, recordSample);
        for (auto &record : stray.records)
            record.strayBits = true;
        add("bitmap bits above the last signal", stray);

        Fixture legacy = threeSignals();
        legacy.legacy = true;
        legacy.regionSize = 2 * 4096;
        legacy.startOffset = 4096 + 300;
        legacy.addFullRecords(250, recordSample);
        add("legacy, wrapped", legacy);
    }
    void walksTheRecords()
    {
        QFETCH(QByteArray, file);
        QFETCH(std::vector<hlf::Record>, records);
        QFETCH(std::vector<std::uint64_t>, consumedBefore);
        QFETCH(std::uint64_t, totalBytes);

        auto stream = streamOf(file);
        const LogFileReader reader(stream);
        QCOMPARE(reader.dataSection().totalBytes(), totalBytes);
        std::size_t index = 0;
        for (auto it = reader.dataSection().begin(); it != reader.dataSection().end(); ++it, ++index) {
            QVERIFY2(index < records.size(), "the walk went on past the last record");
            const auto &record = *it;
            const auto &expected = records[index];
            QCOMPARE(record.bytesConsumedBefore(), consumedBefore[index]);
            QCOMPARE(record.entries().size(), expected.samples.size());
            int timeEntry = -1;
            std::size_t e = 0;
            for (const auto &[signalIndex, sample] : expected.samples) {
                const auto &entry = record.entries()[e];
                QCOMPARE(entry.signal->index, signalIndex);
                const auto bytes = entry.sample();
                QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())), sample);
                if (signalIndex == 0)
                    timeEntry = int(e);
                ++e;
            }
            QCOMPARE(record.timeEntryIndex(), timeEntry);
        }
        QCOMPARE(index, records.size());
    }

    // Records and offsets that the format forbids are reported, never read.
    void reportsMalformedRecords_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("goodRecords");
        QTest::addColumn<QString>("message");

        Fixture f;
        f.signalRecords = {signal("time", 0, 8, 0x10), signal("big", 3, 3000)};
        f.startOffset = 4096 - f.build().dataStart % 4096 - 100; // the records end a page
        f.addFullRecords(6, [](int r, int s) { return s == 0 ? hlf::sample<double>({double(r)}) : QByteArray(); });
        for (auto &record : f.records)
            record.samples.erase(1);
        const auto built = f.build();

        QByteArray overrun = built.bytes; // the third record claims 3000 bytes that run past its page
        const auto third = qsizetype(built.recordPositions[2]);
        QVERIFY(third % 4096 + 3009 > 4096);
        overrun[third] = char(overrun[third] | 0x04);
        QTest::newRow("record runs past its page") << overrun << 2 << "Malformed record";

        QByteArray cut = built.bytes.left(qsizetype(built.end) - 4); // the last record loses its end
        const auto header = qsizetype(built.dataSectionOffset);
        hlf::putU32(cut, header + 4, std::uint32_t(cut.size()));
        hlf::putU32(cut, header + 12, hlf::crc(cut, header, 12));
        QTest::newRow("record runs past the end of the file") << cut << 5 << "Unexpected end of file";
    }
    void reportsMalformedRecords()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, goodRecords);
        QFETCH(QString, message);

        auto stream = streamOf(file);
        const LogFileReader reader(stream);
        int records = 0;
        try {
            for (auto it = reader.dataSection().begin(); it != reader.dataSection().end(); ++it)
                (void)*it, ++records;
            QFAIL("the walk ended without a complaint");
        } catch (const FileFormatException &e) {
            QCOMPARE(QString::fromStdString(e.what()), message);
        }
        QCOMPARE(records, goodRecords);
    }

    // Filler behind the wrap that skips past the end of the file again ends the walk
    // instead of sending it round the data region for ever.
    void fillerBehindTheWrapEndsTheWalk()
    {
        Fixture f = threeSignals();
        f.regionSize = 3000; // one short page: every skip to a boundary leaves the file
        f.startOffset = 2000;
        f.addFullRecords(100, recordSample);
        auto built = f.build();
        QVERIFY(built.end < built.start);
        std::size_t afterWrap = 0;
        while (built.recordPositions[afterWrap] > built.dataStart)
            ++afterWrap;
        const auto filler = qsizetype(built.recordPositions[afterWrap + 2]);
        built.bytes[filler] = char(built.bytes[filler] | 0x01);

        auto stream = streamOf(built.bytes);
        const LogFileReader reader(stream);
        std::size_t records = 0;
        for (auto it = reader.dataSection().begin(); it != reader.dataSection().end(); ++it) {
            QVERIFY2(records < f.records.size(), "the walk went round again");
            ++records;
        }
        QCOMPARE(records, afterWrap + 2);
    }

    // Pages are read as the walk reaches them: a file that shrinks under the walk
    // raises the stream's own failure.
    void fileShrinkingDuringTheWalk()
    {
        QTemporaryDir dir;
        const auto path = dir.filePath("shrinking.hlf").toStdString();
        Fixture f = threeSignals();
        f.addFullRecords(2000, recordSample);
        const auto built = f.build();
        std::ofstream(path, std::ios::binary).write(built.bytes.constData(), built.bytes.size());

        std::ifstream stream(path, std::ios::binary);
        const LogFileReader reader(stream);
        std::filesystem::resize_file(path, built.dataStart + 5000);
        int records = 0;
        QVERIFY_THROWS_EXCEPTION(std::ios_base::failure, {
            for (auto it = reader.dataSection().begin(); it != reader.dataSection().end(); ++it)
                ++records;
        });
        QVERIFY(records > 0);
    }
};

QTEST_APPLESS_MAIN(tst_LogFileReader)
#include "tst_LogFileReader.moc"
