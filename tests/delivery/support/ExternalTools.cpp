#include "ExternalTools.h"

#include <QProcess>
#include <QTemporaryFile>
#include <QtDebug>

namespace ExternalTools {

Run run(const QString &program, const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.start(program, arguments);
    Run result;
    if (!process.waitForStarted(10000)) {
        result.errors = process.errorString().toUtf8();
        qWarning() << "Could not start" << program << result.errors;
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (!result.ok())
        qWarning() << program << arguments << "failed:" << result.errors;
    return result;
}

QString sha256sumHex(const QString &path)
{
    const Run result = run(QStringLiteral("sha256sum"), {QStringLiteral("--"), path});
    return QString::fromLatin1(result.output.left(64));
}

QString sha256sumHex(const QByteArray &data)
{
    const Run result = run(QStringLiteral("sha256sum"), {}, data);
    return QString::fromLatin1(result.output.left(64));
}

QByteArray opensslEncrypt(const QByteArray &plain, const QByteArray &key, const QByteArray &iv)
{
    return run(QStringLiteral("openssl"),
               {QStringLiteral("enc"), QStringLiteral("-aes-256-cbc"), QStringLiteral("-K"),
                QString::fromLatin1(key.toHex()), QStringLiteral("-iv"), QString::fromLatin1(iv.toHex())},
               plain)
        .output;
}

QByteArray withOpensslDigest(const QByteArray &data)
{
    const Run result = run(QStringLiteral("openssl"),
                           {QStringLiteral("dgst"), QStringLiteral("-sha256"), QStringLiteral("-binary")}, data);
    return result.ok() ? data + result.output : QByteArray();
}

} // namespace ExternalTools
