#include "WifiTestCertificates.h"
#include "TestFiles.h"

#include <QDir>
#include <QProcess>

namespace {

// A self-signed certificate and its key from `openssl req -x509`.
bool makeCertificate(const QStringList &keyArguments, const QString &subject, const QStringList &extensions,
                     const QString &keyFile, const QString &certificateFile, QString *error)
{
    QStringList arguments{"req",     "-x509", "-nodes", "-days",        "2", "-subj", subject,
                          "-keyout", keyFile, "-out",   certificateFile};
    arguments += keyArguments;
    for (const QString &extension : extensions)
        arguments << "-addext" << extension;
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl %1 failed: %2")
                     .arg(arguments.join(' '), QString::fromLocal8Bit(openssl.readAllStandardError()));
        return false;
    }
    return true;
}

const QStringList ecKey{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1"};
const QStringList rsaKey{"-newkey", "rsa:2048"};

} // namespace

bool WifiTestCertificates::create(const QString &folder, QString *error)
{
    m_folder = folder;
    for (HostKey key : {EcKey, RsaKey})
        QDir(hostFolder(key)).mkpath(QStringLiteral("SSLCertificates/SecureSockets"));
    const auto hostFile = [this](HostKey key, const char *name) {
        return QDir(hostFolder(key)).filePath(QStringLiteral("SSLCertificates/SecureSockets/") + QLatin1String(name));
    };
    return makeCertificate(ecKey, "/CN=Zelto board", {}, boardKeyFile(), boardCertificateFile(), error)
           && makeCertificate(ecKey, "/CN=Zelto board", {"extendedKeyUsage=clientAuth"}, path("client-only.key"),
                              path("client-only.pem"), error)
           && makeCertificate(ecKey, "/CN=Halvora Lab", {}, hostFile(EcKey, "prvtkey.pem"), hostFile(EcKey, "cert.pem"),
                              error)
           && makeCertificate(rsaKey, "/CN=Halvora Lab", {}, hostFile(RsaKey, "prvtkey.pem"),
                              hostFile(RsaKey, "cert.pem"), error);
}

QString WifiTestCertificates::path(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

QString WifiTestCertificates::hostFolder(HostKey key) const
{
    return path(key == EcKey ? QStringLiteral("host-ec") : QStringLiteral("host-rsa"));
}

QSslCertificate WifiTestCertificates::hostCertificate(HostKey key) const
{
    return QSslCertificate(readFile(QDir(hostFolder(key)).filePath("SSLCertificates/SecureSockets/cert.pem")),
                           QSsl::Pem);
}

QString WifiTestCertificates::boardCertificateFile() const
{
    return path(QStringLiteral("board.pem"));
}

QString WifiTestCertificates::boardKeyFile() const
{
    return path(QStringLiteral("board.key"));
}

QSslCertificate WifiTestCertificates::boardCertificate() const
{
    return QSslCertificate(readFile(boardCertificateFile()), QSsl::Pem);
}

QSslKey WifiTestCertificates::boardKey() const
{
    return QSslKey(readFile(boardKeyFile()), QSsl::Ec, QSsl::Pem);
}

QSslCertificate WifiTestCertificates::clientOnlyBoardCertificate() const
{
    return QSslCertificate(readFile(path(QStringLiteral("client-only.pem"))), QSsl::Pem);
}

QSslKey WifiTestCertificates::clientOnlyBoardKey() const
{
    return QSslKey(readFile(path(QStringLiteral("client-only.key"))), QSsl::Ec, QSsl::Pem);
}
