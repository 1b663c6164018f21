#include "ErrorHandler.h"
#include "HlfFixture.h"
#include "LogCapture.h"
#include "LogParser.h"
#include "MatDump.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>

using hlf::Fixture;

namespace {

hlf::Signal signal(const std::string &name, std::uint16_t type, std::uint16_t sampleSize, std::uint16_t flags = 0)
{
    hlf::Signal s;
    s.name = name;
    s.type = type;
    s.sampleSize = sampleSize;
    s.flags = flags;
    return s;
}

QByteArray doubleSample(double value)
{
    return hlf::sample<double>({value});
}

// Time, an int16 and a double in every record.
QByteArray goodLog(int records)
{
    Fixture f;
    f.metadata = {{"serial", "SN-0042"}};
    f.signalRecords = {signal("time", 0, 8, 0x10), signal("a", 4, 2), signal("b", 0, 8)};
    return f
        .buildUniform(std::uint64_t(records),
                      [](std::uint64_t r, std::uint8_t *samples) {
                          const double time = double(r) * 0.01;
                          const auto counter = std::int16_t(r);
                          std::memcpy(samples, &time, 8);
                          std::memcpy(samples + 8, &counter, 2);
                          std::memcpy(samples + 10, &time, 8);
                      })
        .bytes;
}

// Collects what the standard error stream receives while it lives.
class ErrorStreamCapture
{
public:
    ErrorStreamCapture()
        : m_previous(std::cerr.rdbuf(m_captured.rdbuf()))
    {
    }
    ~ErrorStreamCapture() { std::cerr.rdbuf(m_previous); }
    QString text() const { return QString::fromStdString(m_captured.str()); }

private:
    std::stringstream m_captured;
    std::streambuf *m_previous;
};

} // namespace

