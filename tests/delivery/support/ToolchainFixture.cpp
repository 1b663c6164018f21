#include "ToolchainFixture.h"

#include "ExternalTools.h"
#include "ToolchainPackage.h"
#include "VersionInfoFixture.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include "HalvoraTestPaths.h"

namespace {

const char kPythonZip[] = R"(
import base64, io, json, sys, zipfile
buffer = io.BytesIO()
with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
    for entry in json.load(sys.stdin):
        info = zipfile.ZipInfo(entry["name"])
        info.create_system = 3
        if entry["link"]:
            mode = 0o120777
        elif entry["name"].endswith("/"):
            mode = 0o40755
        else:
            mode = 0o100644
        info.external_attr = mode << 16
        archive.writestr(info, base64.b64decode(entry["data"]))
sys.stdout.buffer.write(buffer.getvalue())
)";

} // namespace

namespace ToolchainFixture {

QByteArray zipWithCli(const QMap<QString, QByteArray> &files, const QStringList &options)
{
    QTemporaryDir folder;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!ExternalTools::writeFile(folder.filePath(it.key()), it.value()))
            return {};
    }
    const QString archive = folder.filePath(QStringLiteral("package.zip"));
    QStringList arguments = options;
    arguments << QStringLiteral("-q") << QStringLiteral("-r") << archive;
    for (const QString &entry : QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (entry != QLatin1String("package.zip"))
            arguments << entry;
    }
    // zip names the entries relative to its working folder.
    QProcess zip;
    zip.setWorkingDirectory(folder.path());
    zip.start(QStringLiteral("zip"), arguments);
    if (!zip.waitForFinished(60000) || zip.exitStatus() != QProcess::NormalExit || zip.exitCode() != 0) {
        qWarning() << "zip" << arguments << "failed:" << zip.readAllStandardError();
        return {};
    }
    return ExternalTools::readFile(archive);
}

QByteArray zipWithPython(const QList<Entry> &entries)
{
    QJsonArray list;
    for (const Entry &entry : entries)
        list.append(QJsonObject{{"name", entry.name},
                                {"data", QString::fromLatin1(entry.content.toBase64())},
                                {"link", entry.symbolicLink}});
    const ExternalTools::Run result = ExternalTools::run(QStringLiteral("/usr/bin/python3"),
                                                         {QStringLiteral("-c"), QString::fromLatin1(kPythonZip)},
                                                         QJsonDocument(list).toJson());
    return result.ok() ? result.output : QByteArray();
}

QByteArray encrypt(const QByteArray &archive)
{
    return ExternalTools::opensslEncrypt(archive, ToolchainPackage::key(), ToolchainPackage::iv());
}

QJsonObject versionDocument(const QString &version, const QString &file, const QString &sha256)
{
    QJsonObject document = VersionInfoFixture::document();
    QJsonObject components = document.value(QStringLiteral("Components")).toObject();
    components.insert(QStringLiteral("HalvoraMatlabToolchain"),
                      QJsonObject{
                          {"LatestVersion", version},
                          {"Versions", QJsonObject{{version, QJsonObject{{"file", file}, {"sha256", sha256}}}}}});
    document.insert(QStringLiteral("Components"), components);
    return document;
}

bool Installations::make(const QString &root, const QStringList &releases)
{
    const QString script = QStringLiteral(HALVORA_TEST_DATA_DIR "/fake-matlab.sh");
    for (const QString &release : releases) {
        const QString program = root + QLatin1Char('/') + release + QStringLiteral("/bin/matlab");
        if (!QDir().mkpath(root + QLatin1Char('/') + release + QStringLiteral("/bin")))
            return false;
        QFile::remove(program);
        if (!QFile::copy(script, program))
            return false;
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner | QFile::ExeUser);
    }
    return true;
}

QStringList matlabRuns(const QString &logPath)
{
    return QString::fromUtf8(ExternalTools::readFile(logPath)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace ToolchainFixture
