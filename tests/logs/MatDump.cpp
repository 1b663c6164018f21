#include "MatDump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>
#include "HalvoraTestPaths.h"

namespace matdump {

QJsonObject read(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(HALVORA_TEST_DATA_DIR "/mat_dump.py"), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("h5py could not read %1: %2")
                                    .arg(path, QString::fromUtf8(python.readAllStandardError()))),
                     __FILE__, __LINE__);
        return {};
    }
    QJsonParseError error;
    const auto document = QJsonDocument::fromJson(python.readAllStandardOutput(), &error);
    if (error.error != QJsonParseError::NoError)
        QTest::qFail(qPrintable(error.errorString()), __FILE__, __LINE__);
    return document.object();
}

QByteArray bytes(const QJsonObject &dataset)
{
    return QByteArray::fromHex(dataset.value(QStringLiteral("hex")).toString().toLatin1());
}

QList<qint64> dims(const QJsonObject &dataset)
{
    QList<qint64> result;
    for (const auto &value : dataset.value(QStringLiteral("dims")).toArray())
        result << value.toInteger();
    return result;
}

QStringList fields(const QJsonObject &structure)
{
    QStringList result;
    for (const auto &value : structure.value(QStringLiteral("fields")).toArray())
        result << value.toString();
    return result;
}

QJsonObject member(const QJsonObject &structure, const QString &field)
{
    return structure.value(QStringLiteral("members")).toObject().value(field).toObject();
}

} // namespace matdump
