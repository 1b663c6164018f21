#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// The certificates of a Wi-Fi link, made by the openssl command in a folder of the
// test: the board's self-signed certificate, a board certificate made for clients
// only, and the host's key and certificate in the places the Wi-Fi datalink reads them
// from, once with an EC key and once with an RSA key.
class WifiTestCertificates
{
public:
    enum HostKey { EcKey, RsaKey };

    bool create(const QString &folder, QString *error);

    // The folder to hand the datalink: it holds SSLCertificates/SecureSockets/.
    QString hostFolder(HostKey key = EcKey) const;
    QSslCertificate hostCertificate(HostKey key = EcKey) const;

    QString boardCertificateFile() const;
    QString boardKeyFile() const;
    QSslCertificate boardCertificate() const;
    QSslKey boardKey() const;
    QSslCertificate clientOnlyBoardCertificate() const;
    QSslKey clientOnlyBoardKey() const;

private:
    QString path(const QString &name) const;

    QString m_folder;
};