class tst_LogParser : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    // Every line the test writes, still printed as well.
    std::optional<LogCapture> m_log;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    QStringList leftovers() const { return QDir(m_dir.path()).entryList({QStringLiteral("*.part")}, QDir::Files); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_log.emplace(LogCapture::everyLine(), LogCapture::Echo::Yes);
    }
    void cleanupTestCase() { m_log.reset(); }

    // Every request ends with the progress at 1 and one conversionFinished that tells
    // success from failure; only a success leaves a MAT-file.
    void everyRequestEnds_data()
    {
        QTest::addColumn<QUrl>("log");
        QTest::addColumn<QString>("outputName");
        QTest::addColumn<bool>("succeeded");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("logLine"); // debug line or standard error text

        QTest::newRow("a good log") << QUrl::fromLocalFile(write("good.hlf", goodLog(500))) << "good.mat" << true << ""
                                    << "";
        QTest::newRow("a plain path instead of a file URL")
            << QUrl(write("plain.hlf", goodLog(5))) << "plain.mat" << true << ""
            << "";
        QTest::newRow("a file of another format")
            << QUrl::fromLocalFile(write("other.hlf", "PK\x03\x04 zip")) << "other.mat" << false
            << "Log file is malformed: Unknown log file format"
            << "Log file is malformed";

        Fixture cutLog;
        cutLog.signalRecords = {signal("time", 0, 8, 0x10)};
        cutLog.addFullRecords(40, [](int r, int) { return doubleSample(r); });
        const auto cutBuilt = cutLog.build();
        QByteArray cut = cutBuilt.bytes.left(qsizetype(cutBuilt.end) - 3);
        const auto header = qsizetype(cutBuilt.dataSectionOffset);
        hlf::putU32(cut, header + 4, std::uint32_t(cut.size()));
        hlf::putU32(cut, header + 12, hlf::crc(cut, header, 12));
        QTest::newRow("a record cut off by the end of the file")
            << QUrl::fromLocalFile(write("cut.hlf", cut)) << "cut.mat" << false
            << "Log file is malformed: Unexpected end of file"
            << "Log file is malformed";

        Fixture complexTime;
        complexTime.signalRecords = {signal("time", 0, 16, 0x12)};
        complexTime.addFullRecords(3, [](int, int) { return QByteArray(16, '\0'); });
        QTest::newRow("a complex time signal") << QUrl::fromLocalFile(write("complex.hlf", complexTime.build().bytes))
                                               << "complex.mat" << false << "Parsing error: Data is complex"
                                               << "Parsing error: Data is complex\n";
        QTest::newRow("an output folder that does not exist")
            << QUrl::fromLocalFile(write("nofolder.hlf", goodLog(5))) << "missing/out.mat" << false
            << "Parsing error: Could not open file"
            << "Parsing error: Could not open file\n";
        QTest::newRow("a missing file") << QUrl::fromLocalFile(m_dir.filePath("absent.hlf")) << "absent.mat" << false
                                        << "The log file could not be opened"
                                        << "failed to open parsefile";
        QTest::newRow("a network location")
            << QUrl("https://example.invalid/log.hlf") << "net.mat" << false << "The log file is not on this machine"
            << "file is not local to this machine, network locations not supported "
               "at the moment";
    }
    void everyRequestEnds()
    {
        QFETCH(QUrl, log);
        QFETCH(QString, outputName);
        QFETCH(bool, succeeded);
        QFETCH(QString, message);
        QFETCH(QString, logLine);

        const QUrl output = QUrl::fromLocalFile(m_dir.filePath(outputName));
        ErrorStreamCapture errors;
        const auto before = m_log->lines().size();
        LogParser parser;
        QSignalSpy progress(&parser, &LogParser::progressChanged);
        QSignalSpy finished(&parser, &LogParser::conversionFinished);

        QCOMPARE(parser.parseLog(log, output), false);
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toUrl(), log);
        QCOMPARE(finished[0][1].toUrl(), output);
        QCOMPARE(finished[0][2].toBool(), succeeded);
        QCOMPARE(finished[0][3].toString(), message);

        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last()[0].toFloat(), 1.0f);
        QCOMPARE(parser.progress(), 1.0f);
        for (qsizetype i = 1; i < progress.size(); ++i)
            QVERIFY(progress[i][0].toFloat() >= progress[i - 1][0].toFloat());

        QCOMPARE(QFile::exists(output.toLocalFile()), succeeded);
        QCOMPARE(leftovers(), QStringList());

        // A failure reaches the user as a warning from the log downloader.
        const AbstractNotification *posted = nullptr;
        for (const auto *notification : ErrorHandler::instance()->getNotificationList())
            if (notification->getMessage() == log.fileName() + " could not be converted: " + message)
                posted = notification;
        QCOMPARE(posted != nullptr, !succeeded);
        if (posted) {
            QCOMPARE(posted->getTitle(), QStringLiteral("Converting log file failed"));
            QCOMPARE(posted->getOrigin(), QStringLiteral("Log downloader"));
            QCOMPARE(posted->getLevel(), halvora::ErrorLevel::Warning);
        }
        if (!logLine.isEmpty())
            QVERIFY2(m_log->lines().mid(before).contains(logLine) || errors.text() == logLine,
                     qPrintable(errors.text() + m_log->lines().mid(before).join('|')));
    }

    void progressPassesTheStagesOfAConversion()
    {
        const QUrl log = QUrl::fromLocalFile(write("stages.hlf", goodLog(20000)));
        const QUrl output = QUrl::fromLocalFile(m_dir.filePath("stages.mat"));
        LogParser parser;
        QSignalSpy progress(&parser, &LogParser::progressChanged);
        QSignalSpy finished(&parser, &LogParser::conversionFinished);
        parser.parseLog(log, output);
        QVERIFY(finished.wait(30000));
        QVERIFY(finished[0][2].toBool());

        QList<float> values;
        for (const auto &arguments : progress)
            values << arguments[0].toFloat();
        QCOMPARE(values.front(), 0.0f);  // a new conversion starts at 0
        QVERIFY(values.contains(0.5f));  // end of the data walk
        QVERIFY(values.contains(0.75f)); // arrays built
        QCOMPARE(values.back(), 1.0f);
        QVERIFY(std::count_if(values.begin(), values.end(), [](float v) { return v > 0 && v < 0.5f; }) > 10);

        const auto mat = matdump::read(output.toLocalFile());
        QCOMPARE(QStringList(mat.keys()), (QStringList{"a", "b", "metadata", "time"}));
        QCOMPARE(matdump::dims(matdump::member(mat.value("a").toObject(), "data")), (QList<qint64>{20000, 1}));
    }

    void requestsRunOneAfterTheOther()
    {
        const QUrl first = QUrl::fromLocalFile(write("first.hlf", goodLog(3000)));
        const QUrl second = QUrl::fromLocalFile(write("second.hlf", goodLog(10)));
        LogParser parser;
        QSignalSpy progress(&parser, &LogParser::progressChanged);
        QSignalSpy finished(&parser, &LogParser::conversionFinished);
        parser.parseLog(first, QUrl::fromLocalFile(m_dir.filePath("first.mat")));
        parser.parseLog(second, QUrl::fromLocalFile(m_dir.filePath("second.mat")));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 30000);
        QCOMPARE(finished[0][0].toUrl(), first);
        QCOMPARE(finished[1][0].toUrl(), second);
        QVERIFY(finished[0][2].toBool() && finished[1][2].toBool());

        // The second conversion starts reporting at 0 once the first one reached 1.
        QList<float> values;
        for (const auto &arguments : progress)
            values << arguments[0].toFloat();
        const auto firstEnd = values.indexOf(1.0f);
        const auto secondStart = values.indexOf(0.0f, firstEnd);
        QVERIFY(firstEnd > 0 && secondStart > firstEnd);
        for (auto i = firstEnd; i < secondStart; ++i)
            QCOMPARE(values.at(i), 1.0f);
        QCOMPARE(values.back(), 1.0f);
    }

    // A parser destroyed while its worker converts returns without waiting for the
    // conversion to end, and the unfinished MAT-file is removed.
    void destroyedDuringAConversion()
    {
        const QUrl log = QUrl::fromLocalFile(write("large.hlf", goodLog(600000)));
        const QUrl output = QUrl::fromLocalFile(m_dir.filePath("large.mat"));
        auto parser = std::make_unique<LogParser>();
        QSignalSpy progress(parser.get(), &LogParser::progressChanged);
        QSignalSpy finished(parser.get(), &LogParser::conversionFinished);
        parser->parseLog(log, output);
        parser->parseLog(log, QUrl::fromLocalFile(m_dir.filePath("never.mat")));
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty(), 30000);
        QVERIFY(progress.last()[0].toFloat() < 0.5f);
        parser.reset();
        QVERIFY(finished.isEmpty());
        QVERIFY(!QFile::exists(output.toLocalFile()));
        QVERIFY(!QFile::exists(m_dir.filePath("never.mat")));
        QCOMPARE(leftovers(), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_LogParser)
#include "tst_LogParser.moc"
