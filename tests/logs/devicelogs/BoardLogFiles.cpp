#include "BoardLogFiles.h"

#include "HlfFixture.h"
#include "TestFiles.h"

#include <QDir>

#include <cstring>

namespace boardlogs {

QString Log::name() const
{
    return QStringLiteral("[%1]%2_%3.hlf")
        .arg(counter)
        .arg(model, date.toString(QStringLiteral("yyyy-MM-dd_hh-mm-ss")));
}

QByteArray Log::bytes() const
{
    hlf::Fixture fixture;
    QString baseName = name();
    baseName.chop(4);
    fixture.metadata = {{"serial", serial.toStdString()},
                        {"fileName", baseName.toStdString()},
                        {"logCounter", std::to_string(counter)},
                        {"Date", date.toString(QStringLiteral("yyyy-MM-dd")).toStdString()},
                        {"Time", date.toString(QStringLiteral("hh:mm:ss")).toStdString()}};
    hlf::Signal time;
    time.name = "time";
    time.flags = 0x10;
    hlf::Signal speed;
    speed.name = "speed";
    fixture.signalRecords = {time, speed};
    return fixture
        .buildUniform(std::uint64_t(records),
                      [](std::uint64_t record, std::uint8_t *samples) {
                          const double t = double(record) * 0.01;
                          const double v = double(record) * 2.5;
                          std::memcpy(samples, &t, 8);
                          std::memcpy(samples + 8, &v, 8);
                      })
        .bytes;
}

namespace {

QString writeBytes(const QString &folder, const QString &fileName, const QByteArray &bytes)
{
    const QString path = QDir(folder).filePath(fileName);
    if (!writeFile(path, bytes))
        qFatal("Cannot write the test log %s", qPrintable(path));
    return path;
}

} // namespace

QString write(const QString &folder, const Log &log, const QString &fileName)
{
    return writeBytes(folder, fileName.isEmpty() ? log.name() : fileName, log.bytes());
}

QString writeGarbage(const QString &folder, const QString &fileName, qsizetype size)
{
    return writeBytes(folder, fileName, QByteArray(size, 'g'));
}

} // namespace boardlogs
