#include "TestTls.h"

#include "ExternalTools.h"

#include <QDir>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

bool TestTls::create(const QString &folder)
{
    m_folder = folder;
    QDir().mkpath(folder);
    const auto path = [&](const char *name) { return QDir(folder).filePath(QString::fromLatin1(name)); };
    ExternalTools::writeFile(path("server.ext"), "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                                                 "extendedKeyUsage=serverAuth\n");
    const QString openssl = QStringLiteral("openssl");
    return ExternalTools::run(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                                        "/CN=Storage Test CA", "-keyout", path("ca.key"), "-out", path("ca.pem")})
               .ok()
           && ExternalTools::run(openssl, {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                                           path("server.key"), "-out", path("server.csr")})
                  .ok()
           && ExternalTools::run(openssl, {"x509", "-req", "-in", path("server.csr"), "-CA", path("ca.pem"), "-CAkey",
                                           path("ca.key"), "-CAcreateserial", "-days", "2", "-extfile",
                                           path("server.ext"), "-out", path("server.pem")})
                  .ok();
}

QSslConfiguration TestTls::serverConfiguration() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    const QDir dir(m_folder);
    configuration.setLocalCertificate(
        QSslCertificate(ExternalTools::readFile(dir.filePath(QStringLiteral("server.pem"))), QSsl::Pem));
    configuration.setPrivateKey(QSslKey(ExternalTools::readFile(dir.filePath(QStringLiteral("server.key"))), QSsl::Rsa,
                                        QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

void TestTls::trustForClients() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(
        QSslCertificate::fromData(ExternalTools::readFile(QDir(m_folder).filePath(QStringLiteral("ca.pem")))));
    QSslConfiguration::setDefaultConfiguration(configuration);
}
