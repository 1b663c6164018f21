#include "HlfFixture.h"
#include "LogConverter.h"
#include "LogFileReader.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sstream>

using hlf::Fixture;

// Cut, scrambled and random log files must only ever end in the reader's and the
// converter's own failures: no crash, no read out of bounds (this runs under
// AddressSanitizer), no endless walk, and no MAT-file left behind by a failure.
// The mutations are seeded, so a failure repeats.
namespace {

hlf::Signal signal(const std::string &name, std::uint16_t type, std::uint16_t sampleSize,
                   std::vector<std::uint16_t> dimensions = {1}, std::uint16_t flags = 0)
{
    hlf::Signal s;
    s.name = name;
    s.blockName = "m/" + name;
    s.type = type;
    s.sampleSize = sampleSize;
    s.dimensions = std::move(dimensions);
    s.flags = flags;
    return s;
}

QByteArray patterned(int record, int signalIndex, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(record * 31 + signalIndex * 7 + i);
    return bytes;
}

struct Seed
{
    const char *name;
    hlf::Built built;
};

std::vector<Seed> seeds()
{
    std::vector<Seed> result;

    Fixture wrapped;
    wrapped.metadata = {{"serial", "SN-1"}, {"Date", "2024-01-02"}};
    wrapped.signalRecords = {signal("time", 0, 8, {1}, 0x10), signal("v", 4, 6, {3}), signal("b", 8, 1)};
    wrapped.regionSize = 2 * 4096 + 700;
    wrapped.startOffset = 4096 + 123;
    wrapped.addFullRecords(300, [](int r, int s) {
        return s == 0 ? hlf::sample<double>({double(r)}) : patterned(r, s, s == 1 ? 6 : 1);
    });
    wrapped.records[50].fillerBefore = true;
    for (std::size_t r = 0; r < wrapped.records.size(); r += 5)
        wrapped.records[r].samples.erase(int(r % 3));
    result.push_back({"wrapped", wrapped.build()});

    Fixture legacy = wrapped;
    legacy.legacy = true;
    result.push_back({"legacy", legacy.build()});

    Fixture kinds;
    kinds.signalRecords = {signal("time", 1, 8, {1}, 0x10), signal("c", 1, 16, {2}, 0x2), signal("m", 7, 24, {2, 3}),
                           signal("odd", 77, 3), signal("", 3, 1, {})};
    kinds.addFullRecords(120,
                         [&](int r, int s) { return patterned(r, s, kinds.signalRecords[std::size_t(s)].sampleSize); });
    result.push_back({"every kind of signal", kinds.build()});
    return result;
}

} // namespace

class tst_LogFileRobustness : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_conversions = 0;

    // Returns an empty text when the file ended in an accepted way.
    QString exercise(const QByteArray &bytes, bool convert)
    {
        try {
            std::istringstream stream(bytes.toStdString());
            const LogFileReader reader(stream);
            std::uint64_t steps = 0;
            for (auto it = reader.dataSection().begin(); it != reader.dataSection().end(); ++it) {
                for (const auto &entry : it->entries()) {
                    try {
                        LogConverter::sampleValues(entry);
                    } catch (const TypeConversionError &) {
                    } catch (const std::range_error &) {
                    }
                }
                if (++steps > 2 * std::uint64_t(bytes.size()) + 2)
                    return QStringLiteral("the walk does not end");
            }
            if (convert)
                return convertFile(bytes);
        } catch (const FileFormatException &) {
        } catch (const std::ios_base::failure &) {
        }
        return {};
    }

    QString convertFile(const QByteArray &bytes)
    {
        const QString output = m_dir.filePath(QStringLiteral("out%1.mat").arg(++m_conversions));
        bool converted = false;
        try {
            std::istringstream stream(bytes.toStdString());
            const LogFileReader reader(stream);
            LogConverter::convertToMat(output.toStdString(), reader, {});
            converted = true;
        } catch (const FileFormatException &) {
        } catch (const TypeConversionError &) {
        } catch (const std::range_error &) {
        }
        if (QFile::exists(output) != converted)
            return QStringLiteral("a conversion that ended with %1 left %2 file")
                .arg(converted ? "success" : "failure", converted ? "no" : "a");
        QFile::remove(output);
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Scrambled types make the converter warn about every file.
        QLoggingCategory::setFilterRules(QStringLiteral("Logs.LogConverter.warning=false"));
    }

    void truncatedFiles()
    {
        for (const Seed &seed : seeds()) {
            const QByteArray &bytes = seed.built.bytes;
            for (qsizetype length = 0; length < bytes.size(); length += length < 400 ? 1 : 61) {
                const QString problem = exercise(bytes.left(length), length % 11 == 0);
                QVERIFY2(problem.isEmpty(),
                         qPrintable(QStringLiteral("%1 cut at %2: %3").arg(seed.name).arg(length).arg(problem)));
            }
        }
    }

    // Bytes changed anywhere; header fields changed with their checksums repaired, so
    // that the spoiled values get past the checks and reach the walk.
    void scrambledFiles()
    {
        QRandomGenerator random(20241112);
        const auto all = seeds();
        for (int round = 0; round < 3000; ++round) {
            const Seed &seed = all[std::size_t(round) % all.size()];
            const hlf::Built &built = seed.built;
            QByteArray bytes = built.bytes;
            const bool legacy = bytes.startsWith("L33T");
            const auto dataHeader = qsizetype(built.dataSectionOffset);

            switch (random.bounded(4)) {
            case 0: // anywhere, checksums not repaired
                for (int n = random.bounded(1, 8); n > 0; --n)
                    bytes[random.bounded(bytes.size())] = char(random.bounded(256));
                break;
            case 1: // the data region, which has no checksum
                for (int n = random.bounded(1, 40); n > 0; --n)
                    bytes[random.bounded(qsizetype(built.dataStart), bytes.size())] = char(random.bounded(256));
                break;
            case 2: { // start and end anywhere near the file
                const auto limit = std::uint32_t(bytes.size() + 64);
                const std::uint32_t base = legacy ? std::uint32_t(built.dataSectionOffset) : 0;
                hlf::putU32(bytes, dataHeader, random.bounded(limit) - (random.bounded(2) ? base : 0));
                hlf::putU32(bytes, dataHeader + 4, random.bounded(limit) - (random.bounded(2) ? base : 0));
                hlf::putU32(bytes, dataHeader + 12, hlf::crc(bytes, dataHeader, 12));
                break;
            }
            case 3: { // the signal list, its checksum repaired in place
                const auto from = qsizetype(built.signalListOffset);
                const auto to = dataHeader - (legacy ? 0 : 4);
                for (int n = random.bounded(1, 4); n > 0; --n)
                    bytes[random.bounded(from, to)] = char(random.bounded(256));
                if (!legacy)
                    hlf::putU32(bytes, to, hlf::crc(bytes, from, to - from));
                break;
            }
            }
            const QString problem = exercise(bytes, round % 40 == 0);
            QVERIFY2(problem.isEmpty(),
                     qPrintable(QStringLiteral("%1, round %2: %3").arg(seed.name).arg(round).arg(problem)));
        }
    }

    // Random contents behind a valid header that points into them.
    void randomFiles()
    {
        QRandomGenerator random(7);
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes(random.bounded(20, 9000), '\0');
            for (char &byte : bytes)
                byte = char(random.bounded(256));
            const auto size = std::uint32_t(bytes.size());
            if (round % 2) {
                bytes.replace(0, 4, "L33T");
                hlf::putU32(bytes, 4, random.bounded(size));
            } else {
                bytes[1] = 'F', bytes[2] = 'L', bytes[3] = 'H';
                for (int field = 4; field < 16; field += 4)
                    hlf::putU32(bytes, field, random.bounded(size));
                hlf::putU32(bytes, 16, hlf::crc(bytes, 0, 16));
            }
            const QString problem = exercise(bytes, round % 50 == 0);
            QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(problem)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_LogFileRobustness)
#include "tst_LogFileRobustness.moc"
